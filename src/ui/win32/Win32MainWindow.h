#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/ExchangeKeepingThePaint.h"
#include "ui/win32/Win32Form.h"
#include "upload/Platform.h"
#include "upload/UploadJob.h"
#include "upload/WindowOperations.h"

namespace bildheber::win32 {

// The main window on Windows: the form of FormLayout.h as Win32 controls, wired to the job, which
// changes what the window shows only through the WindowOperations below. The job's event points
// are a message pump; each picture is sent on a worker thread while the window keeps painting.
class TForm1 : public WindowOperations, private PreviewContent, private WindowEventLoop {
  public:
    // The job sends each picture with `uploader`, on a worker thread.
    TForm1(Platform& platform, Uploader uploader);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Start-up before the window is first shown; `arguments` are the command-line paths.
    void FormCreate(const std::vector<std::string>& arguments);
    void show(int how);
    HWND window() const { return window_; }
    UploadJob& job() { return *job_; }

    // Runs the message loop until the window is closed; the program's exit code.
    static int runMessageLoop();

    // WindowOperations
    void initListView() override;
    void setExpiryHint(const std::string& text) override;
    void setHintHidePause(int milliseconds) override;
    void acceptDrops(bool accept) override;
    void setStatusText(const std::string& text) override;
    void setLogLabelText(const std::string& text) override;
    void showEntry(std::size_t row, const UploadEntry& entry) override;
    void removeRow(std::size_t row) override;
    void removeAllRows() override;
    std::optional<std::size_t> selectedRow() override;
    void selectRow(std::optional<std::size_t> row) override;
    void setButtonEnabled(Button button, bool enabled) override;
    ExpiryChoice expiryChoice() override;
    void processPendingEvents() override;
    void showNotice(const std::string& text) override;
    void showError(const std::string& text) override;
    PictureSize clientSize() override;
    PictureSize loadPreview(const std::string& path) override;
    void setPreviewStretch(bool stretch) override;
    void setPreviewPicture(const RgbRaster& picture) override;
    void clearPreview() override;

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(HWND from, UINT id, UINT code);
    void dropped(HDROP drop);
    void close();
    void Dateiladen1Click();
    // Runs one handler; a failure nobody expected ends in the general error report.
    template <typename Handler>
    void guarded(Handler handler);

    // Dispatches what PeekMessage with `filter` finds pending, up to a WM_QUIT.
    static void dispatchPending(UINT filter);
    void runPostedTask();

    // PreviewContent
    bool paint(HDC dc, const RECT& area) override;
    void clicked() override;

    // WindowEventLoop
    void processAllButUserInput() override;
    void post(std::function<void()> task) override;

    Platform& platform_;
    HWND window_ = nullptr;
    std::unique_ptr<Win32Form> form_;
    ExchangeKeepingThePaint exchange_;
    std::unique_ptr<UploadJob> job_;
    std::deque<std::function<void()>> postedTasks_;
    bool closed_ = false;
    RgbRaster preview_;
    int previewWidth_ = 0;  // the picture's own size, which placement uses
    int previewHeight_ = 0;
    bool stretch_ = false;
};

}  // namespace bildheber::win32
