#pragma once

#include <QList>
#include <QMainWindow>
#include <string>
#include <vector>

#include "ui/ExchangeKeepingThePaint.h"
#include "upload/Platform.h"
#include "upload/UploadJob.h"
#include "upload/WindowOperations.h"

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bildheber {

class DropPanel;
class PreviewView;
class QueueList;

// The main window: the form of FormLayout.h, wired to the job. It is the job's window: the job
// changes what the window shows only through the WindowOperations below.
class TForm1 : public QMainWindow, public WindowOperations, private WindowEventLoop {
    Q_OBJECT
  public:
    // The job sends each picture through `exchange`, which also gets the panel's drops.
    TForm1(Platform& platform, ExchangeKeepingThePaint& exchange);
    ~TForm1() override;

    // Start-up before the window is first shown; `arguments` are the command-line paths.
    void FormCreate(const std::vector<std::string>& arguments);

    UploadJob& job() { return job_; }
    PreviewView& preview() { return *Image1_; }

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

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void findControls();
    void connectHandlers();
    void Dateiladen1Click();
    void LabelHomepageClick();
    // Runs one handler; a failure nobody expected ends in the general error report.
    template <typename Handler>
    void guarded(Handler handler);

    // WindowEventLoop
    void processAllButUserInput() override;
    void post(std::function<void()> task) override;

    Platform& platform_;
    ExchangeKeepingThePaint& exchange_;
    UploadJob job_;
    bool closed_ = false;

    DropPanel* Panel1_ = nullptr;
    PreviewView* Image1_ = nullptr;
    QPushButton* Buttonsend_ = nullptr;
    QPushButton* ButtonDeleteSingle_ = nullptr;
    QPushButton* ButtonClearList_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* LabelLogfile_ = nullptr;
    QLabel* LabelHomepage_ = nullptr;
    QGroupBox* RadioGroupVerfall_ = nullptr;
    QList<QRadioButton*> expiryItems_;  // in the order of ExpiryChoice
    QueueList* ListView1_ = nullptr;
    QAction* Dateiladen1_ = nullptr;
    QAction* Logfile1_ = nullptr;
    QAction* NochmalinZwischenablagekopieren1_ = nullptr;
};

// The maker's web page, opened by the version label.
inline constexpr const char* kHomepage = "https://korvan.example/bildheber/";

}  // namespace bildheber
