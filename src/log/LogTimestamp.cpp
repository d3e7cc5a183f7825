#include "log/LogTimestamp.h"

#include "platform/LocalClock.h"

namespace bildheber {

namespace {
std::string formatWith(const char* format, const std::tm& local) {
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, length);
}
}  // namespace

LogTime LogTime::now() {
    const LocalClockReading clock = readLocalClock();
    return LogTime{clock.local, clock.millisecond};
}

std::string formatLogTimestamp(const LogTime& time) {
    const bool midnight = time.local.tm_hour == 0 && time.local.tm_min == 0 &&
                          time.local.tm_sec == 0 && time.millisecond == 0;
    std::string text = formatWith("%x", time.local);
    if (!midnight) {
        text += ' ';
        text += formatWith("%X", time.local);
    }
    return text;
}

}  // namespace bildheber
