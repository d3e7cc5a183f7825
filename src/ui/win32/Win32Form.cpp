#include "ui/win32/Win32Form.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "platform/WindowsText.h"
#include "ui/DockLayout.h"

namespace bildheber {

namespace {

constexpr const wchar_t* kPanelClass = L"BildheberPanel";
constexpr const wchar_t* kPreviewClass = L"BildheberPreview";
constexpr const wchar_t* kTextColour = L"BildheberTextColour";  // a label's colour + 1
constexpr UINT kFirstMenuCommand = 100;

std::wstring wide(std::string_view text) {
    return windows::wideFromUtf8(text);
}

COLORREF colourOf(const Rgb& rgb) {
    return RGB(rgb.red, rgb.green, rgb.blue);
}

struct BrushDeleter {
    void operator()(HBRUSH brush) const { DeleteObject(brush); }
};
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BrushDeleter>;

// How a panel looks; owned by the panel's window from its creation to its destruction.
struct PanelLook {
    OwnedBrush background;  // none: the dialog colour
    bool bevel = false;
    std::wstring caption;  // the drop panel's, drawn centred where nothing covers it
};

PanelLook* lookOf(HWND panel) {
    return reinterpret_cast<PanelLook*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
}

HBRUSH backgroundOf(HWND panel) {
    const PanelLook* look = lookOf(panel);
    return look != nullptr && look->background ? look->background.get()
                                               : GetSysColorBrush(COLOR_BTNFACE);
}

// The caption of a drop panel, centred on one line; "&&" shows one "&".
void drawCaption(HWND panel, HDC dc, RECT area) {
    const PanelLook* look = lookOf(panel);
    if (look == nullptr || look->caption.empty()) {
        return;
    }
    SetBkMode(dc, TRANSPARENT);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(panel, WM_GETFONT, 0, 0));
    const HGDIOBJ previous = SelectObject(dc, font);
    DrawTextW(dc, look->caption.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previous);
}

LRESULT CALLBACK panelProcedure(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(panel, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
            break;
        }
        case WM_NCDESTROY:
            delete lookOf(panel);
            SetWindowLongPtrW(panel, GWLP_USERDATA, 0);
            break;
        case WM_ERASEBKGND: {
            RECT area{};
            GetClientRect(panel, &area);
            const auto dc = reinterpret_cast<HDC>(wParam);
            FillRect(dc, &area, backgroundOf(panel));
            const PanelLook* look = lookOf(panel);
            if (look != nullptr && look->bevel) {
                DrawEdge(dc, &area, BDR_RAISEDINNER, BF_RECT);
            }
            drawCaption(panel, dc, area);
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            const auto child = reinterpret_cast<HWND>(lParam);
            if (const auto colour =
                    reinterpret_cast<std::uintptr_t>(GetPropW(child, kTextColour))) {
                SetTextColor(dc, static_cast<COLORREF>(colour - 1));
            }
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(backgroundOf(panel));
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DROPFILES:
            return SendMessageW(GetParent(panel), message, wParam, lParam);
        default:
            break;
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

PreviewContent* contentOf(HWND preview) {
    return reinterpret_cast<PreviewContent*>(GetWindowLongPtrW(preview, GWLP_USERDATA));
}

// Where no picture is shown the preview shows what lies under it: the drop panel and its caption.
LRESULT CALLBACK previewProcedure(HWND preview, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // all of it is drawn in WM_PAINT, without flicker
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(preview, &paint);
            RECT area{};
            GetClientRect(preview, &area);
            const HWND panel = GetParent(preview);
            FillRect(dc, &area, backgroundOf(panel));
            PreviewContent* content = contentOf(preview);
            if (content == nullptr || !content->paint(dc, area)) {
                drawCaption(panel, dc, area);
            }
            EndPaint(preview, &paint);
            return 0;
        }
        case WM_LBUTTONUP:
            if (PreviewContent* content = contentOf(preview)) {
                content->clicked();
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcW(preview, message, wParam, lParam);
}

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSEXW panel{};
        panel.cbSize = sizeof panel;
        panel.lpfnWndProc = panelProcedure;
        panel.hInstance = GetModuleHandleW(nullptr);
        panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        panel.lpszClassName = kPanelClass;
        RegisterClassExW(&panel);
        WNDCLASSEXW preview = panel;
        preview.lpfnWndProc = previewProcedure;
        preview.lpszClassName = kPreviewClass;
        RegisterClassExW(&preview);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                           ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        return true;
    }();
    (void)registered;
}

// Tahoma 8 pt, the form's font.
OwnedFont formFont() {
    const HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return OwnedFont(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

SIZE textExtent(HWND control, HFONT font, const std::wstring& text) {
    const HDC dc = GetDC(control);
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

// A label's text as Win32 static controls show it: no "&" marks an access key there.
std::wstring labelText(std::string_view text) {
    return wide(text);
}

int listFormat(Alignment alignment) {
    switch (alignment) {
        case Alignment::Left:
            return LVCFMT_LEFT;
        case Alignment::Centre:
            return LVCFMT_CENTER;
        case Alignment::Right:
            return LVCFMT_RIGHT;
    }
    return LVCFMT_LEFT;
}

DWORD labelStyle(Alignment alignment) {
    switch (alignment) {
        case Alignment::Left:
            return SS_LEFT;
        case Alignment::Centre:
            return SS_CENTER;
        case Alignment::Right:
            return SS_RIGHT;
    }
    return SS_LEFT;
}

}  // namespace

Win32Form::Win32Form(HWND window, const FormLayout& form) : window_(window), font_(formFont()) {
    registerClasses();
    SetWindowTextW(window, wide(form.caption).c_str());
    hints_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(hints_, TTM_SETDELAYTIME, TTDT_INITIAL, 500);
    SendMessageW(hints_, TTM_SETMAXTIPWIDTH, 0, 400);  // lines break where the text does
    createMenu(form.menu);
    containers_.emplace(std::string(form.name), Container{window, Insets{}, {}});
    containerOrder_.emplace_back(form.name);
    for (const Control& control : form.controls) {
        const auto parent = containers_.find(control.parent);
        if (parent == containers_.end()) {
            throw std::logic_error("A control whose parent comes later in the form.");
        }
        createControl(control, parent->second);
    }
    chainTabOrder();
    RECT size{0, 0, form.clientWidth, form.clientHeight};
    AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), TRUE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, size.right - size.left, size.bottom - size.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    layOut();
}

HWND Win32Form::control(std::string_view name) const {
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}

std::string_view Win32Form::menuCommand(UINT id) const {
    const auto found = menuCommands_.find(id);
    return found == menuCommands_.end() ? std::string_view() : std::string_view(found->second);
}

void Win32Form::createControl(const Control& control, Container& parent) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring text = wide(control.text);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD extended = 0;
    const wchar_t* windowClass = kPanelClass;
    void* creationData = nullptr;
    HWND owner = parent.window;
    Bounds bounds = control.bounds;
    if (control.tabPosition) {
        style |= WS_TABSTOP;
    }
    switch (control.kind) {
        case ControlKind::Panel:
        case ControlKind::DropPanel: {
            auto look = std::make_unique<PanelLook>();
            if (control.background) {
                look->background.reset(CreateSolidBrush(colourOf(*control.background)));
            }
            look->bevel = control.border == Border::RaisedBevel;
            if (control.kind == ControlKind::DropPanel) {
                look->caption = text;
            }
            creationData = look.release();  // the panel's window owns it from here
            // A group frame draws no background of its own: the panel paints under it too.
            if (control.kind == ControlKind::DropPanel) {
                style |= WS_CLIPCHILDREN;
            }
            extended |= WS_EX_CONTROLPARENT;
            break;
        }
        case ControlKind::Preview:
            windowClass = kPreviewClass;
            break;
        case ControlKind::Button:
            windowClass = WC_BUTTONW;
            style |= BS_PUSHBUTTON;
            break;
        case ControlKind::Label:
            windowClass = WC_STATICW;
            style |= labelStyle(control.alignment) | SS_NOPREFIX | SS_NOTIFY;
            break;
        case ControlKind::RadioGroup:
            windowClass = WC_BUTTONW;
            // A frame around its choices, which lie above it; it must not clip them away.
            style |= BS_GROUPBOX;
            style &= ~static_cast<DWORD>(WS_TABSTOP | WS_CLIPSIBLINGS);
            break;
        case ControlKind::RadioItem: {
            // The choices are the group's siblings, so that their clicks reach the window.
            windowClass = WC_BUTTONW;
            style |= BS_AUTORADIOBUTTON;
            if (radioItems_.empty()) {
                style |= WS_GROUP | WS_TABSTOP;
            }
            owner = GetParent(parent.window);
            break;
        }
        case ControlKind::QueueList:
            windowClass = WC_LISTVIEWW;
            style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
            extended |= WS_EX_CLIENTEDGE;
            break;
    }
    const HWND made = CreateWindowExW(extended, windowClass,
                                      control.kind == ControlKind::QueueList ? L"" : text.c_str(),
                                      style, bounds.left, bounds.top, bounds.width, bounds.height,
                                      owner, nullptr, instance, creationData);
    if (made == nullptr) {
        throw std::runtime_error("cannot create the control " + std::string(control.name));
    }
    SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (control.kind == ControlKind::QueueList) {
        ListView_SetExtendedListViewStyle(
            made, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    }
    if (control.kind == ControlKind::RadioItem) {
        radioItems_.push_back(made);
        if (control.checked) {
            SendMessageW(made, BM_SETCHECK, BST_CHECKED, 0);
        }
    }
    if (control.widthFromText != WidthFromText::No) {
        const int width =
            textExtent(made, font_.get(), labelText(control.text)).cx + control.extraWidth;
        const int left = control.widthFromText == WidthFromText::KeepRightEdge
                             ? bounds.left + bounds.width - width
                             : bounds.left;
        MoveWindow(made, left, bounds.top, width, bounds.height, FALSE);
    }
    if (control.textColour) {
        SetPropW(made, kTextColour,
                 reinterpret_cast<HANDLE>(
                     static_cast<std::uintptr_t>(colourOf(*control.textColour)) + 1));
    }
    if (control.italic) {
        // An italic form of the form's font, owned by the form like the font itself.
        LOGFONTW italic{};
        GetObjectW(font_.get(), sizeof italic, &italic);
        italic.lfItalic = TRUE;
        italicFonts_.emplace_back(CreateFontIndirectW(&italic));
        SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(italicFonts_.back().get()), FALSE);
    }
    EnableWindow(made, control.enabled);
    if (!control.hint.empty()) {
        setHint(made, control.hint);
    }
    if (control.tabPosition) {
        tabStops_.emplace_back(*control.tabPosition, made);
    }
    if (control.dock != Dock::None) {
        parent.docked.emplace_back(made, &control);
    }
    if (!control.name.empty()) {
        controls_.emplace(std::string(control.name), made);
        Insets padding = control.padding;
        if (control.border == Border::RaisedBevel) {  // docked children lie inside the bevel
            padding =
                Insets{padding.left + 1, padding.top + 1, padding.right + 1, padding.bottom + 1};
        }
        containers_.emplace(std::string(control.name), Container{made, padding, {}});
        containerOrder_.emplace_back(control.name);
    }
}

void Win32Form::createMenu(std::span<const MenuItem> menu) {
    const HMENU bar = CreateMenu();
    std::map<std::string_view, HMENU> menus;
    for (std::size_t i = 0; i < menu.size(); ++i) {
        const MenuItem& item = menu[i];
        const HMENU parent = item.parent.empty() ? bar : menus.at(item.parent);
        const bool opensMenu = std::any_of(menu.begin(), menu.end(), [&](const MenuItem& other) {
            return other.parent == item.name;
        });
        const UINT id = kFirstMenuCommand + static_cast<UINT>(i);
        if (opensMenu) {
            const HMENU opened = CreatePopupMenu();
            AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(opened),
                        wide(item.caption).c_str());
            menus.emplace(item.name, opened);
        } else {
            AppendMenuW(parent, MF_STRING, id, wide(item.caption).c_str());
        }
        menuCommands_.emplace(id, std::string(item.name));
    }
    SetMenu(window_, bar);  // the window destroys its menu with itself
}

