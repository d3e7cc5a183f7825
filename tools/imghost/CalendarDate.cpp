#include "imghost/CalendarDate.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace bildheber::imghost {

namespace {

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::optional<int> fixedDigits(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.front() == '-' ||
        text.front() == '+') {
        return std::nullopt;
    }
    return value;
}

}  // namespace

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

CalendarDate fitToMonth(int year, int month, int day) {
    const int last = daysInMonth(year, month);
    return CalendarDate{year, month, day > last ? last : day};
}

std::string isoDate(const CalendarDate& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::optional<CalendarDate> parseIsoDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto year = fixedDigits(text.substr(0, 4));
    const auto month = fixedDigits(text.substr(5, 2));
    const auto day = fixedDigits(text.substr(8, 2));
    if (!year || !month || !day || *month < 1 || *month > 12 || *day < 1 ||
        *day > daysInMonth(*year, *month)) {
        return std::nullopt;
    }
    return CalendarDate{*year, *month, *day};
}

LocalDateTime localDateTime(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm local{};
    localtime_r(&seconds, &local);
    return LocalDateTime{{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec};
}

}  // namespace bildheber::imghost
