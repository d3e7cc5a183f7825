#pragma once

#include <string>

namespace bildheber {

// The window's status line ("Status:"), as far as the job logic writes to it.
class StatusLine {
  public:
    virtual ~StatusLine() = default;
    // Replaces the whole text of the status line.
    virtual void setStatusText(const std::string& text) = 0;
};

}  // namespace bildheber
