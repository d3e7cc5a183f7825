#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "ui/DropPanel.h"
#include "ui/PreviewPlacement.h"
#include "ui/PreviewView.h"
#include "ui/WindowFixture.h"

namespace bildheber::test {
namespace {

using LayoutTest = WindowFixture;

TEST_F(LayoutTest, PlacesEveryControlWhereTheFormSays) {
    form.FormCreate({});
    form.show();
    EXPECT_EQ(form.windowTitle(), "Bildheber");
    EXPECT_EQ(form.centralWidget()->size(), QSize(802, 851));
    struct Place {
        const char* name;
        QRect geometry;
    } places[] = {
        {"Panel2", QRect(0, 0, 802, 249)},
        {"Panel1", QRect(0, 249, 802, 602)},
        {"Image1", QRect(1, 1, 800, 600)},
        {"Buttonsend", QRect(7, 18, 138, 41)},
        {"RadioGroupVerfall", QRect(9, 84, 137, 73)},
        {"ButtonDeleteSingle", QRect(9, 163, 138, 28)},
        {"ButtonClearList", QRect(9, 197, 138, 28)},
        {"ListView1", QRect(168, 59, 609, 166)},
        {"LabelLogfile", QRect(168, 231, 609, 13)},
    };
    for (const auto& place : places) {
        const QWidget* widget = find<QWidget>(place.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), place.geometry) << place.name;
    }
    // Labels as wide as their texts; the version label ends where the list ends.
    for (const char* name : {"Label4", "Label2", "LabelHomepage"}) {
        const QLabel* fitted = find<QLabel>(name);
        EXPECT_GE(fitted->width(), fitted->fontMetrics().horizontalAdvance(fitted->text())) << name;
        EXPECT_EQ(fitted->height(), 13) << name;
    }
    EXPECT_EQ(find<QLabel>("Label4")->pos(), QPoint(9, 65));
    EXPECT_EQ(find<QLabel>("Label2")->pos(), QPoint(168, 12));
    EXPECT_EQ(find<QLabel>("LabelHomepage")->geometry().right() + 1, 777);
    EXPECT_EQ(find<QLabel>("Label4")->text(), "...ab in Trullers Forumserver");
    EXPECT_EQ(find<QLabel>("Label2")->text(), "Status:");
    EXPECT_EQ(find<QLabel>("Label1")->pos(), QPoint(168, 31));
    EXPECT_EQ(find<QLabel>("Label1")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(find<QLabel>("LabelLogfile")->palette().color(QPalette::WindowText),
              QColor(128, 128, 128));
    EXPECT_TRUE(find<QLabel>("LabelHomepage")->font().italic());
    EXPECT_EQ(find<QWidget>("Panel1")->palette().color(QPalette::Window), QColor(255, 255, 128));

    // Growing the window grows the drop panel only.
    form.resize(form.width() + 200, form.height() + 100);
    QApplication::processEvents();
    EXPECT_EQ(find<QWidget>("Panel1")->geometry(), QRect(0, 249, 1002, 702));
    EXPECT_EQ(find<QWidget>("ListView1")->geometry(), QRect(168, 59, 609, 166));
}

TEST_F(LayoutTest, ShowsTheTextsOfAFreshStart) {
    form.FormCreate({});
    EXPECT_EQ(find<QLabel>("Label1")->text(), "Warte auf ein oder mehrere Bilder.");
    EXPECT_EQ(find<QLabel>("LabelLogfile")->text().toStdString(),
              "Logfile: " + (folder.path() / "Bildheber_log.txt").string());
    EXPECT_EQ(button("Buttonsend")->text(), "Hochladen");
    EXPECT_EQ(button("ButtonDeleteSingle")->text(), "Bild entfernen");
    EXPECT_EQ(button("ButtonClearList")->text(), "Alle entfernen");
    EXPECT_EQ(
        button("ButtonDeleteSingle")->toolTip(),
        QString::fromUtf8("Bild aus der Liste der hochzuladenden Dateien l\xC3\xB6schen (nicht "
                          "auf dem Server)"));
    EXPECT_EQ(
        button("ButtonClearList")->toolTip(),
        QString::fromUtf8(
            "Liste der hochzuladenden Dateien leeren (nichts auf dem Server l\xC3\xB6schen)"));
    auto* group = find<QGroupBox>("RadioGroupVerfall");
    EXPECT_EQ(group->title(), "Verfallsdatum");
    EXPECT_TRUE(
        group->toolTip().startsWith(QString::fromUtf8("Deine Daten geh\xC3\xB6ren Dir.\nWenn Du")));
    EXPECT_EQ(group->toolTipDuration(), 10000);
    const auto items = group->findChildren<QRadioButton*>();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Nie");
    EXPECT_EQ(items[1]->text(), "12 Monate");
    EXPECT_EQ(items[2]->text(), "6 Wochen");
    EXPECT_TRUE(items[0]->isChecked());
    for (const char* name : {"Buttonsend", "ButtonClearList", "ButtonDeleteSingle"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
}

TEST_F(LayoutTest, CreatesTheSixQueueColumnsWithTheCodeColumnClosed) {
    form.FormCreate({});
    auto* list = find<QTableWidget>("ListView1");
    const char* headers[] = {"Dateiname",  "L\xC3\xA4nge", "Pixel",
                             "Skalierung", "Status",       "Forumscode"};
    const int widths[] = {300, 66, 66, 66, 100, 0};
    ASSERT_EQ(list->columnCount(), 6);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(list->horizontalHeaderItem(c)->text(), QString::fromUtf8(headers[c]));
        EXPECT_EQ(list->horizontalHeader()->sectionSize(c), widths[c]) << headers[c];
    }
    EXPECT_EQ(list->horizontalHeaderItem(1)->textAlignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_TRUE(list->horizontalHeader()->sectionsMovable());
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(LayoutTest, TheClosedCodeColumnOpensByDraggingItsDivider) {
    form.FormCreate({});
    form.show();
    QHeaderView* header = find<QTableWidget>("ListView1")->horizontalHeader();
    const int divider = header->sectionViewportPosition(5);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(divider, 5));
    QTest::mouseMove(header->viewport(), QPoint(divider + 120, 5));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(divider + 120, 5));
    EXPECT_EQ(header->sectionSize(5), 120);
    EXPECT_EQ(header->sectionSize(4), 100);
    // The divider before it still resizes the "Status" column.
    const int statusEdge = header->sectionViewportPosition(5) - 1;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(statusEdge, 5));
    QTest::mouseMove(header->viewport(), QPoint(statusEdge + 30, 5));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(statusEdge + 30, 5));
    EXPECT_EQ(header->sectionSize(4), 130);
}

TEST_F(LayoutTest, ShowsTextsAsTheyAreNeverAsMarkup) {
    form.FormCreate({});
    form.setStatusText("Sendefehler./tmp/<b>fett</b>.jpg");
    EXPECT_EQ(find<QLabel>("Label1")->textFormat(), Qt::PlainText);
    EXPECT_EQ(find<QLabel>("LabelLogfile")->textFormat(), Qt::PlainText);
    form.showNotice("\"<i>x</i>.jpg\"scheint kein JPEG-Bild zu sein. Schade.");
    ASSERT_EQ(boxes.seen.size(), 1u);
    EXPECT_EQ(boxes.seen[0].format, Qt::PlainText);
}

TEST_F(LayoutTest, HasTheMenuOfThreeItems) {
    const auto actions = form.menuBar()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), "Dateibrowser");
    EXPECT_EQ(actions[1]->text(), "Logfile");
    EXPECT_EQ(actions[2]->text(), "Forumscode");
    ASSERT_NE(actions[2]->menu(), nullptr);
    ASSERT_EQ(actions[2]->menu()->actions().size(), 1);
    EXPECT_EQ(actions[2]->menu()->actions()[0]->text(), "...nochmal in Zwischenablage kopieren");
}

