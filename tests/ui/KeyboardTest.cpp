// The keyboard walks the form's controls in their tab order; inside the queue list and the
// expiry group the arrow keys move.

#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "ui/WindowFixture.h"

namespace bildheber::test {
namespace {

class KeyboardTest : public WindowFixture {
  protected:
    // The controls that Tab reaches from the focused one, `count` presses, by name (a radio
    // item by its text).
    std::vector<std::string> tabWalk(int count) {
        std::vector<std::string> reached;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focused = QApplication::focusWidget();
            const auto* item = qobject_cast<QRadioButton*>(focused);
            reached.push_back(item != nullptr ? item->text().toStdString()
                                              : focused->objectName().toStdString());
        }
        return reached;
    }

    void showWithFocusOn(const char* name) {
        form.show();
        QApplication::setActiveWindow(&form);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.findChild<QWidget*>(name)->setFocus();
    }
};

TEST_F(KeyboardTest, TabWalksTheButtonsTheListAndTheExpiryGroupInTurn) {
    const std::string a = writeJpeg("a.jpg");
    const std::string b = writeJpeg("b.jpg");
    form.FormCreate({a, b});
    showWithFocusOn("Buttonsend");

    EXPECT_EQ(tabWalk(6),
              (std::vector<std::string>{"ButtonClearList", "ButtonDeleteSingle", "ListView1", "Nie",
                                        "Buttonsend", "ButtonClearList"}));
}

TEST_F(KeyboardTest, TabSkipsDisabledButtons) {
    form.FormCreate({});  // nothing queued: the three buttons are off
    showWithFocusOn("ListView1");

    EXPECT_EQ(tabWalk(3), (std::vector<std::string>{"Nie", "ListView1", "Nie"}));
}

TEST_F(KeyboardTest, ArrowKeysMoveInsideTheListAndTheExpiryGroup) {
    const std::string a = writeJpeg("a.jpg");
    const std::string b = writeJpeg("b.jpg");
    form.FormCreate({a, b});
    showWithFocusOn("ListView1");
    auto* list = find<QTableWidget>("ListView1");
    list->setCurrentCell(0, 0);

    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(QApplication::focusWidget(), list);

    const auto items = find<QWidget>("RadioGroupVerfall")->findChildren<QRadioButton*>();
    items[0]->setFocus();
    QTest::keyClick(items[0], Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), items[1]);
    EXPECT_TRUE(items[1]->isChecked());
}

}  // namespace
}  // namespace bildheber::test
