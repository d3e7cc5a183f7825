#pragma once

#include <string>
#include <string_view>

namespace bildheber {

// The charset name by which a reply body is to be read, from its Content-Type header value and
// the body itself: for XML media types the byte-order mark or the XML declaration (else "UTF-8");
// otherwise the charset parameter, where for HTML the page's meta elements override the header;
// a text type without charset counts as "ISO-8859-1" ("us-ascii" for the XML text types).
// Returns an empty string when there is no charset at all.
std::string replyCharset(std::string_view contentType, std::string_view body);

// Converts `bytes` in the named charset to UTF-8 with iconv. A name that iconv cannot map (or
// an empty one) means ISO-8859-1: every byte becomes the character of the same code. Sequences
// that are invalid in the charset become U+FFFD.
std::string decodeToUtf8(std::string_view charset, std::string_view bytes);

// The reply body as UTF-8 text: decodeToUtf8(replyCharset(...), body).
std::string decodeReplyText(std::string_view contentType, std::string_view body);

}  // namespace bildheber
