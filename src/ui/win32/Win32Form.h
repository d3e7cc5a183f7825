#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ui/FormLayout.h"

namespace bildheber {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The form's controls as real Win32 controls, made from the form table: panels, push buttons,
// labels, the radio group, the report list, the drop panel and the preview, the menu, the hints.
// Panels hand their children's notifications (WM_COMMAND, WM_NOTIFY) on to the window.
class Win32Form {
  public:
    // Creates the controls in `window` (a top-level window of the caller's class, whose client
    // area gets the form's size).
    Win32Form(HWND window, const FormLayout& form);
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    HWND window() const { return window_; }
    // The control of that name; nullptr if the form has none.
    HWND control(std::string_view name) const;
    // The radio group's choices, in the table's order.
    const std::vector<HWND>& radioItems() const { return radioItems_; }
    // The menu item a WM_COMMAND identifier belongs to; empty for none.
    std::string_view menuCommand(UINT id) const;
    HWND hints() const { return hints_; }
    // Shows `hint` when the pointer rests on `control`, also while it is disabled.
    void setHint(HWND control, std::string_view hint);
    HFONT font() const { return font_.get(); }

    // Places the docked controls for the window's size now (after WM_SIZE).
    void layOut();

  private:
    struct Container {
        HWND window;
        Insets padding;
        std::vector<std::pair<HWND, const Control*>> docked;
    };
    void createControl(const Control& control, Container& parent);
    void createMenu(std::span<const MenuItem> menu);
    void chainTabOrder();

    HWND window_;
    OwnedFont font_;
    std::vector<OwnedFont> italicFonts_;
    HWND hints_ = nullptr;
    std::map<std::string, HWND, std::less<>> controls_;
    std::map<std::string, Container, std::less<>> containers_;
    std::vector<std::string> containerOrder_;  // parents before children, for the layout
    std::vector<HWND> radioItems_;
    std::map<UINT, std::string> menuCommands_;
    std::vector<std::pair<int, HWND>> tabStops_;
};

// What the preview shows and does; the window that owns the form provides it.
class PreviewContent {
  public:
    virtual ~PreviewContent() = default;
    // Draws the picture into the preview's `area`; false when there is none, and the drop panel
    // shows through.
    virtual bool paint(HDC dc, const RECT& area) = 0;
    virtual void clicked() = 0;
};
void setPreviewContent(HWND preview, PreviewContent* content);

// Adds the report list's columns from the table (header, width, alignment).
void addListColumns(HWND list, std::span<const ListColumn> columns);

}  // namespace bildheber
