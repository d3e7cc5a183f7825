#include "ui/TForm1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>
#include <iterator>
#include <span>
#include <utility>

#include "imaging/JpegCodec.h"
#include "platform/SystemFiles.h"
#include "ui/DropPanel.h"
#include "ui/ExchangeKeepingThePaint.h"
#include "ui/FormBuilder.h"
#include "ui/GuardedHandler.h"
#include "ui/PreviewView.h"
#include "ui/QtFormValues.h"
#include "ui/QueueList.h"

namespace bildheber {

namespace {

// The open dialog's filter as Qt spells it: "name (pattern pattern ...)".
QString fileFilter(const OpenDialog& dialog) {
    QStringList patterns;
    for (std::string_view pattern : dialog.patterns) {
        patterns << qtText(pattern);
    }
    return qtText(dialog.filterName) + " (" + patterns.join(' ') + ")";
}

}  // namespace

TForm1::TForm1(Platform& platform, ExchangeKeepingThePaint& exchange)
    : platform_(platform), exchange_(exchange), job_(*this, platform, exchange.uploader()) {
    buildForm(*this, kMainForm);
    findControls();
    connectHandlers();
}

TForm1::~TForm1() = default;

void TForm1::findControls() {
    Panel1_ = formPart<DropPanel>(*this, "Panel1");
    Image1_ = formPart<PreviewView>(*this, "Image1");
    Buttonsend_ = formPart<QPushButton>(*this, "Buttonsend");
    ButtonDeleteSingle_ = formPart<QPushButton>(*this, "ButtonDeleteSingle");
    ButtonClearList_ = formPart<QPushButton>(*this, "ButtonClearList");
    Label1_ = formPart<QLabel>(*this, "Label1");
    LabelLogfile_ = formPart<QLabel>(*this, "LabelLogfile");
    LabelHomepage_ = formPart<QLabel>(*this, "LabelHomepage");
    RadioGroupVerfall_ = formPart<QGroupBox>(*this, "RadioGroupVerfall");
    expiryItems_ =
        RadioGroupVerfall_->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    ListView1_ = formPart<QueueList>(*this, "ListView1");
    Dateiladen1_ = formPart<QAction>(*this, "Dateiladen1");
    Logfile1_ = formPart<QAction>(*this, "Logfile1");
    NochmalinZwischenablagekopieren1_ =
        formPart<QAction>(*this, "NochmalinZwischenablagekopieren1");
}

void TForm1::processAllButUserInput() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TForm1::post(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void TForm1::connectHandlers() {
    connect(Buttonsend_, &QPushButton::clicked, this,
            [this] { guarded([&] { job_.ButtonsendClick(); }); });
    connect(ButtonDeleteSingle_, &QPushButton::clicked, this,
            [this] { guarded([&] { job_.ButtonDeleteSingleClick(); }); });
    connect(ButtonClearList_, &QPushButton::clicked, this,
            [this] { guarded([&] { job_.ButtonClearListClick(); }); });
    connect(ListView1_, &QueueList::leftClicked, this,
            [this] { guarded([&] { job_.ListView1Click(); }); });
    connect(Image1_, &PreviewView::clicked, this, [this] { guarded([&] { job_.Image1Click(); }); });
    exchange_.handDropsTo(*this, [this](const std::vector<std::string>& paths) {
        guarded([&] { job_.handleDroppedFiles(paths); });
    });
    connect(Panel1_, &DropPanel::filesDropped, this,
            [this](const std::vector<std::string>& paths) { exchange_.deliverDrop(paths); });
    connect(Dateiladen1_, &QAction::triggered, this,
            [this] { guarded([&] { Dateiladen1Click(); }); });
    connect(Logfile1_, &QAction::triggered, this,
            [this] { guarded([&] { job_.LabelLogfileClick(); }); });
    connect(NochmalinZwischenablagekopieren1_, &QAction::triggered, this,
            [this] { guarded([&] { job_.NochmalinZwischenablagekopieren1Click(); }); });
    LabelLogfile_->installEventFilter(this);
    LabelHomepage_->installEventFilter(this);
}

template <typename Handler>
void TForm1::guarded(Handler handler) {
    runGuarded(*this, handler);
}

void TForm1::FormCreate(const std::vector<std::string>& arguments) {
    guarded([&] { job_.FormCreate(arguments); });
}

void TForm1::Dateiladen1Click() {
    const OpenDialog& dialog = kMainForm.openDialog;
    const QStringList chosen =
        QFileDialog::getOpenFileNames(this, qtText(dialog.title), QString(), fileFilter(dialog),
                                      nullptr, QFileDialog::HideNameFilterDetails);
    std::vector<std::string> paths;
    for (const QString& path : chosen) {
        paths.push_back(QFile::encodeName(path).toStdString());
    }
    job_.Dateiladen1Click(paths);
}

void TForm1::LabelHomepageClick() {
    platform_.openWithDefaultHandler(kHomepage);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const bool link = watched == LabelLogfile_ || watched == LabelHomepage_;
    if (link && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        guarded(
            [&] { watched == LabelLogfile_ ? job_.LabelLogfileClick() : LabelHomepageClick(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // During a run this happens at one of its event points: the close steps run now, the run
    // goes on, and the program ends once the run has returned to the event loop.
    if (!closed_) {
        closed_ = true;
        guarded([&] { job_.FormClose(); });
    }
    event->accept();
}

// WindowOperations

void TForm1::initListView() {
    const std::span<const ListColumn> columns = kMainForm.listColumns;
    ListView1_->setColumnCount(static_cast<int>(columns.size()));
    QStringList headers;
    for (const ListColumn& column : columns) {
        headers << qtText(column.header);
    }
    ListView1_->setHorizontalHeaderLabels(headers);
    for (int i = 0; i < ListView1_->columnCount(); ++i) {
        const ListColumn& column = columns[static_cast<std::size_t>(i)];
        ListView1_->horizontalHeaderItem(i)->setTextAlignment(qtAlignment(column.alignment) |
                                                              Qt::AlignVCenter);
        ListView1_->horizontalHeader()->resizeSection(i, column.width);
    }
}

void TForm1::setExpiryHint(const std::string& hint) {
    // The hint breaks its line with LF CR; a tooltip would draw the CR as a blank.
    RadioGroupVerfall_->setToolTip(qtText(hint).replace("\n\r", "\n"));
}

void TForm1::setHintHidePause(int milliseconds) {
    for (QWidget* widget :
         {static_cast<QWidget*>(RadioGroupVerfall_), static_cast<QWidget*>(ButtonDeleteSingle_),
          static_cast<QWidget*>(ButtonClearList_)}) {
        widget->setToolTipDuration(milliseconds);
    }
}

void TForm1::acceptDrops(bool accept) {
    Panel1_->setAcceptDrops(accept);
}

void TForm1::setStatusText(const std::string& status) {
    Label1_->setText(qtText(status));
}

void TForm1::setLogLabelText(const std::string& logLabel) {
    LabelLogfile_->setText(qtText(logLabel));
}

void TForm1::showEntry(std::size_t row, const UploadEntry& entry) {
    const int r = static_cast<int>(row);
    if (r >= ListView1_->rowCount()) {
        ListView1_->insertRow(r);
    }
    const std::string* fields[] = {&entry.path,      &entry.sizeText, &entry.pixelText,
                                   &entry.scaleText, &entry.status,   &entry.forumCode};
    static_assert(std::size(fields) == kMainForm.listColumns.size());
    for (std::size_t c = 0; c < std::size(fields); ++c) {
        auto* item = new QTableWidgetItem(qtText(*fields[c]));
        item->setTextAlignment(qtAlignment(kMainForm.listColumns[c].alignment) | Qt::AlignVCenter);
        ListView1_->setItem(r, static_cast<int>(c), item);
    }
}

void TForm1::removeRow(std::size_t row) {
    ListView1_->removeRow(static_cast<int>(row));
    ListView1_->clearSelection();
}

void TForm1::removeAllRows() {
    ListView1_->setRowCount(0);
}

std::optional<std::size_t> TForm1::selectedRow() {
    const QModelIndexList rows = ListView1_->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(rows.first().row());
}

void TForm1::selectRow(std::optional<std::size_t> row) {
    // Select without making it current: the list does not scroll to the row.
    ListView1_->clearSelection();
    if (row) {
        const QModelIndex index = ListView1_->model()->index(static_cast<int>(*row), 0);
        ListView1_->selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void TForm1::setButtonEnabled(Button which, bool enabled) {
    QPushButton* buttons[] = {Buttonsend_, ButtonClearList_, ButtonDeleteSingle_};
    buttons[static_cast<int>(which)]->setEnabled(enabled);
}

ExpiryChoice TForm1::expiryChoice() {
    for (qsizetype i = 0; i < expiryItems_.size(); ++i) {
        if (expiryItems_[i]->isChecked()) {
            return static_cast<ExpiryChoice>(i);
        }
    }
    return ExpiryChoice::Never;
}

void TForm1::processPendingEvents() {
    QCoreApplication::processEvents();
}

void TForm1::showNotice(const std::string& notice) {
    QMessageBox box(QMessageBox::NoIcon, "Bildheber", qtText(notice), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);  // a file name is shown as it is, never as markup
    box.exec();
}

void TForm1::showError(const std::string& error) {
    QMessageBox box(QMessageBox::Critical, "Bildheber", qtText(error), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

PictureSize TForm1::clientSize() {
    return PictureSize{centralWidget()->width(), centralWidget()->height()};
}

PictureSize TForm1::loadPreview(const std::string& path) {
    std::string bytes = readFileBytes(path);
    const JpegHeader header = readJpegHeader(bytes);
    if (bytes.empty()) {
        Image1_->clear();
    } else {
        Image1_->setJpegFile(std::move(bytes), header.width, header.height);
    }
    return PictureSize{header.width, header.height};
}

void TForm1::setPreviewStretch(bool stretch) {
    Image1_->setStretch(stretch);
}

void TForm1::setPreviewPicture(const RgbRaster& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB888);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), picture.row(y), picture.rowBytes());
    }
    Image1_->setPicture(std::move(image));
}

void TForm1::clearPreview() {
    Image1_->clear();
}

}  // namespace bildheber
