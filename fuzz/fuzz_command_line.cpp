// The Windows command-line splitter: any text must split without crashing, no argument is empty,
// no argument holds a double quote, and the arguments hold no more characters than the line
// has besides its quotes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string line;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        line += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    std::size_t kept = 0;
    for (const char16_t c : line) {
        kept += c != u'"';
    }
    std::size_t joined = 0;
    const auto arguments = bildheber::splitCommandLine(line);
    for (const auto& argument : arguments) {
        if (argument.empty() || argument.find(u'"') != std::u16string::npos) {
            std::abort();
        }
        joined += argument.size();
    }
    if (joined > kept) {
        std::abort();
    }
    return 0;
}
