#include <filesystem>

#include "job/JobFixture.h"

namespace bildheber::test {
namespace {

using InputsTest = JobFixture;

TEST_F(InputsTest, ADropQueuesEveryFileInOrderAndSelectsTheLast) {
    const std::vector<std::string> files = {writeJpeg("1.jpg"), writeJpeg("2.jpg"),
                                            writeJpeg("3.jpg")};
    job.handleDroppedFiles(files);
    ASSERT_EQ(job.queue().size(), 3u);
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(job.queue()[i].path, files[i]);
    }
    EXPECT_EQ(window.selected, 2u);
    EXPECT_EQ(window.preview, files[2]);
    EXPECT_EQ(window.statusText, "Habe 3 Bilder. Bitte auf Hochladen klicken.");
    EXPECT_TRUE(window.button(Button::Send) && window.button(Button::ClearList) &&
                window.button(Button::DeleteSingle));
}

TEST_F(InputsTest, ADropOfOnlyRejectedFilesDisablesSendingButKeepsTheQueue) {
    job.AddToFileList(writeJpeg("a.jpg"));
    job.handleDroppedFiles({writeFile("b.png", "x")});
    EXPECT_EQ(window.notices.size(), 1u);
    EXPECT_FALSE(window.button(Button::Send));
    EXPECT_TRUE(window.button(Button::ClearList));
    EXPECT_EQ(job.queue().size(), 1u);
    EXPECT_FALSE(job.ok());
    // The next accepted file, from anywhere, enables sending again.
    job.Dateiladen1Click({writeJpeg("c.jpg")});
    EXPECT_TRUE(window.button(Button::Send));
    EXPECT_TRUE(job.ok());
}

TEST_F(InputsTest, ADropOnAnEmptyQueueThatBringsNothingLeavesRemovingOff) {
    job.handleDroppedFiles({writeFile("b.png", "x")});
    EXPECT_FALSE(window.button(Button::ClearList));
}

TEST_F(InputsTest, RemovingOneEntryFollowsTheSelectionRules) {
    struct Case {
        const char* name;
        std::size_t rows;
        std::optional<std::size_t> selected;
        std::size_t rowsAfter;
        std::optional<std::size_t> selectedAfter;
        bool clearListAfter;
    } cases[] = {
        {"last of three", 3, 2, 2, 1, true},
        {"middle of three", 3, 1, 2, std::nullopt, true},
        {"the only one", 1, 0, 0, std::nullopt, false},
        {"nothing selected", 2, std::nullopt, 2, std::nullopt, true},
    };
    for (const auto& c : cases) {
        job.ButtonClearListClick();
        std::vector<std::string> files;
        for (std::size_t i = 0; i < c.rows; ++i) {
            files.push_back(writeJpeg(std::to_string(i) + ".jpg"));
            job.AddToFileList(files.back());
        }
        const bool sendBefore = window.button(Button::Send);
        window.selected = c.selected;
        window.preview = "before";

        job.ButtonDeleteSingleClick();

        EXPECT_EQ(job.queue().size(), c.rowsAfter) << c.name;
        EXPECT_EQ(window.rows.size(), c.rowsAfter) << c.name;
        EXPECT_EQ(window.selected, c.selectedAfter) << c.name;
        EXPECT_EQ(window.button(Button::ClearList), c.clearListAfter) << c.name;
        EXPECT_TRUE(window.button(Button::DeleteSingle)) << c.name;
        EXPECT_EQ(window.button(Button::Send), sendBefore) << c.name;
        if (!c.selected) {
            EXPECT_EQ(window.preview, "before") << c.name;
        } else if (c.selectedAfter) {
            EXPECT_EQ(window.preview, files[*c.selectedAfter]) << c.name;
        } else {
            EXPECT_EQ(window.preview, "") << c.name;
        }
    }
    EXPECT_EQ(window.statusText, "Habe 2 Bilder. Bitte auf Hochladen klicken.");
}

TEST_F(InputsTest, RemovingAllEmptiesQueuePreviewAndRemoveButtons) {
    job.AddToFileList(writeJpeg("a.jpg"));
    job.AddToFileList(writeJpeg("b.jpg"));
    job.ButtonClearListClick();
    EXPECT_TRUE(job.queue().empty());
    EXPECT_TRUE(window.rows.empty());
    EXPECT_FALSE(window.button(Button::ClearList));
    EXPECT_FALSE(window.button(Button::DeleteSingle));
    EXPECT_TRUE(window.button(Button::Send));
    EXPECT_EQ(window.preview, "");
    EXPECT_EQ(window.statusText, "Warte auf ein oder mehrere Bilder.");
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "a.jpg"));
}

TEST_F(InputsTest, AListClickPreviewsTheSelectedRowOrEmptiesThePreview) {
    const std::string a = writeJpeg("a.jpg");
    job.AddToFileList(a);
    job.AddToFileList(writeJpeg("b.jpg"));
    window.selected = 0;
    job.ListView1Click();
    EXPECT_EQ(window.preview, a);
    EXPECT_TRUE(window.button(Button::DeleteSingle));
    window.selected.reset();
    job.ListView1Click();
    EXPECT_EQ(window.preview, "");
    EXPECT_FALSE(window.button(Button::DeleteSingle));
}

TEST_F(InputsTest, AClickOnThePictureQueuesTheClipboardBitmapAsATemporaryFile) {
    job.Image1Click();  // nothing on the clipboard
    EXPECT_TRUE(job.queue().empty());
    EXPECT_TRUE(window.notices.empty() && window.errors.empty());

    RgbRaster bitmap(1920, 1080);
    platform.clipboardBitmap = bitmap;
    job.Image1Click();
    job.Image1Click();
    job.Image1Click();
    ASSERT_EQ(job.queue().size(), 3u);
    EXPECT_EQ(job.queue()[0].path, (folder.path() / "Bildheber_tmp.jpg").string());
    EXPECT_EQ(job.queue()[1].path, (folder.path() / "Bildheber_tmp-1.jpg").string());
    EXPECT_EQ(job.queue()[2].path, (folder.path() / "Bildheber_tmp-2.jpg").string());
    EXPECT_EQ(job.queue()[0].pixelText, "1920x1080");
    EXPECT_EQ(job.queue()[0].scaleText, "20%");
    EXPECT_EQ(window.preview, job.queue()[2].path);
    job.FormClose();
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Bildheber_tmp.jpg"));
}

TEST_F(InputsTest, ACaptureThatFailsShowsWhyAndQueuesNothing) {
    platform.clipboardBitmap = RgbRaster(8, 8);
    platform.clipboardLocked = true;
    job.Image1Click();
    EXPECT_EQ(window.errors.size(), 1u);

    platform.clipboardLocked = false;
    // The temporary file's name is taken by a folder, so the file cannot be created.
    std::filesystem::create_directory(folder.path() / "Bildheber_tmp.jpg");
    job.Image1Click();
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[1].rfind("Datei \"" + (folder.path() / "Bildheber_tmp.jpg").string() +
                                         "\" kann nicht erstellt werden. ",
                                     0),
              0u)
        << window.errors[1];
    EXPECT_TRUE(job.queue().empty());
    EXPECT_EQ(window.preview, "clipboard");
}

TEST_F(InputsTest, OpensTheLogFileWithTheDesktop) {
    job.LabelLogfileClick();
    EXPECT_EQ(platform.opened, std::vector<std::string>{job.logfilename()});
}

}  // namespace
}  // namespace bildheber::test
