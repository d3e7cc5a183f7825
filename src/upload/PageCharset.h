#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "upload/MediaType.h"

namespace bildheber {

// What an XML reply says of its own charset: its byte-order mark, else the encoding of its XML
// declaration, else "UTF-8".
std::string xmlCharset(std::string_view body);

// The first charset declaration by a meta element in the head of an HTML page (a charset
// attribute, or http-equiv Content-Type whose value replaces the header's), or nothing. The scan
// ends at the first "<body" or "</head>"; comments are skipped. It is linear in the page.
std::optional<ContentType> pageDeclaration(std::string_view body, const ContentType& header);

}  // namespace bildheber
