#include "ui/PreviewView.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "imaging/ScaledDecode.h"
#include "ui/PreviewPlacement.h"

namespace bildheber {

PreviewView::PreviewView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void PreviewView::setJpegFile(std::string bytes, int width, int height) {
    jpeg_ = std::move(bytes);
    image_ = QImage();
    width_ = width;
    height_ = height;
    update();
}

void PreviewView::setPicture(QImage picture) {
    jpeg_.clear();
    image_ = std::move(picture);
    width_ = image_.width();
    height_ = image_.height();
    update();
}

void PreviewView::clear() {
    jpeg_.clear();
    image_ = QImage();
    width_ = height_ = 0;
    update();
}

void PreviewView::setStretch(bool stretch) {
    stretch_ = stretch;
    update();
}

QRect PreviewView::pictureRect() const {
    const Bounds placed = placePreview(width_, height_, width(), height(), stretch_);
    return QRect(placed.left, placed.top, placed.width, placed.height);
}

const QImage& PreviewView::decoded() {
    if (image_.isNull() && !jpeg_.empty()) {
        try {
            const RgbRaster raster = decodeScaled(jpeg_, [](const JpegHeader& header) {
                                         const PreviewSize size =
                                             previewDecodeSize(header.width, header.height);
                                         return UploadSize{size.width, size.height};
                                     }).raster;
            QImage image(raster.width, raster.height, QImage::Format_RGB888);
            for (int y = 0; y < raster.height; ++y) {
                std::memcpy(image.scanLine(y), raster.row(y), raster.rowBytes());
            }
            image_ = std::move(image);
        } catch (const std::exception&) {
            // A picture whose data cannot be decoded shows nothing.
        }
        jpeg_.clear();
    }
    return image_;
}

void PreviewView::paintEvent(QPaintEvent*) {
    if (!hasPicture()) {
        return;  // the drop panel's background and caption show through
    }
    const QImage& image = decoded();
    if (image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // point sampling
    painter.drawImage(pictureRect(), image);
}

void PreviewView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

}  // namespace bildheber
