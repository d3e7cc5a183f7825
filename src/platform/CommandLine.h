#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bildheber {

// Splits a whole Windows command line into the arguments after the program: separators are runs
// of characters 1..32 outside double quotes; a quoted stretch (quotes dropped) may stand anywhere
// in an argument; empty quote pairs where an argument would begin are skipped; there is no escape
// character. On POSIX the program receives its arguments already split and does not use this.
std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine);

}  // namespace bildheber
