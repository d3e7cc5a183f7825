#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace bildheber {

// Letter case in protocol and markup text, ASCII only: no locale, bytes above 127 are never
// letters.

constexpr char toLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string toLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = toLowerAscii(c);
    }
    return lower;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return toLowerAscii(x) == toLowerAscii(y); });
}

constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace bildheber
