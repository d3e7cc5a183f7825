#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <thread>

#include "ui/PreviewView.h"
#include "ui/WindowFixture.h"

namespace bildheber::test {
namespace {

class InputsTest : public WindowFixture {
  protected:
    InputsTest() {
        form.FormCreate({});
        form.show();
    }

    QMimeData* filesAsDropped(const std::vector<std::string>& paths) {
        auto* data = new QMimeData;  // owned by the test's drops
        QList<QUrl> urls;
        for (const auto& path : paths) {
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        }
        data->setUrls(urls);
        mimes_.emplace_back(data);
        return data;
    }

    // A drag entering the widget and, if it is taken, the drop on it. True when it was taken.
    bool dropOn(QWidget* target, const std::vector<std::string>& paths) {
        QMimeData* data = filesAsDropped(paths);
        const QPointF centre = QRectF(target->rect()).center();
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent drop(centre, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    QTableWidget* list() { return find<QTableWidget>("ListView1"); }
    void clickRow(int row) {
        const QRect cell = list()->visualRect(list()->model()->index(row, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickBelowRows() {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          QPoint(20, list()->viewport()->height() - 5));
    }
    std::optional<int> selected() {
        const auto rows = list()->selectionModel()->selectedRows();
        return rows.isEmpty() ? std::nullopt : std::optional<int>(rows.first().row());
    }

    std::vector<std::unique_ptr<QMimeData>> mimes_;
};

TEST_F(InputsTest, TakesDropsOnlyOnTheDropPanelAndQueuesThemInOrder) {
    const std::vector<std::string> files = {writeJpeg("1.jpg"), writeJpeg("2.jpg"),
                                            writeJpeg("3.jpg")};
    EXPECT_FALSE(dropOn(find<QWidget>("Panel2"), files));
    EXPECT_FALSE(dropOn(list()->viewport(), files));
    EXPECT_EQ(list()->rowCount(), 0);

    EXPECT_TRUE(dropOn(find<QWidget>("Image1"), files));  // the preview covers the panel
    ASSERT_EQ(list()->rowCount(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(list()->item(r, 0)->text().toStdString(), files[static_cast<std::size_t>(r)]);
    }
    EXPECT_EQ(selected(), 2);
    EXPECT_TRUE(form.preview().hasPicture());
    EXPECT_EQ(find<QLabel>("Label1")->text(), "Habe 3 Bilder. Bitte auf Hochladen klicken.");
}

TEST_F(InputsTest, FollowsTheControlStateTable) {
    const std::string a = writeJpeg("a.jpg");
    const std::string b = writeJpeg("b.jpg");
    const std::string c = writeJpeg("c.jpg");
    struct Step {
        const char* event;
        std::function<void()> act;
        bool send, clearList, deleteSingle;
        std::optional<int> selection;
        bool picture;
    };
    const std::vector<Step> steps = {
        {"accepted by a drop",
         [&] {
             dropOn(find<QWidget>("Panel1"), {a, b, c});
         },
         true, true, true, 2, true},
        {"rejected drop",
         [&] { dropOn(find<QWidget>("Panel1"), {(folder.path() / "x.png").string()}); }, false,
         true, true, 2, true},
        {"click on a row", [&] { clickRow(0); }, false, true, true, 0, true},
        {"click below the rows", [&] { clickBelowRows(); }, false, true, false, std::nullopt,
         false},
        {"remove without selection",
         [&] { QTest::mouseClick(button("ButtonDeleteSingle"), Qt::LeftButton); }, false, true,
         false, std::nullopt, false},
        {"click on the last row", [&] { clickRow(2); }, false, true, true, 2, true},
        {"remove the last row",
         [&] { QTest::mouseClick(button("ButtonDeleteSingle"), Qt::LeftButton); }, false, true,
         true, 1, true},
        {"remove a row that is not the last",
         [&] {
             clickRow(0);
             QTest::mouseClick(button("ButtonDeleteSingle"), Qt::LeftButton);
         },
         false, true, true, std::nullopt, false},
        {"remove the only row",
         [&] {
             clickRow(0);
             QTest::mouseClick(button("ButtonDeleteSingle"), Qt::LeftButton);
         },
         false, false, true, std::nullopt, false},
        {"accepted from the file dialog's list",
         [&] {
             form.job().Dateiladen1Click({a, b});
         },
         true, true, true, 1, true},
        {"remove all", [&] { QTest::mouseClick(button("ButtonClearList"), Qt::LeftButton); }, true,
         false, false, std::nullopt, false},
        {"upload run over an empty queue",
         [&] { QTest::mouseClick(button("Buttonsend"), Qt::LeftButton); }, true, true, true,
         std::nullopt, false},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(enabled("Buttonsend"), step.send) << step.event;
        EXPECT_EQ(enabled("ButtonClearList"), step.clearList) << step.event;
        EXPECT_EQ(enabled("ButtonDeleteSingle"), step.deleteSingle) << step.event;
        EXPECT_EQ(selected(), step.selection) << step.event;
        EXPECT_EQ(form.preview().hasPicture(), step.picture) << step.event;
    }
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].title, "Bildheber");
    EXPECT_EQ(boxes.seen[0].icon, QMessageBox::NoIcon);
    EXPECT_TRUE(boxes.seen[0].text.endsWith("endet nicht auf JPEG oder JPG. So wird das nix."));
    EXPECT_EQ(desktop.sounds, std::vector<std::string>{"beep"});
}

TEST_F(InputsTest, MenuCommandsReachTheJob) {
    auto* menu = form.menuBar();
    const auto actions = menu->actions();
    actions[1]->trigger();  // Logfile
    EXPECT_EQ(desktop.opened, std::vector<std::string>{form.job().logfilename()});
    find<QLabel>("LabelLogfile");
    QTest::mouseClick(find<QLabel>("LabelLogfile"), Qt::LeftButton);
    EXPECT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[1], form.job().logfilename());
    QTest::mouseClick(find<QLabel>("LabelHomepage"), Qt::LeftButton);
    EXPECT_EQ(desktop.opened[2], kHomepage);

    QGuiApplication::clipboard()->setText("vorher");
    actions[2]->menu()->actions()[0]->trigger();  // copy again: the empty codes of no run
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");

    actions[0]->trigger();  // the file dialog, cancelled
    EXPECT_EQ(list()->rowCount(), 0);
}

TEST_F(InputsTest, LinkLabelsTurnBlackUnderThePointer) {
    auto* label = find<QLabel>("LabelHomepage");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(label, &enter);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(label, &leave);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(128, 128, 128));
}

TEST_F(InputsTest, AFailureNoHandlerExpectedEndsInAnErrorBox) {
    dropOn(find<QWidget>("Panel1"), {writeJpeg("a.jpg")});
    QTest::mouseClick(button("Buttonsend"), Qt::LeftButton);  // this test's uploader always fails
    EXPECT_EQ(list()->item(0, 4)->text(), "Error!");
    EXPECT_TRUE(find<QLabel>("Label1")->text().startsWith("Sendefehler."));
    std::filesystem::create_directory(folder.path() / "Bildheber_tmp.jpg");
    QGuiApplication::clipboard()->setImage(QImage(4, 4, QImage::Format_RGB32));
    QTest::mouseClick(find<QWidget>("Image1"), Qt::LeftButton);  // capture: name taken by a folder
    ASSERT_FALSE(boxes.seen.empty());
    EXPECT_EQ(boxes.seen.back().icon, QMessageBox::Critical);
    EXPECT_EQ(boxes.seen.back().title, "Bildheber");
    EXPECT_TRUE(boxes.seen.back().text.contains("kann nicht erstellt werden"));
}

}  // namespace
}  // namespace bildheber::test

namespace bildheber::test {
namespace {

// A window whose uploads take 300 ms on the worker thread and then give `reply` (or fail when
// it is empty), with one picture queued and one more that is dropped 100 ms into the exchange.
class ExchangeTest : public ::testing::Test {
  protected:
    explicit ExchangeTest(std::string reply = {})
        : exchange([reply](std::string_view, std::string_view, ExpiryChoice) {
              std::this_thread::sleep_for(std::chrono::milliseconds(300));
              if (reply.empty()) {
                  throw std::runtime_error("connection refused");
              }
              return reply;
          }),
          form(desktop, exchange) {
        form.FormCreate({picture("a.jpg")});
        form.show();
        QTimer::singleShot(100, [this] {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(QString::fromStdString(late))});
            auto* panel = form.findChild<QWidget*>("Panel1");
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(panel, &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(panel, &drop);
            queuedRightAfterTheDrop = form.job().queue().size();
        });
    }

