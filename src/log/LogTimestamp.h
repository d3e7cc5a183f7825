#pragma once

#include <string>

#include "platform/LocalClock.h"

namespace bildheber {

// The user's regional short date and long time; the date alone at exactly midnight
// (00:00:00.000).
std::string formatLogTimestamp(const LocalTime& time);

}  // namespace bildheber
