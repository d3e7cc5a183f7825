#include "ui/FormBuilder.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "ui/DropPanel.h"
#include "ui/PreviewView.h"
#include "ui/QtFormValues.h"
#include "ui/QueueList.h"

namespace bildheber {

namespace {

void setTextColour(QWidget& widget, const QColor& colour) {
    QPalette colours = widget.palette();
    colours.setColor(QPalette::WindowText, colour);
    widget.setPalette(colours);
}

void setBackground(QWidget& widget, const QColor& colour) {
    widget.setAutoFillBackground(true);
    QPalette colours = widget.palette();
    colours.setColor(QPalette::Window, colour);
    widget.setPalette(colours);
}

// A label that links: its pointer colour while the pointer is over it, else its own.
class PointerColour : public QObject {
  public:
    PointerColour(QWidget& label, Rgb own, Rgb pointed)
        : QObject(&label), own_(qtColour(own)), pointed_(qtColour(pointed)) {
        label.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            setTextColour(*static_cast<QWidget*>(watched),
                          event->type() == QEvent::Enter ? pointed_ : own_);
        }
        return false;
    }

  private:
    QColor own_;
    QColor pointed_;
};

QWidget* createControl(const Control& control, QWidget* parent) {
    const QString text = qtText(control.text);
    switch (control.kind) {
        case ControlKind::Panel:
            return new QFrame(parent);
        case ControlKind::DropPanel: {
            auto* panel = new DropPanel(parent);
            panel->setCaption(text);
            return panel;
        }
        case ControlKind::Preview:
            return new PreviewView(parent);
        case ControlKind::Button:
            return new QPushButton(text, parent);
        case ControlKind::Label: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);  // a path shown in it never turns into markup
            label->setAlignment(qtAlignment(control.alignment) | Qt::AlignVCenter);
            return label;
        }
        case ControlKind::RadioGroup:
            return new QGroupBox(text, parent);
        case ControlKind::RadioItem: {
            auto* item = new QRadioButton(text, parent);
            item->setChecked(control.checked);
            return item;
        }
        case ControlKind::QueueList:
            return new QueueList(parent);
    }
    throw std::logic_error("A control of no known kind.");
}

void fitWidthToText(QWidget& widget, const Control& control) {
    const Bounds& bounds = control.bounds;
    const int width =
        widget.fontMetrics().horizontalAdvance(qtText(control.text)) + control.extraWidth;
    const int left = control.widthFromText == WidthFromText::KeepRightEdge
                         ? bounds.left + bounds.width - width
                         : bounds.left;
    widget.setGeometry(left, bounds.top, width, bounds.height);
}

void applyLook(QWidget& widget, const Control& control) {
    if (!control.name.empty()) {
        widget.setObjectName(qtText(control.name));
    }
    if (control.dock == Dock::None) {
        const Bounds& bounds = control.bounds;
        widget.setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
    }
    if (!control.hint.empty()) {
        widget.setToolTip(qtText(control.hint));
    }
    widget.setEnabled(control.enabled);
    if (control.italic) {
        QFont italic = widget.font();
        italic.setItalic(true);
        widget.setFont(italic);
    }
    if (control.widthFromText != WidthFromText::No) {
        fitWidthToText(widget, control);  // after the font is set: it is measured in that font
    }
    if (control.textColour) {
        setTextColour(widget, qtColour(*control.textColour));
    }
    if (control.background) {
        setBackground(widget, qtColour(*control.background));
    }
    if (auto* frame = qobject_cast<QFrame*>(&widget);
        frame != nullptr && control.border == Border::RaisedBevel) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
        frame->setLineWidth(1);
    }
    if (control.pointerTextColour) {
        new PointerColour(widget, control.textColour.value_or(Rgb{}), *control.pointerTextColour);
    }
}

// Docked children share one column, edge to edge, inside the parent's padding.
void dock(QWidget& child, const Control& control, QWidget& parent, const Insets& padding) {
    auto* column = qobject_cast<QVBoxLayout*>(parent.layout());
    if (column == nullptr) {
        column = new QVBoxLayout(&parent);
        column->setContentsMargins(padding.left, padding.top, padding.right, padding.bottom);
        column->setSpacing(0);
    }
    switch (control.dock) {
        case Dock::Top:
            child.setFixedHeight(control.bounds.height);
            column->addWidget(&child);
            break;
        case Dock::Fill:
            column->addWidget(&child, 1);
            break;
        case Dock::Column:
            column->addWidget(&child);
            break;
        case Dock::None:
            break;
    }
}

// Where the keyboard goes to reach a control: a radio group is reached at its first item.
QWidget* tabStop(QWidget* control) {
    if (qobject_cast<QGroupBox*>(control) != nullptr) {
        if (auto* item = control->findChild<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly)) {
            return item;
        }
    }
    return control;
}

void chainTabOrder(std::vector<std::pair<int, QWidget*>> stops) {
    std::sort(stops.begin(), stops.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < stops.size(); ++i) {
        QWidget::setTabOrder(tabStop(stops[i - 1].second), tabStop(stops[i].second));
    }
}

void buildControls(QWidget& client, const FormLayout& form) {
    struct Container {
        QWidget* widget;
        Insets padding;
    };
    std::map<std::string_view, Container> containers{{form.name, {&client, Insets{}}}};
    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const Control& control : form.controls) {
        const auto parent = containers.find(control.parent);
        if (parent == containers.end()) {
            throw std::logic_error("A control whose parent comes later in the form.");
        }
        QWidget* widget = createControl(control, parent->second.widget);
        applyLook(*widget, control);
        if (control.dock != Dock::None) {
            dock(*widget, control, *parent->second.widget, parent->second.padding);
        }
        if (control.tabPosition) {
            tabStops.emplace_back(*control.tabPosition, widget);
        }
        if (!control.name.empty()) {
            containers.emplace(control.name, Container{widget, control.padding});
        }
    }
    chainTabOrder(std::move(tabStops));
}

bool opensMenu(const MenuItem& item, std::span<const MenuItem> menu) {
    return std::any_of(menu.begin(), menu.end(),
                       [&](const MenuItem& other) { return other.parent == item.name; });
}

void buildMenu(QMenuBar& bar, std::span<const MenuItem> menu) {
    std::map<std::string_view, QMenu*> menus;
    for (const MenuItem& item : menu) {
        QMenu* parent = item.parent.empty() ? nullptr : menus.at(item.parent);
        const QString caption = qtText(item.caption);
        if (opensMenu(item, menu)) {
            QMenu* opened = parent != nullptr ? parent->addMenu(caption) : bar.addMenu(caption);
            opened->setObjectName(qtText(item.name));
            menus.emplace(item.name, opened);
        } else {
            QAction* command =
                parent != nullptr ? parent->addAction(caption) : bar.addAction(caption);
            command->setObjectName(qtText(item.name));
        }
    }
}

}  // namespace

void buildForm(QMainWindow& window, const FormLayout& form) {
    window.setObjectName(qtText(form.name));
    window.setWindowTitle(qtText(form.caption));
    buildMenu(*window.menuBar(), form.menu);
    auto* client = new QWidget(&window);
    client->setObjectName("client");
    window.setCentralWidget(client);
    buildControls(*client, form);
    // Like any window, it may be made as low as the user likes: what does not fit is cut off,
    // the docked panels keep their heights.
    client->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    if (QLayout* column = client->layout()) {
        column->setSizeConstraint(QLayout::SetNoConstraint);
    }
    client->resize(form.clientWidth, form.clientHeight);
    window.resize(form.clientWidth, form.clientHeight + window.menuBar()->sizeHint().height());
}

}  // namespace bildheber