void Win32Form::setHint(HWND control, std::string_view hint) {
    std::wstring text = wide(hint);
    for (std::size_t at = text.find(L"\n\r"); at != std::wstring::npos; at = text.find(L"\n\r")) {
        text.replace(at, 2, L"\r\n");  // a hint may break its line with LF CR: one line break
    }
    // Two tools with the same text: one for the pointer messages the control gets itself, one
    // for those its parent gets in the control's place, as it does while the control is disabled
    // or, for a group frame, always.
    TOOLINFOW own{};
    own.cbSize = sizeof own;
    own.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    own.hwnd = GetParent(control);
    own.uId = reinterpret_cast<UINT_PTR>(control);
    own.lpszText = text.data();
    TOOLINFOW inParent = own;
    inParent.uFlags = TTF_SUBCLASS;
    inParent.uId = reinterpret_cast<UINT_PTR>(control) + 1;  // any id unique in the parent
    GetWindowRect(control, &inParent.rect);
    MapWindowPoints(nullptr, inParent.hwnd, reinterpret_cast<POINT*>(&inParent.rect), 2);
    for (TOOLINFOW* tool : {&own, &inParent}) {
        SendMessageW(hints_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(tool));
        SendMessageW(hints_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(tool));
    }
}

// Tab walks the stops in the table's order: the system follows the controls' z-order.
void Win32Form::chainTabOrder() {
    std::sort(tabStops_.begin(), tabStops_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    HWND previous = HWND_TOP;
    for (const auto& [position, stop] : tabStops_) {
        SetWindowPos(stop, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = stop;
    }
    // Group frames lowest, so that the choices inside them are drawn over them.
    for (const auto& [name, control] : controls_) {
        wchar_t windowClass[16] = {};
        GetClassNameW(control, windowClass, 16);
        if (std::wstring_view(windowClass) == WC_BUTTONW &&
            (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) {
            SetWindowPos(control, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

void Win32Form::layOut() {
    for (const std::string& name : containerOrder_) {
        Container& container = containers_.at(name);
        if (container.docked.empty()) {
            continue;
        }
        RECT client{};
        GetClientRect(container.window, &client);
        Insets padding = container.padding;
        const bool group = std::any_of(
            container.docked.begin(), container.docked.end(),
            [](const auto& child) { return child.second->kind == ControlKind::RadioItem; });
        POINT offset{0, 0};
        if (group) {
            // The choices lie in the group's parent, below the group's title.
            padding.top += textExtent(container.window, font_.get(), L"Ag").cy;
            MapWindowPoints(container.window, GetParent(container.window), &offset, 1);
        }
        std::vector<DockedChild> children;
        for (const auto& [child, control] : container.docked) {
            children.push_back(DockedChild{control->dock, control->bounds.height});
        }
        const std::vector<Bounds> placed =
            dockedBounds(client.right, client.bottom, padding, children);
        for (std::size_t i = 0; i < placed.size(); ++i) {
            MoveWindow(container.docked[i].first, offset.x + placed[i].left,
                       offset.y + placed[i].top, placed[i].width, placed[i].height, TRUE);
        }
    }
}

void setPreviewContent(HWND preview, PreviewContent* content) {
    SetWindowLongPtrW(preview, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(content));
    InvalidateRect(preview, nullptr, TRUE);
}

void addListColumns(HWND list, std::span<const ListColumn> columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::wstring header = wide(columns[i].header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = listFormat(columns[i].alignment);
        column.cx = columns[i].width;
        column.pszText = header.data();
        ListView_InsertColumn(list, static_cast<int>(i), &column);
    }
}

}  // namespace bildheber
