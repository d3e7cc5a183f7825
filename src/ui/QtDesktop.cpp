#include "ui/QtDesktop.h"

#include "platform/SystemFiles.h"

#include <canberra.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <cstring>

namespace bildheber {

struct QtDesktop::Sound {
    ca_context* context = nullptr;
    Sound() {
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
        }
    }
    ~Sound() {
        if (context != nullptr) {
            ca_context_destroy(context);
        }
    }
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
};

QtDesktop::QtDesktop() : sound_(std::make_unique<Sound>()) {}
QtDesktop::~QtDesktop() = default;

void QtDesktop::setClipboardText(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw ClipboardError("Zwischenablage nicht verfügbar kann nicht geöffnet werden");
    }
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

bool QtDesktop::clipboardHasBitmap() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasImage();
}

RgbRaster QtDesktop::readClipboardBitmap() {
    const QImage image =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) {
        throw ClipboardError("Zwischenablage ohne Bild kann nicht geöffnet werden");
    }
    RgbRaster raster(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(raster.row(y), image.constScanLine(y), raster.rowBytes());
    }
    return raster;
}

void QtDesktop::playSoundAsync(const std::string& file) {
    // A file that cannot be played gives the ordinary beep instead, as a missing one does.
    const std::string absolute =
        QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
    if (sound_->context == nullptr ||
        ca_context_play(sound_->context, 0, CA_PROP_MEDIA_FILENAME, absolute.c_str(),
                        CA_PROP_EVENT_DESCRIPTION, "Bildheber", nullptr) != CA_SUCCESS) {
        beep();
    }
}

void QtDesktop::beep() {
    QApplication::beep();
}

std::string QtDesktop::programPath() {
    return programFilePath();
}

void QtDesktop::openWithDefaultHandler(const std::string& pathOrAddress) {
    const QString target = QString::fromStdString(pathOrAddress);
    const QUrl url = target.contains("://") ? QUrl(target) : QUrl::fromLocalFile(target);
    QDesktopServices::openUrl(url);
}

}  // namespace bildheber
