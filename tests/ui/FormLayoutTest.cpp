// The window builds itself from the form table: every entry of it is in the built window as the
// table describes it, so another window built from the same table shows the same form.

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ui/DropPanel.h"
#include "ui/FormLayout.h"
#include "ui/PreviewView.h"
#include "ui/QtFormValues.h"
#include "ui/QueueList.h"
#include "ui/WindowFixture.h"

namespace bildheber::test {
namespace {

bool isOfKind(const QWidget& widget, ControlKind kind) {
    switch (kind) {
        case ControlKind::Panel:
            return widget.metaObject() == &QFrame::staticMetaObject;
        case ControlKind::DropPanel:
            return qobject_cast<const DropPanel*>(&widget) != nullptr;
        case ControlKind::Preview:
            return qobject_cast<const PreviewView*>(&widget) != nullptr;
        case ControlKind::Button:
            return qobject_cast<const QPushButton*>(&widget) != nullptr;
        case ControlKind::Label:
            return qobject_cast<const QLabel*>(&widget) != nullptr;
        case ControlKind::RadioGroup:
            return qobject_cast<const QGroupBox*>(&widget) != nullptr;
        case ControlKind::RadioItem:
            return qobject_cast<const QRadioButton*>(&widget) != nullptr;
        case ControlKind::QueueList:
            return qobject_cast<const QueueList*>(&widget) != nullptr;
    }
    return false;
}

// The caption, title or text a control shows; none for the kinds without one.
QString shownText(const QWidget& widget) {
    if (const auto* panel = qobject_cast<const DropPanel*>(&widget)) {
        return panel->caption();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        return label->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget)) {
        return group->title();
    }
    return QString();
}

QColor textColour(const QWidget& widget) {
    return widget.palette().color(QPalette::WindowText);
}

QRect boundsRect(const Bounds& bounds) {
    return QRect(bounds.left, bounds.top, bounds.width, bounds.height);
}

class FormLayoutTest : public WindowFixture {
  protected:
    // The widget an entry describes: found by its name, a radio item by its place in its group.
    QWidget* control(const Control& entry) {
        if (!entry.name.empty()) {
            return find<QWidget>(std::string(entry.name).c_str());
        }
        const auto items =
            parentOf(entry)->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
        const int place = itemsSeen_[entry.parent]++;
        return place < items.size() ? items[place] : nullptr;
    }

    QWidget* parentOf(const Control& entry) {
        if (entry.parent == kMainForm.name) {
            return form.centralWidget();
        }
        return find<QWidget>(std::string(entry.parent).c_str());
    }

    // The controls of one menu, or of the menu bar.
    QList<QAction*> entriesOf(std::string_view menu) {
        return menu.empty() ? form.menuBar()->actions()
                            : find<QMenu>(std::string(menu).c_str())->actions();
    }

  private:
    std::map<std::string_view, int> itemsSeen_;
};

void expectPlaced(const QWidget& widget, const Control& entry) {
    const QRect table = boundsRect(entry.bounds);
    if (entry.dock == Dock::Column) {
        EXPECT_TRUE(QRect(QPoint(), widget.parentWidget()->size()).contains(widget.geometry()));
        return;
    }
    if (entry.widthFromText == WidthFromText::No) {
        EXPECT_EQ(widget.geometry(), table);  // docked ones too, at the form's own size
        return;
    }
    const int width = widget.fontMetrics().horizontalAdvance(qtText(entry.text)) + entry.extraWidth;
    EXPECT_EQ(widget.width(), width);
    EXPECT_EQ(widget.y(), table.y());
    EXPECT_EQ(widget.height(), table.height());
    if (entry.widthFromText == WidthFromText::KeepLeftEdge) {
        EXPECT_EQ(widget.x(), table.x());
    } else {
        EXPECT_EQ(widget.x() + widget.width(), table.x() + table.width());
    }
}

void expectLook(QWidget& widget, const Control& entry) {
    EXPECT_EQ(shownText(widget), qtText(entry.text));
    EXPECT_EQ(widget.toolTip(), qtText(entry.hint));
    EXPECT_EQ(widget.isEnabled(), entry.enabled);
    EXPECT_EQ(widget.font().italic(), entry.italic);
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        EXPECT_EQ((label->alignment() & Qt::AlignHorizontal_Mask).toInt(),
                  qtAlignment(entry.alignment).toInt());
    }
    if (const auto* item = qobject_cast<const QRadioButton*>(&widget)) {
        EXPECT_EQ(item->isChecked(), entry.checked);
    }
    if (entry.textColour) {
        EXPECT_EQ(textColour(widget), qtColour(*entry.textColour));
    }
    if (entry.background) {
        EXPECT_TRUE(widget.autoFillBackground());
        EXPECT_EQ(widget.palette().color(QPalette::Window), qtColour(*entry.background));
    }
    if (entry.border == Border::RaisedBevel) {
        const auto* frame = qobject_cast<const QFrame*>(&widget);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->frameStyle(), QFrame::Panel | QFrame::Raised);
        EXPECT_EQ(frame->frameWidth(), 1);
    }
    if (entry.pointerTextColour) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(&widget, &enter);
        EXPECT_EQ(textColour(widget), qtColour(*entry.pointerTextColour));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&widget, &leave);
        EXPECT_EQ(textColour(widget), qtColour(entry.textColour.value_or(Rgb{})));
    }
}