TEST(PlacePreview, ScalesWithTheAspectKeptOrKeepsTheNaturalSizeAndCentres) {
    struct Case {
        int w, h, cw, ch;
        bool stretch;
        Bounds expected;
    } cases[] = {
        {1600, 1200, 800, 600, true, {0, 0, 800, 600}},
        {400, 300, 800, 600, true, {0, 0, 800, 600}},       // small pictures are enlarged
        {400, 300, 800, 600, false, {200, 150, 400, 300}},  // or stay at their size
        {1000, 100, 800, 600, false, {0, 260, 800, 80}},    // too wide: reduced anyway
        {300, 900, 800, 600, true, {300, 0, 200, 600}},     // portrait
        {1000, 900, 800, 600, true, {67, 0, 666, 600}},     // landscape limited by the height
        {900, 1000, 600, 800, true, {0, 67, 600, 666}},     // portrait limited by the width
        {0, 0, 800, 600, true, {0, 0, 800, 600}},
    };
    for (const auto& c : cases) {
        const Bounds placed = placePreview(c.w, c.h, c.cw, c.ch, c.stretch);
        EXPECT_EQ(QRect(placed.left, placed.top, placed.width, placed.height),
                  QRect(c.expected.left, c.expected.top, c.expected.width, c.expected.height))
            << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch
            << (c.stretch ? " stretched" : "");
    }
}

TEST(PreviewTest, DecodesLargePicturesAtMost4096PixelsOnTheirLongerSide) {
    const struct {
        int w, h;
        PreviewSize expected;
    } cases[] = {
        {4000, 3000, {4000, 3000}}, {4096, 4096, {4096, 4096}},   {8192, 6144, {4096, 3072}},
        {6144, 8192, {3072, 4096}}, {65500, 65500, {4096, 4096}}, {65500, 1, {4096, 1}},
    };
    for (const auto& c : cases) {
        const PreviewSize size = previewDecodeSize(c.w, c.h);
        EXPECT_EQ(std::make_pair(size.width, size.height),
                  std::make_pair(c.expected.width, c.expected.height))
            << c.w << "x" << c.h;
    }
}

TEST_F(LayoutTest, TheWindowCanBeMadeLowerThanItsControlPanel) {
    form.show();
    form.resize(form.width(), 120);
    QApplication::processEvents();

    EXPECT_EQ(form.height(), 120);
    EXPECT_EQ(find<QWidget>("Panel2")->height(), 249);  // cut off, not squeezed
}

}  // namespace
}  // namespace bildheber::test
