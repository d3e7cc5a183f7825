#include "imghost/PublicUrl.h"

#include <algorithm>
#include <stdexcept>

namespace bildheber::imghost {

namespace {

bool isAddressChar(char c) {
    static constexpr std::string_view kPunctuation = "-._~:/%";
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           kPunctuation.find(c) != std::string_view::npos;
}

std::string_view withoutScheme(std::string_view text) {
    for (const std::string_view scheme : {"https://", "http://"}) {
        if (text.starts_with(scheme)) {
            return text.substr(scheme.size());
        }
    }
    return {};
}

}  // namespace

PublicUrl PublicUrl::parse(std::string_view text) {
    while (text.ends_with('/')) {
        text.remove_suffix(1);
    }
    const std::string_view rest = withoutScheme(text);
    if (rest.empty() || rest.front() == '/' ||
        !std::all_of(text.begin(), text.end(), isAddressChar)) {
        throw std::invalid_argument(
            "public URL must be http(s)://host[:port][/path] without "
            "quotes, blanks, \"&\" or brackets: " +
            std::string(text));
    }
    return PublicUrl(std::string(text));
}

std::string PublicUrl::pageAddress(std::string_view name) const {
    return base_ + "/imghost/p/" + std::string(name);
}

std::string PublicUrl::pictureAddress(std::string_view name) const {
    return base_ + "/imghost/i/" + std::string(name) + ".jpg";
}

}  // namespace bildheber::imghost
