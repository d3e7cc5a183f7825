#include "platform/Paths.h"

namespace bildheber {

namespace {
#ifdef _WIN32
constexpr std::string_view kSeparators = "\\:";
#else
constexpr std::string_view kSeparators = "/";
#endif
}  // namespace

std::string fileNamePart(std::string_view path) {
    const auto last = path.find_last_of(kSeparators);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

}  // namespace bildheber
