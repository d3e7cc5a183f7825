// End to end: the window started with two pictures on its command line uploads them to the real
// local image host when "Hochladen" is pressed, and the clipboard then holds both forum codes.

#include <QClipboard>
#include <QTest>
#include <regex>

#include "support/ImageHostProcess.h"
#include "ui/WindowFixture.h"
#include "upload/PostImage.h"

namespace bildheber::test {
namespace {

TEST(WindowUploadTest, PutsTheForumCodesOfBothPicturesOnTheClipboard) {
    TempDir folder;
    ImageHostProcess host(folder.path() / "data");
    setenv("SSL_CERT_FILE", host.certificate().c_str(), 1);
    setenv("BILDHEBER_SERVER", ("localhost:" + std::to_string(host.port())).c_str(), 1);

    RecordingDesktop desktop((folder.path() / "Bildheber").string());
    MessageBoxCloser boxes;
    ExchangeKeepingThePaint exchange(
        [](std::string_view path, std::string_view jpeg, ExpiryChoice expiry) {
            return postImage(path, jpeg, expiry);
        });
    TForm1 form(desktop, exchange);
    std::vector<std::string> pictures;
    for (const char* name : {"eins.jpg", "zwei.jpg"}) {
        pictures.push_back(writeJpegFile(folder.path() / name, 640, 480));
    }
    form.FormCreate(pictures);
    form.show();
    QGuiApplication::clipboard()->setText("vorher");

    QTest::mouseClick(form.findChild<QPushButton*>("Buttonsend"), Qt::LeftButton);

    unsetenv("BILDHEBER_SERVER");
    unsetenv("SSL_CERT_FILE");
    const std::string clipboard = QGuiApplication::clipboard()->text().toStdString();
    const std::regex twoCodes(
        "(\\[URL=https://localhost:[0-9]+/imghost/p/[^\\]]+\\]\\[IMG\\][^\\[]+\\[/IMG\\]\\[/URL\\]"
        "\\r\\n){2}");
    EXPECT_TRUE(std::regex_match(clipboard, twoCodes)) << clipboard;
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text().toStdString(),
              "Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen.");
    EXPECT_TRUE(boxes.seen.empty());
}

}  // namespace
}  // namespace bildheber::test
