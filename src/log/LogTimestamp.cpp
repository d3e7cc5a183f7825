#include "log/LogTimestamp.h"

namespace bildheber {

std::string formatLogTimestamp(const LocalTime& time) {
    const bool midnight =
        time.hour == 0 && time.minute == 0 && time.second == 0 && time.millisecond == 0;
    std::string text = shortDateText(time);
    if (!midnight) {
        text += ' ';
        text += longTimeText(time);
    }
    return text;
}

}  // namespace bildheber
