// The Windows main window with a recording desktop and a stand-in uploader (under Wine in CI).

#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"

namespace bildheber {
namespace {

std::string utf8PathOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// A drop as the shell hands it to a window: a DROPFILES block with the wide paths after it.
HDROP dropOf(const std::vector<std::filesystem::path>& files) {
    std::wstring names;
    for (const auto& file : files) {
        names += file.wstring() + L'\0';
    }
    names += L'\0';
    const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::string page(const std::string& code) {
    return "<html><input id=\"codebbs\" value=\"" + code + "\"></html>";
}

class Win32WindowTest : public ::testing::Test {
  protected:
    Win32WindowTest() { form.show(SW_SHOWNOACTIVATE); }

    // The program "installed" in the test's folder, so that its log lies there.
    static test::FakePlatform installedIn(const test::TempDir& programFolder) {
        test::FakePlatform installed;
        installed.program = utf8PathOf(programFolder.path() / "bildheber.exe");
        return installed;
    }

    test::TempDir folder;
    test::FakePlatform platform = installedIn(folder);
    std::vector<std::string> sent;  // the paths the uploader was given, in order
    win32::TForm1 form{platform, [this](std::string_view path, std::string_view, ExpiryChoice) {
                           sent.emplace_back(path);
                           return page("[URL=https://x/" + std::to_string(sent.size()) +
                                       "][IMG]https://x/i.jpg[/IMG][/URL]");
                       }};
};

TEST_F(Win32WindowTest, ADropOnThePicturePanelQueuesTheFilesInOrder) {
    const auto first = folder.path() / "b.jpg";
    const auto second = folder.path() / "\u03A9mega.jpg";
    test::writeJpegFile(first);
    test::writeJpegFile(second);
    form.FormCreate({});

    const HWND panel = FindWindowExW(form.window(), nullptr, L"BildheberPanel", nullptr);
    ASSERT_NE(panel, nullptr);  // the control panel; the drop panel comes after it
    const HWND dropPanel = FindWindowExW(form.window(), panel, L"BildheberPanel", nullptr);
    ASSERT_NE(dropPanel, nullptr);
    PostMessageW(dropPanel, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf({first, second})), 0);
    form.processPendingEvents();

    ASSERT_EQ(form.job().queue().size(), 2u);
    EXPECT_EQ(form.job().queue()[0].path, utf8PathOf(first));
    EXPECT_EQ(form.job().queue()[1].path, utf8PathOf(second));
    EXPECT_EQ(form.expiryChoice(), ExpiryChoice::Never);
}

TEST_F(Win32WindowTest, AClickOnHochladenUploadsTheQueueAndPutsTheCodesOnTheClipboard) {
    const auto photo = folder.path() / "a.jpg";
    test::writeJpegFile(photo, 2048, 1536);
    form.FormCreate({utf8PathOf(photo), utf8PathOf(photo)});
    // The button is found by its text, as a user finds it.
    HWND button = nullptr;
    EnumChildWindows(
        form.window(),
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t text[32] = {};
            GetWindowTextW(child, text, 32);
            if (std::wstring(text) == L"Hochladen") {
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&button));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(IsWindowEnabled(button));
    SendMessageW(button, BM_CLICK, 0, 0);

    EXPECT_EQ(sent, (std::vector<std::string>{utf8PathOf(photo), utf8PathOf(photo)}));
    ASSERT_EQ(platform.clipboardTexts.size(), 1u);
    EXPECT_EQ(platform.clipboardTexts[0],
              "[URL=https://x/1][IMG]https://x/i.jpg[/IMG][/URL]\r\n"
              "[URL=https://x/2][IMG]https://x/i.jpg[/IMG][/URL]\r\n");
    EXPECT_EQ(form.job().queue()[1].status, entry_status::kDone);
}

}  // namespace
}  // namespace bildheber
