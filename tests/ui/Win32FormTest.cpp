// The Windows form built from the form table, as real Win32 controls (under Wine in CI).

#include "ui/win32/Win32Form.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

namespace bildheber {
namespace {

LRESULT CALLBACK plainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level window of a class of the test's own, destroyed with the fixture.
class Win32FormTest : public ::testing::Test {
  protected:
    Win32FormTest() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = plainWindow;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Win32FormTest";
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(0, L"Win32FormTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Win32FormTest() override { DestroyWindow(window); }

    // A control's place in its parent's client area.
    static RECT placeOf(HWND control) {
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }
    static std::wstring textOf(HWND control) {
        wchar_t text[256] = {};
        GetWindowTextW(control, text, 256);
        return text;
    }
    static std::wstring classOf(HWND control) {
        wchar_t name[64] = {};
        GetClassNameW(control, name, 64);
        return name;
    }

    HWND window = nullptr;
};

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(Win32FormTest, MakesTheTablesControlsAsRealWin32Controls) {
    ASSERT_NE(window, nullptr);
    const Win32Form form(window, kMainForm);
    EXPECT_EQ(textOf(window), L"Bildheber");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 802);
    EXPECT_EQ(client.bottom, 851);

    struct Case {
        const char* name;
        const wchar_t* windowClass;
        const wchar_t* text;
        RECT place;
    } cases[] = {
        {"Panel2", L"BildheberPanel", L"", {0, 0, 802, 249}},
        {"Buttonsend", L"Button", L"Hochladen", {7, 18, 145, 59}},
        {"ButtonDeleteSingle", L"Button", L"Bild entfernen", {9, 163, 147, 191}},
        {"RadioGroupVerfall", L"Button", L"Verfallsdatum", {9, 84, 146, 157}},
        {"Label1", L"Static", L"Label1", {168, 31, 4168, 44}},
        {"ListView1", L"SysListView32", L"", {168, 59, 777, 225}},
        {"Panel1",
         L"BildheberPanel",
         L"JPEG hier per Drag && Drop abwerfen oder durch anklicken aus der Zwischenablage "
         L"kopieren...",
         {0, 249, 802, 851}},
        {"Image1", L"BildheberPreview", L"", {1, 1, 801, 601}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const HWND control = form.control(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(classOf(control), c.windowClass);
        EXPECT_EQ(textOf(control), c.text);
        EXPECT_TRUE(placeOf(control) == c.place);
    }
    EXPECT_FALSE(IsWindowEnabled(form.control("Buttonsend")));
    // Measured in the form's font: the version label ends where the list does.
    EXPECT_EQ(placeOf(form.control("LabelHomepage")).right, 777);
    EXPECT_GT(placeOf(form.control("Label4")).right, 9);

    ASSERT_EQ(form.radioItems().size(), 3u);
    EXPECT_EQ(textOf(form.radioItems()[0]), L"Nie");
    EXPECT_EQ(SendMessageW(form.radioItems()[0], BM_GETCHECK, 0, 0), BST_CHECKED);
    const RECT group = placeOf(form.control("RadioGroupVerfall"));
    for (const HWND item : form.radioItems()) {
        const RECT place = placeOf(item);
        EXPECT_TRUE(place.left > group.left && place.right < group.right && place.top > group.top &&
                    place.bottom <= group.bottom);
    }
}

TEST_F(Win32FormTest, TheListIsAReportWithGridLinesAndTheTablesColumns) {
    const Win32Form form(window, kMainForm);
    const HWND list = form.control("ListView1");
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    const DWORD extended = ListView_GetExtendedListViewStyle(list);
    EXPECT_EQ(extended & (LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP),
              static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP));
    addListColumns(list, kMainForm.listColumns);
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 6);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 300);
    EXPECT_EQ(ListView_GetColumnWidth(list, 5), 0);  // the forum code column starts closed
}

TEST_F(Win32FormTest, HasTheMenuAndTabGoesInTheTablesOrder) {
    const Win32Form form(window, kMainForm);
    const HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 3);
    wchar_t caption[64] = {};
    GetMenuStringW(bar, 0, caption, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(caption), L"Dateibrowser");
    EXPECT_EQ(form.menuCommand(GetMenuItemID(bar, 0)), "Dateiladen1");
    EXPECT_EQ(form.menuCommand(GetMenuItemID(GetSubMenu(bar, 2), 0)),
              "NochmalinZwischenablagekopieren1");

    for (const char* button : {"Buttonsend", "ButtonClearList", "ButtonDeleteSingle"}) {
        EnableWindow(form.control(button), TRUE);
    }
    const HWND order[] = {form.control("Buttonsend"), form.control("ButtonClearList"),
                          form.control("ButtonDeleteSingle"), form.control("ListView1"),
                          form.radioItems()[0]};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        EXPECT_EQ(GetNextDlgTabItem(window, order[i], FALSE), order[i + 1]) << i;
    }
}

TEST_F(Win32FormTest, TheControlPanelKeepsItsHeightWhenTheWindowIsLow) {
    Win32Form form(window, kMainForm);
    RECT frame{0, 0, 600, 200};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    form.layOut();
    EXPECT_TRUE(placeOf(form.control("Panel2")) == (RECT{0, 0, 600, 249}));
    const RECT dropPanel = placeOf(form.control("Panel1"));
    EXPECT_EQ(dropPanel.bottom - dropPanel.top, 0);
}

}  // namespace
}  // namespace bildheber
