#include "ui/win32/Win32MainWindow.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <stdexcept>
#include <utility>

#include "imaging/JpegCodec.h"
#include "imaging/ScaledDecode.h"
#include "platform/Paths.h"
#include "platform/SystemFiles.h"
#include "platform/WindowsText.h"
#include "ui/GuardedHandler.h"
#include "ui/PreviewPlacement.h"

namespace bildheber::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"BildheberTForm1";
constexpr const char* kHomepage = "https://korvan.example/bildheber/";
// Asks the window to run the oldest of its posted tasks.
constexpr UINT kRunPostedTask = WM_APP + 1;

// Hands a message to its window; Tab and the arrow keys move between the controls first.
void dispatch(MSG& message) {
    const HWND top = GetAncestor(message.hwnd, GA_ROOT);
    if (top == nullptr || !IsDialogMessageW(top, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::wstring wide(std::string_view text) {
    return windows::wideFromUtf8(text);
}

void registerWindowClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    if (!registered) {
        throw std::runtime_error("cannot register the window class");
    }
}

// The open dialog's filter as Windows spells it: "name\0pattern;pattern\0\0".
std::wstring fileFilter(const OpenDialog& dialog) {
    std::wstring filter = wide(dialog.filterName) + L'\0';
    for (std::size_t i = 0; i < dialog.patterns.size(); ++i) {
        filter += (i > 0 ? L";" : L"") + wide(dialog.patterns[i]);
    }
    return filter + L'\0' + L'\0';
}

// The files an open dialog with several files chosen returns: the folder, then the names, each
// ended by NUL; a single file comes as its full path.
std::vector<std::string> chosenFiles(const std::wstring& buffer) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0; start < buffer.size() && buffer[start] != L'\0';) {
        const std::size_t end = buffer.find(L'\0', start);
        parts.push_back(buffer.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> files;
    if (parts.size() == 1) {
        files.push_back(windows::utf8FromWide(parts[0]));
    }
    for (std::size_t i = 1; i < parts.size(); ++i) {
        files.push_back(joinPath(windows::utf8FromWide(parts[0]), windows::utf8FromWide(parts[i])));
    }
    return files;
}

}  // namespace

TForm1::TForm1(Platform& platform, Uploader uploader)
    : platform_(platform), exchange_(std::move(uploader)) {
    registerWindowClass(&TForm1::procedure);
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) {
        throw std::runtime_error("cannot create the window");
    }
    form_ = std::make_unique<Win32Form>(window_, kMainForm);
    setPreviewContent(form_->control("Image1"), this);
    job_ = std::make_unique<UploadJob>(*this, platform, exchange_.uploader());
    exchange_.handDropsTo(*this, [this](const std::vector<std::string>& paths) {
        guarded([&] { job_->handleDroppedFiles(paths); });
    });
}

TForm1::~TForm1() {
    if (window_ != nullptr && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

template <typename Handler>
void TForm1::guarded(Handler handler) {
    runGuarded(*this, handler);
}

void TForm1::FormCreate(const std::vector<std::string>& arguments) {
    guarded([&] { job_->FormCreate(arguments); });
}

void TForm1::show(int how) {
    ShowWindow(window_, how);
    UpdateWindow(window_);
}

int TForm1::runMessageLoop() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        dispatch(message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK TForm1::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr || form->form_ == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->handle(message, wParam, lParam);
}

LRESULT TForm1::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* note = reinterpret_cast<const NMHDR*>(lParam);
            if (note->hwndFrom == form_->control("ListView1") && note->code == NM_CLICK) {
                guarded([&] { job_->ListView1Click(); });
            }
            return 0;
        }
        case WM_DROPFILES:
            dropped(reinterpret_cast<HDROP>(wParam));
            return 0;
        case kRunPostedTask:
            runPostedTask();
            return 0;
        case WM_SIZE:
            form_->layOut();
            return 0;
        case WM_CLOSE:
            close();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void TForm1::command(HWND from, UINT id, UINT code) {
    if (from == nullptr) {  // the menu
        const std::string_view item = form_->menuCommand(id);
        if (item == "Dateiladen1") {
            guarded([&] { Dateiladen1Click(); });
        } else if (item == "Logfile1") {
            guarded([&] { job_->LabelLogfileClick(); });
        } else if (item == "NochmalinZwischenablagekopieren1") {
            guarded([&] { job_->NochmalinZwischenablagekopieren1Click(); });
        }
        return;
    }
    if (code != BN_CLICKED) {  // STN_CLICKED of a label is the same code
        return;
    }
    if (from == form_->control("Buttonsend")) {
        guarded([&] { job_->ButtonsendClick(); });
    } else if (from == form_->control("ButtonDeleteSingle")) {
        guarded([&] { job_->ButtonDeleteSingleClick(); });
    } else if (from == form_->control("ButtonClearList")) {
        guarded([&] { job_->ButtonClearListClick(); });
    } else if (from == form_->control("LabelLogfile")) {
        guarded([&] { job_->LabelLogfileClick(); });
    } else if (from == form_->control("LabelHomepage")) {
        guarded([&] { platform_.openWithDefaultHandler(kHomepage); });
    }
}

void TForm1::dropped(HDROP drop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size()));
        path.resize(path.size() - 1);
        paths.push_back(windows::utf8FromWide(path));
    }
    DragFinish(drop);
    exchange_.deliverDrop(paths);
}

