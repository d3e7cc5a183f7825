#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/RgbRaster.h"

namespace bildheber {

// The clipboard could not be opened or written; the text is what the user is shown.
class ClipboardError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the job needs from the operating system beyond plain file I/O. The window's build
// provides the desktop parts (clipboard, sound, shell); tests provide fakes.
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
    // True for an existing file (not a folder); a bare name is looked up in the current folder.
    virtual bool fileExists(const std::string& name) = 0;
    // Names (without folder) of every entry of the folder; empty when it cannot be listed.
    virtual std::vector<std::string> listFolder(const std::string& folder) = 0;
    // Deletes one file; false when that failed.
    virtual bool deleteFile(const std::string& path) = 0;
};

// The file and process parts for POSIX systems; the desktop parts are left to a subclass.
class PosixSystem : public Platform {
  public:
    std::string programPath() override;
    bool fileExists(const std::string& name) override;
    std::vector<std::string> listFolder(const std::string& folder) override;
    bool deleteFile(const std::string& path) override;
};

}  // namespace bildheber
