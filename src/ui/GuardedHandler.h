#pragma once

#include <exception>

#include "upload/WindowOperations.h"

namespace bildheber {

// Runs one handler of a user action; a failure nobody expected ends in the window's general
// error report, and the window goes on.
template <typename Handler>
void runGuarded(WindowOperations& window, Handler handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        window.showError(failure.what());
    }
}

}  // namespace bildheber
