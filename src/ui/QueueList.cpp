#include "ui/QueueList.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>

namespace bildheber {

QueueHeader::QueueHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
}

bool QueueHeader::onClosedLastDivider(int x) const {
    const int last = logicalIndex(count() - 1);
    if (count() == 0 || sectionSize(last) != 0) {
        return false;
    }
    const int divider = sectionViewportPosition(last);
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    return x >= divider && x <= divider + grip;
}

void QueueHeader::mousePressEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton && onClosedLastDivider(x)) {
        openingFrom_ = x;
        return;
    }
    QHeaderView::mousePressEvent(event);
}

void QueueHeader::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (openingFrom_ >= 0) {
        resizeSection(logicalIndex(count() - 1), std::max(0, x - openingFrom_));
        return;
    }
    QHeaderView::mouseMoveEvent(event);
    if (event->buttons() == Qt::NoButton && onClosedLastDivider(x)) {
        setCursor(Qt::SplitHCursor);
    }
}

void QueueHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (openingFrom_ >= 0) {
        openingFrom_ = -1;
        return;
    }
    QHeaderView::mouseReleaseEvent(event);
}

QueueList::QueueList(QWidget* parent) : QTableWidget(parent) {
    setHorizontalHeader(new QueueHeader(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // Tab goes on to the next control; the arrow keys move inside
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsMovable(true);  // reordering changes only the display
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setMinimumSectionSize(0);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
}

void QueueList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid()) {
        clearSelection();
        setCurrentIndex(QModelIndex());
    }
    QTableWidget::mousePressEvent(event);
}

void QueueList::mouseReleaseEvent(QMouseEvent* event) {
    QTableWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit leftClicked();
    }
}

}  // namespace bildheber
