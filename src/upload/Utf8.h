#pragma once

#include <cstddef>
#include <string_view>

namespace bildheber {

// The length of the well-formed UTF-8 sequence at the start of `text` (shortest form, no
// surrogates, at most U+10FFFF), or 0 if there is none.
std::size_t utf8SequenceLength(std::string_view text);

}  // namespace bildheber
