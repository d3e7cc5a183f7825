#pragma once

#include <string>
#include <string_view>

namespace bildheber {

// The file name as it goes between the double quotes of the Content-Disposition header. Words
// (separated by blanks) made of printable ASCII stay as they are; each run of words with other
// bytes (non-ASCII, control characters, and the double quote and backslash that would end or
// escape the quoted string) becomes RFC 2047 encoded words, charset UTF-8, B encoding, each at
// most 75 characters, joined by CR LF and one space.
std::string encodeHeaderFileName(std::string_view fileName);

}  // namespace bildheber
