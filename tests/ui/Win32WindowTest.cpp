// The Windows main window with a recording desktop and a stand-in uploader (under Wine in CI).

#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
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

using WindowTest = std::function<bool(HWND)>;

struct WindowSearch {
    const WindowTest& matches;
    HWND found = nullptr;
};

BOOL CALLBACK stopAtMatch(HWND candidate, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    if (!search->matches(candidate)) {
        return TRUE;
    }
    search->found = candidate;
    return FALSE;
}

// The first child window of `window` that `matches`; nullptr for none.
HWND childWhere(HWND window, const WindowTest& matches) {
    WindowSearch search{matches};
    EnumChildWindows(window, stopAtMatch, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring textOf(HWND window) {
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

HWND childOfClass(HWND window, const wchar_t* windowClass) {
    return childWhere(window, [&](HWND child) { return classOf(child) == windowClass; });
}

HWND childWithText(HWND window, const std::wstring& text) {
    return childWhere(window, [&](HWND child) { return textOf(child) == text; });
}

// The window's hint window: the tool-tip window it owns.
HWND hintWindowOf(HWND window) {
    const WindowTest ownedHints = [window](HWND candidate) {
        return classOf(candidate) == TOOLTIPS_CLASSW && GetWindow(candidate, GW_OWNER) == window;
    };
    WindowSearch search{ownedHints};
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), stopAtMatch,
                      reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The text the hint window shows now; empty when it is hidden.
std::wstring hintShown(HWND hints) {
    if (!IsWindowVisible(hints)) {
        return {};
    }
    std::wstring text(1024, L'\0');
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.lpszText = text.data();
    if (!SendMessageW(hints, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
        return {};
    }
    return text.c_str();
}

std::string page(const std::string& code) {
    return "<html><input id=\"codebbs\" value=\"" + code + "\"></html>";
}

class Win32WindowTest : public ::testing::Test {
  protected:
    Win32WindowTest() { form.show(SW_SHOWNOACTIVATE); }

    test::TempDir folder;
    // The program "installed" in the test's folder, so that its log lies there.
    test::FakePlatform platform{utf8PathOf(folder.path() / "bildheber.exe")};
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
    const HWND button = childWithText(form.window(), L"Hochladen");
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

// The pointer rests on a point of `control` for `rest`; the window handles its messages meanwhile.
void restPointerOn(win32::TForm1& form, HWND control, POINT inside,
                   std::chrono::milliseconds rest) {
    MapWindowPoints(control, nullptr, &inside, 1);
    SetCursorPos(inside.x, inside.y);
    const auto until = std::chrono::steady_clock::now() + rest;
    while (std::chrono::steady_clock::now() < until) {
        form.processPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Hints come after the pointer has rested for half a second, on disabled buttons too, and on
// the expiry group's frame and choices alike; they stay for ten seconds.
TEST_F(Win32WindowTest, HintsAppearAfterHalfASecondAlsoOnDisabledButtons) {
    form.FormCreate({});
    const HWND removeOne = childWithText(form.window(), L"Bild entfernen");
    const HWND group = childWithText(form.window(), L"Verfallsdatum");
    const HWND firstChoice = childWithText(form.window(), L"Nie");
    ASSERT_NE(removeOne, nullptr);
    ASSERT_NE(group, nullptr);
    ASSERT_NE(firstChoice, nullptr);
    ASSERT_FALSE(IsWindowEnabled(removeOne));
    const HWND hints = hintWindowOf(form.window());
    ASSERT_NE(hints, nullptr);
    const std::wstring expiryHint = L"Deine Daten geh\u00F6ren Dir.\r\nWenn Du nicht willst";

    restPointerOn(form, removeOne, POINT{20, 10}, std::chrono::milliseconds(200));
    EXPECT_EQ(hintShown(hints), L"") << "not before half a second";
    restPointerOn(form, removeOne, POINT{21, 10}, std::chrono::milliseconds(900));
    EXPECT_EQ(hintShown(hints),
              L"Bild aus der Liste der hochzuladenden Dateien l\u00F6schen (nicht auf dem Server)");
    restPointerOn(form, group, POINT{60, 5}, std::chrono::milliseconds(900));
    EXPECT_EQ(hintShown(hints).find(expiryHint), 0u);
    restPointerOn(form, firstChoice, POINT{30, 5}, std::chrono::milliseconds(900));
    EXPECT_EQ(hintShown(hints).find(expiryHint), 0u);

    EXPECT_EQ(SendMessageW(hints, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 500);
    EXPECT_EQ(SendMessageW(hints, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 10000);
}

// An upload that takes a while on the worker thread: meanwhile the window repaints and answers
// other threads, and a drop waits until the picture has been sent.
TEST(Win32WindowExchangeTest, TheWindowPaintsDuringAnExchangeAndADropMadeThenWaits) {
    test::TempDir folder;
    test::FakePlatform platform{utf8PathOf(folder.path() / "bildheber.exe")};
    const auto queued = folder.path() / "a.jpg";
    const auto late = folder.path() / "b.jpg";
    test::writeJpegFile(queued);
    test::writeJpegFile(late);
    HWND list = nullptr;
    HWND dropPanel = nullptr;
    std::atomic<bool> repainted = false;
    std::atomic<int> rowsWhileSending = -1;
    win32::TForm1 form(platform, [&](std::string_view, std::string_view, ExpiryChoice) {
        // On the worker thread: only window calls, which Windows hands to the window's thread.
        InvalidateRect(list, nullptr, TRUE);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (GetUpdateRect(list, nullptr, FALSE) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        repainted = !GetUpdateRect(list, nullptr, FALSE);
        PostMessageW(dropPanel, WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf({late})), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        DWORD_PTR rows = 0;  // asked across threads: answered only by a window that keeps going
        if (SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 2000, &rows)) {
            rowsWhileSending = static_cast<int>(rows);
        }
        return page("[URL=https://x/1][IMG]https://x/i.jpg[/IMG][/URL]");
    });
    form.show(SW_SHOWNOACTIVATE);
    list = childOfClass(form.window(), WC_LISTVIEWW);
    const HWND controlPanel = FindWindowExW(form.window(), nullptr, L"BildheberPanel", nullptr);
    dropPanel = FindWindowExW(form.window(), controlPanel, L"BildheberPanel", nullptr);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(dropPanel, nullptr);
    form.FormCreate({utf8PathOf(queued)});
    form.processPendingEvents();

    form.job().ButtonsendClick();

    EXPECT_TRUE(repainted) << "the window must paint while a picture is sent";
    EXPECT_EQ(rowsWhileSending, 1) << "the drop must wait while the picture is sent";
    form.processPendingEvents();  // the message loop after the run
    ASSERT_EQ(form.job().queue().size(), 2u);
    EXPECT_EQ(form.job().queue()[0].status, entry_status::kDone);
    EXPECT_EQ(form.job().queue()[1].path, utf8PathOf(late));
    EXPECT_EQ(form.job().queue()[1].status, "-");  // not part of the run that was going on
}

}  // namespace
}  // namespace bildheber
