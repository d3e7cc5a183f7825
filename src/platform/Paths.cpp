#include "platform/Paths.h"

namespace bildheber {

namespace {
#ifdef _WIN32
constexpr std::string_view kSeparators = "\\:";
#else
constexpr std::string_view kSeparators = "/";
#endif

// Position of the "." that starts the file name's extension, or npos.
std::size_t extensionStart(std::string_view path) {
    const auto dot = path.rfind('.');
    const auto separator = path.find_last_of(kSeparators);
    if (dot == std::string_view::npos || (separator != std::string_view::npos && separator > dot)) {
        return std::string_view::npos;
    }
    return dot;
}
}  // namespace

std::string fileNamePart(std::string_view path) {
    const auto last = path.find_last_of(kSeparators);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string folderPart(std::string_view path) {
    const auto last = path.find_last_of(kSeparators);
    return std::string(last == std::string_view::npos ? std::string_view() : path.substr(0, last));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    return std::string(folder) + kSeparators.front() + std::string(name);
}

std::string replaceExtension(std::string_view path, std::string_view suffix) {
    return std::string(path.substr(0, extensionStart(path))) + std::string(suffix);
}

std::string_view extensionOf(std::string_view path) {
    const auto dot = extensionStart(path);
    return dot == std::string_view::npos ? std::string_view() : path.substr(dot);
}

}  // namespace bildheber
