#pragma once

#include <chrono>
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace bildheber::imghost {

struct CalendarDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31

    auto operator<=>(const CalendarDate&) const = default;
};

int daysInMonth(int year, int month);

// The date with its day pulled back to the month's last day where the month is shorter: the
// client may ask for 31 September or 30 February, which count as 30 September and the 28th or
// 29th of February. `month` must be 1..12 and `day` at least 1.
CalendarDate fitToMonth(int year, int month, int day);

// "YYYY-MM-DD", and back; parsing refuses anything else and dates that do not exist.
std::string isoDate(const CalendarDate& date);
std::optional<CalendarDate> parseIsoDate(std::string_view text);

struct LocalDateTime {
    CalendarDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The moment in the machine's local time zone.
LocalDateTime localDateTime(std::chrono::system_clock::time_point moment);

}  // namespace bildheber::imghost
