#include <windows.h>

#include "platform/LocalClock.h"
#include "platform/WindowsText.h"

namespace bildheber {

namespace {

SYSTEMTIME systemTimeOf(const LocalTime& time) {
    SYSTEMTIME moment{};
    moment.wYear = static_cast<WORD>(time.year);
    moment.wMonth = static_cast<WORD>(time.month);
    moment.wDay = static_cast<WORD>(time.day);
    moment.wDayOfWeek = static_cast<WORD>(asCalendarTime(time).tm_wday);
    moment.wHour = static_cast<WORD>(time.hour);
    moment.wMinute = static_cast<WORD>(time.minute);
    moment.wSecond = static_cast<WORD>(time.second);
    moment.wMilliseconds = static_cast<WORD>(time.millisecond);
    return moment;
}

}  // namespace

std::string shortDateText(const LocalTime& time) {
    const SYSTEMTIME moment = systemTimeOf(time);
    wchar_t text[128] = {};
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &moment, nullptr,
                                       text, 128, nullptr);
    return length > 0 ? windows::utf8FromWide(std::wstring_view(text, length - 1)) : std::string();
}

std::string longTimeText(const LocalTime& time) {
    const SYSTEMTIME moment = systemTimeOf(time);
    wchar_t text[128] = {};
    // No flags: the user's long time format.
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &moment, nullptr, text, 128);
    return length > 0 ? windows::utf8FromWide(std::wstring_view(text, length - 1)) : std::string();
}

}  // namespace bildheber
