#pragma once

#include <string>
#include <string_view>

#include "upload/AsciiCase.h"  // equalsIgnoringAsciiCase, toLowerAscii

namespace bildheber::imghost {

// ASCII-only helpers for protocol text: no locale, bytes above 127 are never letters or blanks.
// Without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view text);
// A character that may stand in an HTTP token (header names, methods, parameter names).
bool isTokenChar(unsigned char c);
bool isToken(std::string_view text);
bool isDigits(std::string_view text);
// 0..15 for a hexadecimal digit in either case, else -1.
int hexDigitValue(char c);

}  // namespace bildheber::imghost
