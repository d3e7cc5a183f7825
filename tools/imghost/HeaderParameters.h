#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bildheber::imghost {

// A header value of the form `main; name=value; name="quoted value"`, as Content-Type and
// Content-Disposition have it.
struct ParameterizedValue {
    std::string value;                                            // trimmed, case kept
    std::vector<std::pair<std::string, std::string>> parameters;  // names in small letters

    std::optional<std::string> parameter(std::string_view name) const;
};

// Parameter values are tokens or quoted strings (backslash escapes the next character). Throws
// BadRequest for a parameter without "=", an unterminated quoted string, or a repeated name.
ParameterizedValue parseParameterizedValue(std::string_view text);

}  // namespace bildheber::imghost
