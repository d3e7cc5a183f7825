#pragma once

#include <windows.h>

#include <string>

#include "upload/Platform.h"

namespace bildheber {

// The desktop the Windows window runs on: the clipboard (CF_BITMAP in, CF_UNICODETEXT out),
// PlaySoundW and MessageBeep, ShellExecuteW. `owner` is the window the clipboard is opened for.
class WindowsDesktop : public Platform {
  public:
    explicit WindowsDesktop(HWND owner = nullptr) : owner_(owner) {}
    void setOwner(HWND owner) { owner_ = owner; }

    void setClipboardText(const std::string& text) override;
    bool clipboardHasBitmap() override;
    RgbRaster readClipboardBitmap() override;
    void playSoundAsync(const std::string& file) override;
    void beep() override;
    void openWithDefaultHandler(const std::string& pathOrAddress) override;
    std::string programPath() override;

  private:
    HWND owner_;
};

}  // namespace bildheber
