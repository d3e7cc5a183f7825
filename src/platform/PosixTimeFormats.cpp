#include "platform/LocalClock.h"

namespace bildheber {

namespace {
std::string formatWith(const char* format, const LocalTime& time) {
    const std::tm calendar = asCalendarTime(time);
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &calendar);
    return std::string(buffer, length);
}
}  // namespace

std::string shortDateText(const LocalTime& time) {
    return formatWith("%x", time);
}

std::string longTimeText(const LocalTime& time) {
    return formatWith("%X", time);
}

}  // namespace bildheber
