#include "ui/DropPanel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace bildheber {

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
    setAcceptDrops(true);
}

void DropPanel::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void DropPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QString drawn = caption_;
    drawn.replace("&&", "&");  // a caption's doubled "&" is drawn as one
    painter.drawText(contentsRect(), Qt::AlignCenter | Qt::TextSingleLine, drawn);
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
