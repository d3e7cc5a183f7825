#include "ui/TForm1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <chrono>
#include <cstring>
#include <future>

#include "imaging/FileBytes.h"
#include "imaging/JpegCodec.h"
#include "ui/DropPanel.h"
#include "ui/PreviewView.h"
#include "ui/QueueList.h"

namespace bildheber {

namespace {

constexpr int kClientWidth = 802;
constexpr int kClientHeight = 851;
constexpr int kControlPanelHeight = 249;
const QColor kGrey(128, 128, 128);

struct Column {
    const char* header;
    int width;
    Qt::Alignment alignment;
};
const Column kColumns[] = {
    {"Dateiname", 300, Qt::AlignLeft}, {"L\xC3\xA4nge", 66, Qt::AlignRight},
    {"Pixel", 66, Qt::AlignHCenter},   {"Skalierung", 66, Qt::AlignRight},
    {"Status", 100, Qt::AlignLeft},    {"Forumscode", 0, Qt::AlignLeft},
};

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, colour);
    widget->setPalette(colours);
}

// Labels show their texts as they are: a path never turns into markup.
QLabel* label(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* created = new QLabel(caption, parent);
    created->setObjectName(name);
    created->setTextFormat(Qt::PlainText);
    created->setGeometry(geometry);
    return created;
}

// A label as wide as its text, 13 pixels high, at `left`, `top`.
QLabel* fittedLabel(QWidget* parent, const char* name, const QString& caption, int left, int top) {
    QLabel* created = label(parent, name, caption, QRect(left, top, 0, 13));
    created->resize(created->fontMetrics().horizontalAdvance(caption), 13);
    return created;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* created = new QPushButton(QString::fromUtf8(caption), parent);
    created->setObjectName(name);
    created->setGeometry(geometry);
    created->setEnabled(false);
    return created;
}

}  // namespace

TForm1::TForm1(Platform& platform, Uploader uploader)
    : platform_(platform),
      job_(*this, platform,
           [this, uploader = std::move(uploader)](std::string_view path, std::string_view jpeg,
                                                  ExpiryChoice expiry) {
               return exchangeKeepingThePaint(uploader, path, jpeg, expiry);
           }) {
    setObjectName("TForm1");
    setWindowTitle("Bildheber");
    buildMenu();
    auto* client = new QWidget(this);
    client->setObjectName("client");
    setCentralWidget(client);
    Panel2_ = new QWidget(client);
    Panel2_->setObjectName("Panel2");
    buildControlPanel();
    buildDropPanel();
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel2_->setFixedHeight(kControlPanelHeight);
    layout->addWidget(Panel2_);
    layout->addWidget(Panel1_, 1);
    client->resize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    connectHandlers();
}

TForm1::~TForm1() = default;

void TForm1::buildMenu() {
    Dateiladen1_ = menuBar()->addAction("Dateibrowser");
    Dateiladen1_->setObjectName("Dateiladen1");
    Logfile1_ = menuBar()->addAction("Logfile");
    Logfile1_->setObjectName("Logfile1");
    QMenu* Forumscode1 = menuBar()->addMenu("Forumscode");
    Forumscode1->setObjectName("Forumscode1");
    NochmalinZwischenablagekopieren1_ =
        Forumscode1->addAction("...nochmal in Zwischenablage kopieren");
    NochmalinZwischenablagekopieren1_->setObjectName("NochmalinZwischenablagekopieren1");
}