void TForm1::close() {
    // During a run this comes at one of its event points: the close steps run now, the run goes
    // on, and the program ends once the run has returned to the message loop.
    if (!closed_) {
        closed_ = true;
        guarded([&] { job_->FormClose(); });
    }
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

void TForm1::Dateiladen1Click() {
    const OpenDialog& dialog = kMainForm.openDialog;
    const std::wstring filter = fileFilter(dialog);
    const std::wstring title = wide(dialog.title);
    std::wstring buffer(32768, L'\0');
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = window_;
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = buffer.data();
    open.nMaxFile = static_cast<DWORD>(buffer.size());
    open.lpstrTitle = title.c_str();
    open.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    const std::vector<std::string> chosen =
        GetOpenFileNameW(&open) ? chosenFiles(buffer) : std::vector<std::string>{};
    job_->Dateiladen1Click(chosen);
}

// WindowOperations

void TForm1::initListView() {
    addListColumns(form_->control("ListView1"), kMainForm.listColumns);
}

void TForm1::setExpiryHint(const std::string& hint) {
    // The group's frame and each of its choices, which lie over the frame.
    form_->setHint(form_->control("RadioGroupVerfall"), hint);
    for (const HWND choice : form_->radioItems()) {
        form_->setHint(choice, hint);
    }
}

void TForm1::setHintHidePause(int milliseconds) {
    SendMessageW(form_->hints(), TTM_SETDELAYTIME, TTDT_AUTOPOP, milliseconds);
}

void TForm1::acceptDrops(bool accept) {
    DragAcceptFiles(form_->control("Panel1"), accept);
}

void TForm1::setStatusText(const std::string& status) {
    SetWindowTextW(form_->control("Label1"), wide(status).c_str());
}

void TForm1::setLogLabelText(const std::string& logLabel) {
    SetWindowTextW(form_->control("LabelLogfile"), wide(logLabel).c_str());
}

void TForm1::showEntry(std::size_t row, const UploadEntry& entry) {
    const HWND list = form_->control("ListView1");
    const int r = static_cast<int>(row);
    const std::string* fields[] = {&entry.path,      &entry.sizeText, &entry.pixelText,
                                   &entry.scaleText, &entry.status,   &entry.forumCode};
    std::wstring first = wide(*fields[0]);
    if (r >= ListView_GetItemCount(list)) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = first.data();
        ListView_InsertItem(list, &item);
    }
    for (int c = 0; c < static_cast<int>(std::size(fields)); ++c) {
        std::wstring text = wide(*fields[c]);
        ListView_SetItemText(list, r, c, text.data());
    }
}

void TForm1::removeRow(std::size_t row) {
    ListView_DeleteItem(form_->control("ListView1"), static_cast<int>(row));
    selectRow(std::nullopt);
}

void TForm1::removeAllRows() {
    ListView_DeleteAllItems(form_->control("ListView1"));
}

std::optional<std::size_t> TForm1::selectedRow() {
    const int row = ListView_GetNextItem(form_->control("ListView1"), -1, LVNI_SELECTED);
    return row < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(row));
}

void TForm1::selectRow(std::optional<std::size_t> row) {
    // Select without focusing: the list does not scroll to the row.
    const HWND list = form_->control("ListView1");
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    if (row) {
        ListView_SetItemState(list, static_cast<int>(*row), LVIS_SELECTED, LVIS_SELECTED);
    }
}

