#include "platform/LocalClock.h"

#include <chrono>

namespace bildheber {

LocalTime LocalTime::now() {
    using namespace std::chrono;
    const auto current = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(current);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    const auto millisecond =
        static_cast<int>(duration_cast<milliseconds>(current.time_since_epoch()).count() % 1000);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,         local.tm_sec,     millisecond};
}

std::tm asCalendarTime(const LocalTime& time) {
    using namespace std::chrono;
    const year_month_day date{year{time.year}, month{static_cast<unsigned>(time.month)},
                              day{static_cast<unsigned>(time.day)}};
    const sys_days days{date};
    std::tm calendar{};
    calendar.tm_year = time.year - 1900;
    calendar.tm_mon = time.month - 1;
    calendar.tm_mday = time.day;
    calendar.tm_hour = time.hour;
    calendar.tm_min = time.minute;
    calendar.tm_sec = time.second;
    calendar.tm_wday = static_cast<int>(weekday{days}.c_encoding());
    calendar.tm_yday = static_cast<int>((days - sys_days{year{time.year} / January / 1}).count());
    calendar.tm_isdst = -1;  // not known; no format of the log shows it
    return calendar;
}

}  // namespace bildheber
