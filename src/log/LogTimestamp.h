#pragma once

#include <string>

#include "platform/LocalClock.h"

namespace bildheber {

// The user's regional date and time (strftime "%x" and "%X" under the current LC_TIME); the date
// alone at exactly midnight (00:00:00.000).
std::string formatLogTimestamp(const LocalTime& time);

}  // namespace bildheber