void TForm1::buildControlPanel() {
    QWidget* p = Panel2_;
    Buttonsend_ = button(p, "Buttonsend", "Hochladen", QRect(7, 18, 138, 41));
    fittedLabel(p, "Label4", "...ab in Trullers Forumserver", 9, 65);

    RadioGroupVerfall_ = new QGroupBox("Verfallsdatum", p);
    RadioGroupVerfall_->setObjectName("RadioGroupVerfall");
    RadioGroupVerfall_->setGeometry(9, 84, 137, 73);
    const char* items[] = {"Nie", "12 Monate", "6 Wochen"};
    auto* column = new QVBoxLayout(RadioGroupVerfall_);
    column->setContentsMargins(8, 2, 4, 4);
    column->setSpacing(0);
    for (int i = 0; i < 3; ++i) {
        expiryItems_[i] = new QRadioButton(items[i], RadioGroupVerfall_);
        column->addWidget(expiryItems_[i]);
    }
    expiryItems_[0]->setChecked(true);

    ButtonDeleteSingle_ = button(p, "ButtonDeleteSingle", "Bild entfernen", QRect(9, 163, 138, 28));
    ButtonDeleteSingle_->setToolTip(QString::fromUtf8(
        "Bild aus der Liste der hochzuladenden Dateien l\xC3\xB6schen (nicht auf dem Server)"));
    ButtonClearList_ = button(p, "ButtonClearList", "Alle entfernen", QRect(9, 197, 138, 28));
    ButtonClearList_->setToolTip(QString::fromUtf8(
        "Liste der hochzuladenden Dateien leeren (nichts auf dem Server l\xC3\xB6schen)"));

    fittedLabel(p, "Label2", "Status:", 168, 12);
    // One line, never wrapped, cut off at the window's right edge.
    Label1_ = label(p, "Label1", "Label1", QRect(168, 31, 4000, 13));
    Label1_->setWordWrap(false);
    setTextColour(Label1_, QColor(0, 0, 255));

    ListView1_ = new QueueList(p);
    ListView1_->setObjectName("ListView1");
    ListView1_->setGeometry(168, 59, 609, 166);

    LabelLogfile_ = label(p, "LabelLogfile", "Logfile", QRect(168, 231, 609, 13));
    LabelLogfile_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(LabelLogfile_, kGrey);
    LabelLogfile_->installEventFilter(this);

    // As wide as its text and ending at 777, where the list and the log label end.
    LabelHomepage_ = label(p, "LabelHomepage", QString::fromUtf8("V3.2 \xC2\xA9 Korvan 2014"),
                           QRect(670, 0, 107, 13));
    QFont italic = LabelHomepage_->font();
    italic.setItalic(true);
    LabelHomepage_->setFont(italic);
    const int homepageWidth =
        LabelHomepage_->fontMetrics().horizontalAdvance(LabelHomepage_->text()) + 1;
    LabelHomepage_->setGeometry(777 - homepageWidth, 0, homepageWidth, 13);
    setTextColour(LabelHomepage_, kGrey);
    LabelHomepage_->installEventFilter(this);

    // Keyboard order: Hochladen, Alle entfernen, Bild entfernen, the list, the expiry choice.
    setTabOrder(Buttonsend_, ButtonClearList_);
    setTabOrder(ButtonClearList_, ButtonDeleteSingle_);
    setTabOrder(ButtonDeleteSingle_, ListView1_);
    setTabOrder(ListView1_, expiryItems_[0]);
}

void TForm1::buildDropPanel() {
    Panel1_ = new DropPanel(centralWidget());
    Panel1_->setObjectName("Panel1");
    Image1_ = new PreviewView(Panel1_);
    Image1_->setObjectName("Image1");
    auto* inside = new QVBoxLayout(Panel1_);
    inside->setContentsMargins(0, 0, 0, 0);  // the frame itself is the 1-pixel border
    inside->addWidget(Image1_);
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
    connect(Panel1_, &DropPanel::filesDropped, this,
            [this](const std::vector<std::string>& paths) { handleDroppedFiles(paths); });
    connect(Dateiladen1_, &QAction::triggered, this,
            [this] { guarded([&] { Dateiladen1Click(); }); });
    connect(Logfile1_, &QAction::triggered, this,
            [this] { guarded([&] { job_.LabelLogfileClick(); }); });
    connect(NochmalinZwischenablagekopieren1_, &QAction::triggered, this,
            [this] { guarded([&] { job_.NochmalinZwischenablagekopieren1Click(); }); });
}

