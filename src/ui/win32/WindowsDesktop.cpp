#include "ui/win32/WindowsDesktop.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/SystemFiles.h"
#include "platform/WindowsText.h"

namespace bildheber {

namespace {

[[noreturn]] void failToOpenClipboard(DWORD error) {
    throw ClipboardError("Zwischenablage " + windows::systemMessage(error) +
                         " kann nicht ge\xC3\xB6"
                         "ffnet werden");
}

// The clipboard, open for the life of the object. Another program may hold it for a moment, so
// opening is tried a few times before the failure is reported.
class OpenClipboardScope {
  public:
    explicit OpenClipboardScope(HWND owner) {
        for (int attempt = 0; attempt < 10; ++attempt) {
            if (OpenClipboard(owner)) {
                return;
            }
            Sleep(20);
        }
        failToOpenClipboard(GetLastError());
    }
    ~OpenClipboardScope() { CloseClipboard(); }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

struct GlobalFreer {
    void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};
using GlobalMemory = std::unique_ptr<void, GlobalFreer>;

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
};

}  // namespace

void WindowsDesktop::setClipboardText(const std::string& text) {
    const std::wstring wide = windows::wideFromUtf8(text);  // the codes' CR LF stay as they are
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) {
        failToOpenClipboard(GetLastError());
    }
    std::memcpy(GlobalLock(memory.get()), wide.c_str(), bytes);
    GlobalUnlock(memory.get());
    const OpenClipboardScope open(owner_);
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory.get()) == nullptr) {
        failToOpenClipboard(GetLastError());
    }
    static_cast<void>(memory.release());  // the clipboard owns it now
}

bool WindowsDesktop::clipboardHasBitmap() {
    return IsClipboardFormatAvailable(CF_BITMAP) != 0;
}

RgbRaster WindowsDesktop::readClipboardBitmap() {
    const OpenClipboardScope open(owner_);
    const auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP facts{};
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof facts, &facts) == 0) {
        failToOpenClipboard(GetLastError());
    }
    const int width = facts.bmWidth;
    const int height = facts.bmHeight < 0 ? -facts.bmHeight : facts.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * height * 4);
    const ScreenDc screen;
    if (GetDIBits(screen.dc, bitmap, 0, static_cast<UINT>(height), bgrx.data(), &format,
                  DIB_RGB_COLORS) == 0) {
        failToOpenClipboard(GetLastError());
    }
    RgbRaster raster(width, height);
    for (std::size_t pixel = 0; pixel < static_cast<std::size_t>(width) * height; ++pixel) {
        raster.pixels[pixel * 3] = bgrx[pixel * 4 + 2];  // alpha, if any, is dropped
        raster.pixels[pixel * 3 + 1] = bgrx[pixel * 4 + 1];
        raster.pixels[pixel * 3 + 2] = bgrx[pixel * 4];
    }
    return raster;
}

void WindowsDesktop::playSoundAsync(const std::string& file) {
    PlaySoundW(windows::wideFromUtf8(file).c_str(), nullptr, SND_ASYNC | SND_FILENAME);
}

void WindowsDesktop::beep() {
    MessageBeep(0);
}

void WindowsDesktop::openWithDefaultHandler(const std::string& pathOrAddress) {
    ShellExecuteW(owner_, L"open", windows::wideFromUtf8(pathOrAddress).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

std::string WindowsDesktop::programPath() {
    return programFilePath();
}

}  // namespace bildheber
