#pragma once

#include <string>

namespace bildheber::test {

// The user's regional date and time formats set to a German user's (05.03.2019, 14:07:33) for
// the life of the object, and then restored: on POSIX the locale de_DE.UTF-8 for LC_TIME when
// the system has it, on Windows the user's short date and long time formats themselves.
class GermanRegionalFormats {
  public:
    GermanRegionalFormats();
    ~GermanRegionalFormats();
    GermanRegionalFormats(const GermanRegionalFormats&) = delete;
    GermanRegionalFormats& operator=(const GermanRegionalFormats&) = delete;

    // False when the system has no German formats to offer (a POSIX system without the locale).
    bool available() const { return available_; }

  private:
    bool available_ = false;
    std::string previousDate_;
    std::string previousTime_;
};

}  // namespace bildheber::test
