#pragma once

#include <QFrame>
#include <QMimeData>
#include <string>
#include <vector>

namespace bildheber {

// The light yellow drop panel (Panel1): the only place that takes dropped files. It shows its
// caption where no preview picture covers it.
class DropPanel : public QFrame {
    Q_OBJECT
  public:
    explicit DropPanel(QWidget* parent);

    // The text shown where no preview picture covers the panel; "&&" in it stands for one "&".
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }

  signals:
    // The local files of one drop, in the order the drop lists them, paths read whole.
    void filesDropped(const std::vector<std::string>& paths);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    QString caption_;
};

// The local file paths a drop carries, as the file system spells them.
std::vector<std::string> localFilesOf(const QMimeData* data);

}  // namespace bildheber
