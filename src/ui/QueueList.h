#pragma once

#include <QHeaderView>
#include <QTableWidget>

namespace bildheber {

// The queue list's column headers. Qt gives a last section of width 0 no divider of its own, so
// the closed "Forumscode" column could never be dragged open; a press just right of the divider
// before it opens it, as the list's users know from other programs.
class QueueHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit QueueHeader(QWidget* parent);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool onClosedLastDivider(int x) const;
    int openingFrom_ = -1;  // x where the drag that opens the last column began
};

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
