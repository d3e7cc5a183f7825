#pragma once

#include <stdexcept>
#include <string>

#include "imaging/RgbRaster.h"

namespace bildheber {

// The clipboard could not be opened or written; the text is what the user is shown.
class ClipboardError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the job needs from the desktop: the clipboard, sound, the shell, and the program's own
// path. The window's build provides it; tests provide fakes. Plain file operations come from
// platform/SystemFiles.h.
class Platform {
  public:
    virtual ~Platform() = default;

    // Replaces the whole clipboard content by the text (UTF-8). Throws ClipboardError.
    virtual void setClipboardText(const std::string& text) = 0;
    virtual bool clipboardHasBitmap() = 0;
    // The clipboard's picture, any alpha dropped. Throws ClipboardError.
    virtual RgbRaster readClipboardBitmap() = 0;

    // Starts playing a WAV file and returns at once.
    virtual void playSoundAsync(const std::string& file) = 0;
    virtual void beep() = 0;

    // Opens a file or web address with the desktop's default handler; the result is not examined.
    virtual void openWithDefaultHandler(const std::string& pathOrAddress) = 0;

    // The full path of the running program file.
    virtual std::string programPath() = 0;
};

}  // namespace bildheber
