#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "upload/Platform.h"

namespace bildheber::test {

// A recording desktop: clipboard, sound and shell calls are recorded, and the program path is
// whatever the test says.
class FakePlatform : public Platform {
  public:
    explicit FakePlatform(std::string programPath = "/opt/bildheber/Bildheber")
        : program(std::move(programPath)) {}

    std::string program;
    std::vector<std::string> clipboardTexts;  // every text set, in order
    bool clipboardLocked = false;             // setting or reading the clipboard fails
    std::optional<RgbRaster> clipboardBitmap;
    std::vector<std::string> sounds;  // "play <file>" or "beep"
    std::vector<std::string> opened;

    void setClipboardText(const std::string& text) override {
        if (clipboardLocked) {
            throw ClipboardError(
                "Zwischenablage Zugriff verweigert kann nicht ge\xC3\xB6"
                "ffnet werden");
        }
        clipboardTexts.push_back(text);
    }
    bool clipboardHasBitmap() override { return clipboardBitmap.has_value(); }
    RgbRaster readClipboardBitmap() override {
        if (clipboardLocked) {
            throw ClipboardError(
                "Zwischenablage Zugriff verweigert kann nicht ge\xC3\xB6"
                "ffnet werden");
        }
        return *clipboardBitmap;
    }
    void playSoundAsync(const std::string& file) override { sounds.push_back("play " + file); }
    void beep() override { sounds.push_back("beep"); }
    void openWithDefaultHandler(const std::string& target) override { opened.push_back(target); }
    std::string programPath() override { return program; }
};

}  // namespace bildheber::test
