// The Windows desktop against the real clipboard (under Wine in CI).

#include "ui/win32/WindowsDesktop.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace bildheber {
namespace {

std::wstring clipboardText() {
    if (!OpenClipboard(nullptr)) {
        return L"<clipboard not open>";
    }
    std::wstring text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Puts a bitmap of the given pixels (red, green, blue each) on the clipboard, as a paint
// program copies a picture.
void putBitmap(int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        bgrx[i * 4] = rgb[i * 3 + 2];
        bgrx[i * 4 + 1] = rgb[i * 3 + 1];
        bgrx[i * 4 + 2] = rgb[i * 3];
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const HDC screen = GetDC(nullptr);
    const HBITMAP bitmap =
        CreateDIBitmap(screen, &format.bmiHeader, CBM_INIT, bgrx.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);  // the clipboard owns it now
    CloseClipboard();
}

TEST(WindowsDesktop, PutsTheCodesOnTheClipboardAsUnicodeText) {
    WindowsDesktop desktop;
    const std::string codes =
        "[URL=https://x/1][IMG]https://x/1.jpg[/IMG][/URL]\r\n"
        "[URL=https://x/\xC3\x9C][IMG]https://x/2.jpg[/IMG][/URL]\r\n";
    desktop.setClipboardText(codes);
    EXPECT_EQ(clipboardText(),
              L"[URL=https://x/1][IMG]https://x/1.jpg[/IMG][/URL]\r\n"
              L"[URL=https://x/\u00DC][IMG]https://x/2.jpg[/IMG][/URL]\r\n");
    EXPECT_FALSE(desktop.clipboardHasBitmap());

    desktop.setClipboardText("");  // the copy-again command with nothing collected
    EXPECT_EQ(clipboardText(), L"");
}

TEST(WindowsDesktop, ReadsABitmapFromTheClipboardTopRowFirst) {
    WindowsDesktop desktop;
    const std::vector<std::uint8_t> pixels = {255, 0,  0,  0,   255, 0,  0,   0,   255,  //
                                              10,  20, 30, 200, 100, 50, 255, 255, 255};
    putBitmap(3, 2, pixels);
    ASSERT_TRUE(desktop.clipboardHasBitmap());
    const RgbRaster picture = desktop.readClipboardBitmap();
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_EQ(picture.pixels, pixels);
}

}  // namespace
}  // namespace bildheber
