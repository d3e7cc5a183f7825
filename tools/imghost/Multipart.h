#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bildheber::imghost {

// One part of a multipart/form-data body.
struct FormPart {
    std::vector<std::pair<std::string, std::string>> headers;  // unfolded, values trimmed
    std::string name;                                          // the Content-Disposition name
    std::optional<std::string> fileName;  // the filename parameter as sent (may be encoded words)
    std::string_view content;             // points into the body that was parsed

    std::optional<std::string> header(std::string_view name) const;
};

struct MultipartLimits {
    std::size_t maxParts = 64;
    std::size_t maxPartHeadBytes = std::size_t{16} << 10;
};

// The boundary parameter of a "multipart/form-data" Content-Type. Throws BadRequest for another
// media type or a missing or malformed boundary (1 to 70 characters of the RFC 2046 set).
std::string formDataBoundary(std::string_view contentType);

// Splits the body at its boundary lines. A preamble before the first boundary line and an
// epilogue after the closing one are ignored. Every part needs a Content-Disposition of type
// form-data with a name. Part header lines may be folded (a continuation line starts with a
// blank), as a long encoded file name is. Throws BadRequest for anything malformed.
std::vector<FormPart> parseFormData(std::string_view body, std::string_view boundary,
                                    const MultipartLimits& limits = {});

}  // namespace bildheber::imghost
