#pragma once

#include <string_view>

namespace bildheber {

// White space in protocol and markup text, ASCII only.

// HTML's five white-space characters, also those of the forum code's pattern.
inline constexpr std::string_view kHtmlWhiteSpace = " \t\n\r\f";
// HTTP's optional white space around header values and list items.
inline constexpr std::string_view kHttpBlanks = " \t";

constexpr bool isHtmlWhiteSpace(char c) {
    return kHtmlWhiteSpace.find(c) != std::string_view::npos;
}

// `text` without the characters of `blanks` at either end.
constexpr std::string_view trimmed(std::string_view text,
                                   std::string_view blanks = kHtmlWhiteSpace) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace bildheber
