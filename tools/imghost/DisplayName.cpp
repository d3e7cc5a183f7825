#include "imghost/DisplayName.h"

#include "imghost/EncodedWords.h"

namespace bildheber::imghost {

namespace {

constexpr std::size_t kMaxDisplayBytes = 200;

// Length of the well-formed UTF-8 sequence at the start of `text` (no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 if there is none.
std::size_t utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

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
