#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "imghost/CalendarDate.h"

namespace bildheber::imghost {

// What is kept beside a stored picture, in its sidecar file.
struct PictureInfo {
    std::string displayName;                // one line, for pages only
    std::optional<CalendarDate> keepUntil;  // last day it is kept; nothing = for good
};

// The sidecar text: "keep-until: YYYY-MM-DD" (or "never") and "name: ..." lines.
std::string formatPictureInfo(const PictureInfo& info);

// Nothing if the "keep-until" line is missing or malformed; a missing name reads as empty.
std::optional<PictureInfo> parsePictureInfo(std::string_view text);

}  // namespace bildheber::imghost
