#include "upload/LocalTimestamp.h"

#include "platform/LocalClock.h"

namespace bildheber {

LocalTimestamp LocalTimestamp::now() {
    const LocalClockReading clock = readLocalClock();
    return LocalTimestamp{clock.local.tm_year + 1900, clock.local.tm_mon + 1, clock.local.tm_mday,
                          clock.local.tm_hour,        clock.local.tm_min,     clock.local.tm_sec,
                          clock.millisecond};
}

}  // namespace bildheber