template <typename Handler>
void TForm1::guarded(Handler handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        showError(failure.what());
    }
}

void TForm1::FormCreate(const std::vector<std::string>& arguments) {
    guarded([&] { job_.FormCreate(arguments); });
}

void TForm1::handleDroppedFiles(const std::vector<std::string>& paths) {
    if (exchanging_) {
        dropsDuringExchange_.push_back(paths);  // queued again when the exchange is over
        return;
    }
    guarded([&] { job_.handleDroppedFiles(paths); });
}

void TForm1::Dateiladen1Click() {
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, QString::fromUtf8("W\xC3\xA4hle, welche Bild-Datei hochgeladen werden soll."),
        QString(), "JPEG-Bilder (*.jpg *.jpeg)", nullptr, QFileDialog::HideNameFilterDetails);
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
    auto* link = qobject_cast<QLabel*>(watched);
    if (link != nullptr && (link == LabelLogfile_ || link == LabelHomepage_)) {
        switch (event->type()) {
            case QEvent::Enter:
                setTextColour(link, Qt::black);
                break;
            case QEvent::Leave:
                setTextColour(link, kGrey);
                break;
            case QEvent::MouseButtonRelease:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                    guarded([&] {
                        link == LabelLogfile_ ? job_.LabelLogfileClick() : LabelHomepageClick();
                    });
                }
                break;
            default:
                break;
        }
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

std::string TForm1::exchangeKeepingThePaint(const Uploader& uploader, std::string_view path,
                                            std::string_view jpeg, ExpiryChoice expiry) {
    auto reply = std::async(std::launch::async, [&] { return uploader(path, jpeg, expiry); });
    exchanging_ = true;
    while (reply.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    exchanging_ = false;
    // Drops that came meanwhile wait in the event queue like any other input: the run's next
    // event point handles them, or the event loop once the run is over.
    for (auto& paths : dropsDuringExchange_) {
        QMetaObject::invokeMethod(
            this, [this, paths = std::move(paths)] { handleDroppedFiles(paths); },
            Qt::QueuedConnection);
    }
    dropsDuringExchange_.clear();
    return reply.get();
}

// WindowOperations

void TForm1::initListView() {
    ListView1_->setColumnCount(6);
    QStringList headers;
    for (const Column& column : kColumns) {
        headers << QString::fromUtf8(column.header);
    }
    ListView1_->setHorizontalHeaderLabels(headers);
    for (int i = 0; i < 6; ++i) {
        ListView1_->horizontalHeaderItem(i)->setTextAlignment(kColumns[i].alignment |
                                                              Qt::AlignVCenter);
        ListView1_->horizontalHeader()->resizeSection(i, kColumns[i].width);
    }
}

void TForm1::setExpiryHint(const std::string& hint) {
    RadioGroupVerfall_->setToolTip(text(hint));
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
    Label1_->setText(text(status));
}

void TForm1::setLogLabelText(const std::string& logLabel) {
    LabelLogfile_->setText(text(logLabel));
}

void TForm1::showEntry(std::size_t row, const UploadEntry& entry) {
    const int r = static_cast<int>(row);
    if (r >= ListView1_->rowCount()) {
        ListView1_->insertRow(r);
    }
    const std::string* fields[] = {&entry.path,      &entry.sizeText, &entry.pixelText,
                                   &entry.scaleText, &entry.status,   &entry.forumCode};
    for (int c = 0; c < 6; ++c) {
        auto* item = new QTableWidgetItem(text(*fields[c]));
        item->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        ListView1_->setItem(r, c, item);
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
    for (int i = 0; i < 3; ++i) {
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
    QMessageBox box(QMessageBox::NoIcon, "Bildheber", text(notice), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);  // a file name is shown as it is, never as markup
    box.exec();
}

void TForm1::showError(const std::string& error) {
    QMessageBox box(QMessageBox::Critical, "Bildheber", text(error), QMessageBox::Ok, this);
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
