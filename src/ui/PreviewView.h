#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <string>

namespace bildheber {

// The preview picture (Image1): holds at most one picture and draws it by the placement rule,
// point-sampled. A file is decoded only when it is first drawn.
class PreviewView : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewView(QWidget* parent);

    // Takes the bytes of a JPEG file whose header has been read; decoded when drawn.
    void setJpegFile(std::string bytes, int width, int height);
    void setPicture(QImage picture);
    void clear();
    void setStretch(bool stretch);

    bool stretch() const { return stretch_; }
    bool hasPicture() const { return width_ > 0 && height_ > 0; }
    // The rectangle the picture is drawn in now.
    QRect pictureRect() const;

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    const QImage& decoded();

    std::string jpeg_;  // not yet decoded
    QImage image_;
    int width_ = 0;
    int height_ = 0;
    bool stretch_ = true;
};

}  // namespace bildheber
