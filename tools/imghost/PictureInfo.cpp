#include "imghost/PictureInfo.h"

namespace bildheber::imghost {

namespace {

constexpr std::string_view kKeepUntil = "keep-until: ";
constexpr std::string_view kName = "name: ";
constexpr std::string_view kNever = "never";

}  // namespace

std::string formatPictureInfo(const PictureInfo& info) {
    std::string text(kKeepUntil);
    text += info.keepUntil ? isoDate(*info.keepUntil) : std::string(kNever);
    text += '\n';
    text += kName;
    text += info.displayName;
    text += '\n';
    return text;
}

std::optional<PictureInfo> parsePictureInfo(std::string_view text) {
    PictureInfo info;
    bool haveKeepUntil = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with(kKeepUntil)) {
            const std::string_view value = line.substr(kKeepUntil.size());
            if (value != kNever) {
                info.keepUntil = parseIsoDate(value);
                if (!info.keepUntil) {
                    return std::nullopt;
                }
            }
            haveKeepUntil = true;
        } else if (line.starts_with(kName)) {
            info.displayName = line.substr(kName.size());
        }
    }
    if (!haveKeepUntil) {
        return std::nullopt;
    }
    return info;
}

}  // namespace bildheber::imghost
