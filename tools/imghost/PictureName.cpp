#include "imghost/PictureName.h"

#include <algorithm>
#include <cstdio>

#include "imghost/AsciiText.h"

namespace bildheber::imghost {

namespace {

bool isSmallHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::string makePictureName(const LocalDateTime& now, std::uint64_t counter, std::uint32_t random) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d-%llu-%08x", now.date.year % 10000,
                  now.date.month % 100, now.date.day % 100, now.hour % 100, now.minute % 100,
                  now.second % 100, static_cast<unsigned long long>(counter % 10'000'000'000ULL),
                  static_cast<unsigned>(random));
    return name;
}

bool isPictureName(std::string_view text) {
    // 8 digits, "-", 6 digits, "-", 1..10 digits, "-", 8 hex digits.
    if (text.size() < 8 + 1 + 6 + 1 + 1 + 1 + 8 || text[8] != '-' || text[15] != '-') {
        return false;
    }
    const std::size_t counterEnd = text.find('-', 16);
    if (counterEnd == std::string_view::npos || counterEnd - 16 > 10) {
        return false;
    }
    return isDigits(text.substr(0, 8)) && isDigits(text.substr(9, 6)) &&
           isDigits(text.substr(16, counterEnd - 16)) && text.size() - counterEnd - 1 == 8 &&
           isSmallHex(text.substr(counterEnd + 1));
}

}  // namespace bildheber::imghost