// Where the keyboard reaches a control: a radio group at its first item.
QWidget* tabStop(QWidget* control) {
    if (qobject_cast<QGroupBox*>(control) != nullptr) {
        return control->findChild<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
    }
    return control;
}

// The window's widgets in the order the keyboard's focus moves through them.
QList<QWidget*> focusChain(QWidget& window) {
    QList<QWidget*> chain;
    for (QWidget* widget = window.nextInFocusChain(); widget != &window;
         widget = widget->nextInFocusChain()) {
        chain << widget;
    }
    return chain;
}

TEST_F(FormLayoutTest, BuildsEveryControlOfTheTableAsItSays) {
    form.show();
    EXPECT_EQ(form.objectName(), qtText(kMainForm.name));
    EXPECT_EQ(form.windowTitle(), qtText(kMainForm.caption));
    EXPECT_EQ(form.centralWidget()->size(), QSize(kMainForm.clientWidth, kMainForm.clientHeight));

    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const Control& entry : kMainForm.controls) {
        SCOPED_TRACE(entry.name.empty() ? entry.text : entry.name);
        QWidget* widget = control(entry);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(isOfKind(*widget, entry.kind));
        EXPECT_EQ(widget->parentWidget(), parentOf(entry));
        expectPlaced(*widget, entry);
        expectLook(*widget, entry);
        if (entry.tabPosition) {
            tabStops.emplace_back(*entry.tabPosition, widget);
        }
    }

    // The focus chain meets the tab stops in the order of their positions.
    std::sort(tabStops.begin(), tabStops.end());
    const QList<QWidget*> chain = focusChain(form);
    for (std::size_t i = 1; i < tabStops.size(); ++i) {
        EXPECT_LT(chain.indexOf(tabStop(tabStops[i - 1].second)),
                  chain.indexOf(tabStop(tabStops[i].second)))
            << "tab position " << tabStops[i].first;
    }
}

TEST_F(FormLayoutTest, BuildsTheMenuAndTheListColumnsOfTheTable) {
    std::map<std::string_view, int> entriesSeen;
    for (const MenuItem& item : kMainForm.menu) {
        SCOPED_TRACE(item.name);
        const QList<QAction*> entries = entriesOf(item.parent);
        const int place = entriesSeen[item.parent]++;
        ASSERT_LT(place, entries.size());
        const QAction* entry = entries[place];
        EXPECT_EQ(entry->text(), qtText(item.caption));
        const bool opensMenu =
            std::any_of(kMainForm.menu.begin(), kMainForm.menu.end(),
                        [&](const MenuItem& other) { return other.parent == item.name; });
        ASSERT_EQ(entry->menu() != nullptr, opensMenu);
        const QObject* named = opensMenu ? static_cast<const QObject*>(entry->menu()) : entry;
        EXPECT_EQ(named->objectName(), qtText(item.name));
    }
    for (const auto& [menu, count] : entriesSeen) {
        EXPECT_EQ(entriesOf(menu).size(), count) << menu;
    }

    form.FormCreate({});
    auto* list = find<QTableWidget>("ListView1");
    ASSERT_EQ(static_cast<std::size_t>(list->columnCount()), kMainForm.listColumns.size());
    for (int c = 0; c < list->columnCount(); ++c) {
        const ListColumn& column = kMainForm.listColumns[static_cast<std::size_t>(c)];
        const QTableWidgetItem* header = list->horizontalHeaderItem(c);
        EXPECT_EQ(header->text(), qtText(column.header));
        EXPECT_EQ(list->horizontalHeader()->sectionSize(c), column.width) << c;
        EXPECT_EQ(header->textAlignment() & Qt::AlignHorizontal_Mask,
                  qtAlignment(column.alignment).toInt())
            << c;
    }
}

}  // namespace
}  // namespace bildheber::test
