#include "ui/DropPanel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace bildheber {

namespace {
// Stored with a doubled "&": drawn as one.
const char* const kCaption =
    "JPEG hier per Drag && Drop abwerfen oder durch anklicken aus der Zwischenablage kopieren...";
}  // namespace

std::vector<std::string> localFilesOf(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    return paths;
}

DropPanel::DropPanel(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 255, 128));
    setPalette(colours);
    setAcceptDrops(true);
}

void DropPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QString caption = QString::fromUtf8(kCaption);
    caption.replace("&&", "&");
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, caption);
}

void DropPanel::dragEnterEvent(QDragEnterEvent* event) {
    if (!localFilesOf(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void DropPanel::dragMoveEvent(QDragMoveEvent* event) {
    if (!localFilesOf(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void DropPanel::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = localFilesOf(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(paths);
}

}  // namespace bildheber
