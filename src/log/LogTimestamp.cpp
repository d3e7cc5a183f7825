#include "log/LogTimestamp.h"

#include <chrono>

namespace bildheber {

namespace {
std::string formatWith(const char* format, const std::tm& local) {
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, length);
}
}  // namespace

LogTime LogTime::now() {
    using namespace std::chrono;
    const auto current = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(current);
    LogTime time;
    localtime_r(&seconds, &time.local);
    time.millisecond =
        static_cast<int>(duration_cast<milliseconds>(current.time_since_epoch()).count() % 1000);
    return time;
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
