#pragma once

#include <ctime>
#include <string>

namespace bildheber {

// A moment in local time to the millisecond: the request takes its date for the expiry fields
// and its time for the multipart boundary, the log stamps its entries with it.
struct LocalTime {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;     // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    // The system clock read in the local time zone.
    static LocalTime now();
};

// The moment as strftime takes it, weekday and day of the year included.
std::tm asCalendarTime(const LocalTime& time);

// The date in the user's short date format and the time in the user's long time format, as the
// regional settings are at the moment of the call (on POSIX: LC_TIME, after setlocale).
std::string shortDateText(const LocalTime& time);
std::string longTimeText(const LocalTime& time);

}  // namespace bildheber
