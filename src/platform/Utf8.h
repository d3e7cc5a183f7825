#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bildheber {

// The length of the well-formed UTF-8 sequence at the start of `text` (shortest form, no
// surrogates, at most U+10FFFF), or 0 if there is none.
std::size_t utf8SequenceLength(std::string_view text);

// UTF-16, as Windows names files and passes texts, to UTF-8 and back. An unpaired surrogate or an
// ill-formed UTF-8 sequence (one byte at a time) becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
std::u16string utf16FromUtf8(std::string_view text);

}  // namespace bildheber