void TForm1::setButtonEnabled(Button which, bool enabled) {
    const char* names[] = {"Buttonsend", "ButtonClearList", "ButtonDeleteSingle"};
    EnableWindow(form_->control(names[static_cast<int>(which)]), enabled);
}

ExpiryChoice TForm1::expiryChoice() {
    const std::vector<HWND>& items = form_->radioItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SendMessageW(items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return static_cast<ExpiryChoice>(i);
        }
    }
    return ExpiryChoice::Never;
}

void TForm1::processPendingEvents() {
    dispatchPending(0);  // everything
}

void TForm1::processAllButUserInput() {
    dispatchPending(PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
}

void TForm1::post(std::function<void()> task) {
    postedTasks_.push_back(std::move(task));
    PostMessageW(window_, kRunPostedTask, 0, 0);
}

void TForm1::runPostedTask() {
    if (postedTasks_.empty()) {
        return;
    }
    std::function<void()> task = std::move(postedTasks_.front());
    postedTasks_.pop_front();
    task();
}

void TForm1::dispatchPending(UINT filter) {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | filter)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that ends it
            return;
        }
        dispatch(message);
    }
}

void TForm1::showNotice(const std::string& notice) {
    MessageBoxW(window_, wide(notice).c_str(), L"Bildheber", MB_OK);
}

void TForm1::showError(const std::string& error) {
    MessageBoxW(window_, wide(error).c_str(), L"Bildheber", MB_OK | MB_ICONERROR);
}

PictureSize TForm1::clientSize() {
    RECT client{};
    GetClientRect(window_, &client);
    return PictureSize{client.right, client.bottom};
}

PictureSize TForm1::loadPreview(const std::string& path) {
    const std::string bytes = readFileBytes(path);
    const JpegHeader header = readJpegHeader(bytes);  // throws: the preview keeps its picture
    RgbRaster picture;
    try {
        picture = decodeScaled(bytes, [](const JpegHeader& facts) {
                      const PreviewSize size = previewDecodeSize(facts.width, facts.height);
                      return UploadSize{size.width, size.height};
                  }).raster;
    } catch (const std::exception&) {
        // A picture whose data cannot be decoded shows nothing.
    }
    preview_ = std::move(picture);
    previewWidth_ = header.width;
    previewHeight_ = header.height;
    InvalidateRect(form_->control("Image1"), nullptr, TRUE);
    return PictureSize{header.width, header.height};
}

void TForm1::setPreviewStretch(bool stretch) {
    stretch_ = stretch;
    InvalidateRect(form_->control("Image1"), nullptr, TRUE);
}

void TForm1::setPreviewPicture(const RgbRaster& picture) {
    preview_ = picture;
    previewWidth_ = picture.width;
    previewHeight_ = picture.height;
    InvalidateRect(form_->control("Image1"), nullptr, TRUE);
}

void TForm1::clearPreview() {
    preview_ = RgbRaster();
    previewWidth_ = previewHeight_ = 0;
    InvalidateRect(form_->control("Image1"), nullptr, TRUE);
}

// The picture, point-sampled into the place the placement rule gives it.
bool TForm1::paint(HDC dc, const RECT& area) {
    if (preview_.empty()) {
        return false;
    }
    const Bounds placed =
        placePreview(previewWidth_, previewHeight_, area.right, area.bottom, stretch_);
    // Device-independent bitmaps hold blue, green, red, each row padded to four bytes.
    const std::size_t stride = (preview_.rowBytes() + 3) / 4 * 4;
    std::vector<std::uint8_t> bgr(stride * static_cast<std::size_t>(preview_.height));
    for (int y = 0; y < preview_.height; ++y) {
        const std::uint8_t* from = preview_.row(y);
        std::uint8_t* to = bgr.data() + static_cast<std::size_t>(y) * stride;
        for (std::size_t x = 0; x < static_cast<std::size_t>(preview_.width); ++x) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = preview_.width;
    format.bmiHeader.biHeight = -preview_.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, placed.left, placed.top, placed.width, placed.height, 0, 0, preview_.width,
                  preview_.height, bgr.data(), &format, DIB_RGB_COLORS, SRCCOPY);
    return true;
}

void TForm1::clicked() {
    guarded([&] { job_->Image1Click(); });
}

}  // namespace bildheber::win32
