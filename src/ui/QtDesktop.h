#pragma once

#include <memory>

#include "upload/Platform.h"

namespace bildheber {

// The desktop parts of the platform for a Qt application on Linux: the system clipboard, event
// sounds through libcanberra (made for short asynchronous sounds, without a media stack), the
// desktop's bell, and the desktop's default handlers for files and web addresses.
class QtDesktop : public Platform {
  public:
    QtDesktop();
    ~QtDesktop() override;

    void setClipboardText(const std::string& text) override;
    bool clipboardHasBitmap() override;
    RgbRaster readClipboardBitmap() override;
    void playSoundAsync(const std::string& file) override;
    void beep() override;
    void openWithDefaultHandler(const std::string& pathOrAddress) override;
    std::string programPath() override;

  private:
    struct Sound;
    std::unique_ptr<Sound> sound_;
};

}  // namespace bildheber
