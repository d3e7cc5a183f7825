#include "platform/LocalClock.h"

#include <chrono>

namespace bildheber {

LocalClockReading readLocalClock() {
    using namespace std::chrono;
    const auto current = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(current);
    LocalClockReading reading;
#ifdef _WIN32
    localtime_s(&reading.local, &seconds);
#else
    localtime_r(&seconds, &reading.local);
#endif
    reading.millisecond =
        static_cast<int>(duration_cast<milliseconds>(current.time_since_epoch()).count() % 1000);
    return reading;
}

}  // namespace bildheber
