#pragma once

#include <QTableWidget>

namespace bildheber {

// The upload queue (ListView1): a report list with grid lines and single whole-row selection.
// A left click in the rows area, on a row or below the rows, ends in leftClicked() after the
// selection has followed the click; a click on the empty area leaves no row selected.
class QueueList : public QTableWidget {
    Q_OBJECT
  public:
    explicit QueueList(QWidget* parent);

  signals:
    void leftClicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace bildheber
