#include "job/JobFixture.h"

namespace bildheber::test {
namespace {

using AcceptanceTest = JobFixture;

TEST_F(AcceptanceTest, RejectsWhatIsNotAJpegPictureWithItsNotice) {
    const std::string png = writeFile("foto.jpg", "\x89PNG\r\n\x1a\n0000");
    const std::string empty = writeFile("leer.jpg", "");
    const std::string text = writeFile("brief.txt", "hallo");
    struct Case {
        std::string file;
        std::string notice;
        std::string previewAfter;
    } cases[] = {
        {text, "Die Datei \"" + text + "\" endet nicht auf JPEG oder JPG. So wird das nix.",
         "keep"},
        {png, "\"" + png + "\"scheint kein JPEG-Bild zu sein. Schade.", "keep"},
        {(folder.path() / "fehlt.jpg").string(),
         "\"" + (folder.path() / "fehlt.jpg").string() +
             "\"scheint kein JPEG-Bild zu sein. Schade.",
         "keep"},
        {empty, "Das scheint kein JPEG-Bild zu sein. So wird das nix.", ""},
    };
    for (const auto& c : cases) {
        window.preview = "keep";
        window.notices.clear();
        job.AddToFileList(c.file);
        EXPECT_EQ(window.notices, std::vector<std::string>{c.notice}) << c.file;
        EXPECT_EQ(window.preview, c.previewAfter) << c.file;
        EXPECT_TRUE(job.queue().empty());
        EXPECT_FALSE(job.ok());
        EXPECT_FALSE(window.button(Button::Send));
        EXPECT_EQ(window.statusText, "Warte auf ein oder mehrere Bilder.");
    }
}

TEST_F(AcceptanceTest, QueuesTheFactsOfAnAcceptedPicture) {
    const std::string file = writeJpeg("Urlaub.JPEG", 401, 300);
    job.AddToFileList(file);
    job.AddToFileList(file);  // no duplicate check
    ASSERT_EQ(job.queue().size(), 2u);
    const UploadEntry& entry = job.queue()[0];
    EXPECT_EQ(entry.path, file);
    EXPECT_EQ(entry.sizeText, std::to_string(getFileSize(file) / 1024) + " KB");
    EXPECT_EQ(entry.pixelText, "401x300");
    EXPECT_EQ(entry.scaleText, "90%");
    EXPECT_EQ(entry.status, "-");
    EXPECT_EQ(entry.forumCode, "");
    EXPECT_EQ(window.rows.size(), 2u);
    EXPECT_EQ(window.selected, 1u);
    EXPECT_EQ(window.preview, file);
    EXPECT_TRUE(window.button(Button::Send) && window.button(Button::ClearList) &&
                window.button(Button::DeleteSingle));
    EXPECT_TRUE(job.ok());
    EXPECT_EQ(job.scalex(), 90);
    EXPECT_EQ(job.scaley(), 100);
    EXPECT_EQ(window.statusText, "Habe 2 Bilder. Bitte auf Hochladen klicken.");
}

TEST_F(AcceptanceTest, StretchesThePreviewOnlyForPicturesBeyondTheWindow) {
    struct Case {
        int width, height;
        bool stretch;
    } cases[] = {{800, 600, true}, {640, 480, false}, {792, 768, false}, {100, 769, true}};
    for (const auto& c : cases) {
        job.AddToFileList(writeJpeg("p.jpg", c.width, c.height));
        EXPECT_EQ(window.stretch, c.stretch) << c.width << "x" << c.height;
    }
}

TEST_F(AcceptanceTest, PreviewsOnlyReadableJpegFilesAndKeepsThePictureOtherwise) {
    const std::string file = writeJpeg("a.jpg");
    window.preview = "before";
    job.showPreview(writeFile("b.png", "x"));
    job.showPreview((folder.path() / "gone.jpg").string());
    EXPECT_EQ(window.preview, "before");
    EXPECT_TRUE(window.notices.empty());
    job.showPreview(file);
    EXPECT_EQ(window.preview, file);
}

}  // namespace
}  // namespace bildheber::test
