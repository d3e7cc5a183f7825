#pragma once

#include <ctime>

namespace bildheber {

// The local date and time now, to the millisecond.
struct LocalClockReading {
    std::tm local{};
    int millisecond = 0;
};
LocalClockReading readLocalClock();

}  // namespace bildheber
