#pragma once

#include <algorithm>
#include <chrono>

namespace bildheber {

// A moment by which something must be over, on the steady clock so that setting the system
// clock neither ends it early nor makes it last longer.
class Deadline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::time_point at) : at_(at) {}
    static Deadline in(std::chrono::milliseconds budget) { return Deadline(Clock::now() + budget); }

    Clock::time_point at() const { return at_; }
    bool passed() const { return Clock::now() >= at_; }

    // The time left, rounded up so that a wait for it does not wake just before the moment;
    // zero once it has passed.
    std::chrono::milliseconds remaining() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now());
        return std::max(left, std::chrono::milliseconds::zero());
    }

  private:
    Clock::time_point at_;
};

}  // namespace bildheber
