#pragma once

#include <iostream>
#include <string>

#include "imaging/JpegCodec.h"
#include "platform/SystemFiles.h"
#include "upload/Platform.h"
#include "upload/WindowOperations.h"

namespace bildheber {

// The window operations for a terminal: status lines and notices go to standard error, the
// expiry comes from the command line, and there is nothing to draw.
class ConsoleWindow : public WindowOperations {
  public:
    explicit ConsoleWindow(ExpiryChoice expiry) : expiry_(expiry) {}

    void initListView() override {}
    void setExpiryHint(const std::string&) override {}
    void setHintHidePause(int) override {}
    void acceptDrops(bool) override {}

    void setStatusText(const std::string& text) override {
        if (text != lastStatus_) {
            std::cerr << text << '\n';
            lastStatus_ = text;
        }
    }
    void setLogLabelText(const std::string& text) override {
        if (text == "Logfile: I/O-Fehler") {
            std::cerr << "Bildheber: " << text << '\n';
        }
    }
    void showEntry(std::size_t, const UploadEntry&) override {}
    void removeRow(std::size_t) override {}
    void removeAllRows() override {}
    std::optional<std::size_t> selectedRow() override { return std::nullopt; }
    void selectRow(std::optional<std::size_t>) override {}
    void setButtonEnabled(Button, bool) override {}
    ExpiryChoice expiryChoice() override { return expiry_; }
    void processPendingEvents() override {}
    void showNotice(const std::string& text) override {
        std::cerr << "Bildheber: " << text << '\n';
    }
    void showError(const std::string& text) override { std::cerr << "Bildheber: " << text << '\n'; }
    // Large enough that the preview's stretching, which nobody sees here, does not matter.
    PictureSize clientSize() override { return PictureSize{802, 851}; }
    PictureSize loadPreview(const std::string& path) override {
        const JpegHeader header = readJpegHeader(readFileBytes(path));
        return PictureSize{header.width, header.height};
    }
    void setPreviewStretch(bool) override {}
    void setPreviewPicture(const RgbRaster&) override {}
    void clearPreview() override {}

  private:
    ExpiryChoice expiry_;
    std::string lastStatus_;
};

// No desktop: nothing is put on the clipboard (the codes go to standard output instead), and
// there is no sound and no clipboard picture.
class ConsolePlatform : public Platform {
  public:
    void setClipboardText(const std::string&) override {}
    bool clipboardHasBitmap() override { return false; }
    RgbRaster readClipboardBitmap() override { return RgbRaster(); }
    void playSoundAsync(const std::string&) override {}
    void beep() override {}
    void openWithDefaultHandler(const std::string&) override {}
    std::string programPath() override { return programFilePath(); }
};

}  // namespace bildheber
