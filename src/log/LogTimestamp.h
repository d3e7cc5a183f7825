#pragma once

#include <ctime>
#include <string>

namespace bildheber {

// A local date and time with milliseconds, as a log entry is stamped.
struct LogTime {
    std::tm local{};
    int millisecond = 0;

    static LogTime now();
};

// The user's regional date and time (strftime "%x" and "%X" under the current LC_TIME); the date
// alone at exactly midnight (00:00:00.000).
std::string formatLogTimestamp(const LogTime& time);

}  // namespace bildheber
