#include "imghost/DisplayName.h"

#include "imghost/EncodedWords.h"
#include "upload/Utf8.h"

namespace bildheber::imghost {

namespace {

constexpr std::size_t kMaxDisplayBytes = 200;

std::string_view lastPathComponent(std::string_view name) {
    const std::size_t separator = name.find_last_of("/\\");
    return separator == std::string_view::npos ? name : name.substr(separator + 1);
}

}  // namespace

std::string displayFileName(std::string_view sentFileName) {
    const std::string decoded = decodeEncodedWords(sentFileName);
    std::string_view rest = lastPathComponent(decoded);
    std::string shown;
    while (!rest.empty()) {
        const std::size_t length = utf8SequenceLength(rest);
        const bool control =
            length == 1 && (static_cast<unsigned char>(rest[0]) < 0x20 || rest[0] == '\x7F');
        const std::string_view piece = (length == 0 || control) ? "?" : rest.substr(0, length);
        if (shown.size() + piece.size() > kMaxDisplayBytes) {
            break;
        }
        shown += piece;
        rest.remove_prefix(length == 0 ? 1 : length);
    }
    return shown;
}

}  // namespace bildheber::imghost
