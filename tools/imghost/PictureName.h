#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "imghost/CalendarDate.h"

namespace bildheber::imghost {

// A stored picture's name: "<yyyymmdd>-<hhmmss>-<counter>-<8 hex digits>", such as
// "20250301-140709-12-9f3a2c1b". Made by the host only; the client's file name never is one.
std::string makePictureName(const LocalDateTime& now, std::uint64_t counter, std::uint32_t random);

// True exactly for text of that form (digits, one to ten counter digits, small hex letters), so
// that a name taken from a request can be joined to the data folder without any risk.
bool isPictureName(std::string_view text);

}  // namespace bildheber::imghost
