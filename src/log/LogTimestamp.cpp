#include "log/LogTimestamp.h"

namespace bildheber {

namespace {
std::string formatWith(const char* format, const std::tm& local) {
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, length);
}
}  // namespace

std::string formatLogTimestamp(const LocalTime& time) {
    const bool midnight =
        time.hour == 0 && time.minute == 0 && time.second == 0 && time.millisecond == 0;
    const std::tm calendar = asCalendarTime(time);
    std::string text = formatWith("%x", calendar);
    if (!midnight) {
        text += ' ';
        text += formatWith("%X", calendar);
    }
    return text;
}

}  // namespace bildheber
