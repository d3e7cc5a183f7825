#include "upload/LocalTimestamp.h"

#include <chrono>
#include <ctime>

namespace bildheber {

LocalTimestamp LocalTimestamp::now() {
    using namespace std::chrono;
    const auto current = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(current);
    const auto millis = duration_cast<milliseconds>(current.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    return LocalTimestamp{local.tm_year + 1900,    local.tm_mon + 1, local.tm_mday,
                          local.tm_hour,           local.tm_min,     local.tm_sec,
                          static_cast<int>(millis)};
}

}  // namespace bildheber