    std::string picture(const char* name) const {
        return writeJpegFile(folder.path() / name, 8, 8);
    }

    TempDir folder;
    RecordingDesktop desktop{(folder.path() / "Bildheber").string()};
    MessageBoxCloser boxes;
    ExchangeKeepingThePaint exchange;
    TForm1 form;
    std::string late = picture("b.jpg");
    std::size_t queuedRightAfterTheDrop = 0;
};

class SuccessfulExchangeTest : public ExchangeTest {
  protected:
    SuccessfulExchangeTest()
        : ExchangeTest("<input id=\"codebbs\" value=\"[URL=a][IMG]b[/IMG][/URL]\">") {}
};

// While a picture is being sent the window keeps painting, but a drop waits for the run's next
// event point, as every other input does.
TEST_F(SuccessfulExchangeTest, KeepsADropMadeDuringTheExchangeForTheNextEventPoint) {
    QTest::mouseClick(form.findChild<QPushButton*>("Buttonsend"), Qt::LeftButton);

    EXPECT_EQ(queuedRightAfterTheDrop, 1u) << "the drop must wait while the picture is sent";
    ASSERT_EQ(form.job().queue().size(), 2u);
    EXPECT_EQ(form.job().queue()[0].status, "Fertig.");
    EXPECT_EQ(form.job().queue()[1].status, "-");  // not part of the running run
    EXPECT_EQ(form.job().all_bbcCodes(), "[URL=a][IMG]b[/IMG][/URL]\r\n");
}

// A drop made while an upload that then fails is being sent must not wait for another run.
TEST_F(ExchangeTest, HandsOnADropEvenWhenTheAttemptFails) {
    QTest::mouseClick(form.findChild<QPushButton*>("Buttonsend"), Qt::LeftButton);
    EXPECT_EQ(queuedRightAfterTheDrop, 1u);
    EXPECT_EQ(form.job().queue()[0].status, "Error!");
    QApplication::processEvents();  // the event loop after the run

    ASSERT_EQ(form.job().queue().size(), 2u);
    EXPECT_EQ(form.job().queue()[1].path, late);
}

}  // namespace
}  // namespace bildheber::test
