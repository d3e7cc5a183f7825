#include "platform/CommandLine.h"

namespace bildheber {

namespace {

bool isSeparator(char16_t c) {
    return c >= 1 && c <= 32;
}

// Skips separators and empty quote pairs, so that no argument is ever empty.
std::size_t skipToArgument(std::u16string_view line, std::size_t pos) {
    for (;;) {
        while (pos < line.size() && isSeparator(line[pos])) {
            ++pos;
        }
        if (pos + 1 < line.size() && line[pos] == u'"' && line[pos + 1] == u'"') {
            pos += 2;
            continue;
        }
        return pos;
    }
}

}  // namespace

std::vector<std::u16string> splitCommandLine(std::u16string_view line) {
    std::vector<std::u16string> arguments;
    std::size_t pos = skipToArgument(line, 0);
    while (pos < line.size()) {
        std::u16string argument;
        bool quoted = false;
        for (; pos < line.size() && (quoted || !isSeparator(line[pos])); ++pos) {
            if (line[pos] == u'"') {
                quoted = !quoted;
            } else {
                argument += line[pos];
            }
        }
        if (!argument.empty()) {  // a lone quote at the very end is no argument
            arguments.push_back(std::move(argument));
        }
        pos = skipToArgument(line, pos);
    }
    if (!arguments.empty()) {
        arguments.erase(arguments.begin());  // the program as it was called
    }
    return arguments;
}

}  // namespace bildheber
