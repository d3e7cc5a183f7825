// The run re-encodes its next picture while the current one is being sent; what it sends, and
// where a file that changed meanwhile fails, stay as if each step re-encoded its own picture.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "imaging/ResizeJpg.h"
#include "support/FakePlatform.h"
#include "support/FakeWindow.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "upload/UploadJob.h"

namespace bildheber::test {
namespace {

struct Sent {
    std::string path;
    std::string jpeg;
};

std::string reEncoded(const std::string& path) {
    std::string jpeg;
    resizeJpg(path, jpeg);
    return jpeg;
}

std::string pageWithCode(std::size_t n) {
    return "<input id=\"codebbs\" value=\"[URL=https://x/" + std::to_string(n) +
           "][IMG]https://x/i.jpg[/IMG][/URL]\">";
}

// A job whose uploader records what it is given and, while the first picture is being sent,
// does what the test asks (the time in which the next picture is re-encoded ahead).
class ReEncodeAheadTest : public ::testing::Test {
  protected:
    std::string picture(const std::string& name, int width, int height) const {
        return writeJpegFile(folder.path() / name, width, height);
    }

    TempDir folder;
    FakePlatform platform{(folder.path() / "Bildheber").string()};
    FakeWindow window;
    std::vector<Sent> sent;
    std::function<void()> whileTheFirstIsSent;
    UploadJob job{window, platform,
                  [this](std::string_view path, std::string_view jpeg, ExpiryChoice) {
                      sent.push_back(Sent{std::string(path), std::string(jpeg)});
                      if (sent.size() == 1 && whileTheFirstIsSent) {
                          whileTheFirstIsSent();
                      }
                      return pageWithCode(sent.size());
                  }};
};

TEST_F(ReEncodeAheadTest, SendsEveryPictureInOrderAsItsOwnStepWouldHaveReEncodedIt) {
    const std::string landscape = picture("a.jpg", 2048, 1536);
    const std::string portrait = picture("b.jpg", 600, 900);
    const std::string small = picture("c.jpg", 40, 30);
    for (const auto& path : {landscape, portrait, small}) {
        job.AddToFileList(path);
    }
    job.ButtonsendClick();
    job.AddToFileList(portrait);  // the finished ones are skipped: only this one is sent
    job.ButtonsendClick();

    ASSERT_EQ(sent.size(), 4u);
    const std::vector<std::string> order = {landscape, portrait, small, portrait};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].path, order[i]);
        EXPECT_EQ(sent[i].jpeg, reEncoded(order[i])) << "upload " << i;
    }
    EXPECT_EQ(job.queue()[3].status, entry_status::kDone);
}

// What happens to the next entry's file while the first picture is being sent; the next entry
// then fails or succeeds at its own step, with what the file holds by then.
struct ChangeCase {
    const char* name;
    std::function<void(const std::filesystem::path& file)> change;
    bool sentAfterwards;
};

class ReEncodeAheadChangeTest : public ReEncodeAheadTest,
                                public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ReEncodeAheadChangeTest, TheNextEntrySeesItsFileAsItIsAtItsOwnStep) {
    const std::string first = picture("a.jpg", 800, 600);
    const std::string next = picture("b.jpg", 640, 480);
    const std::string last = picture("c.jpg", 320, 240);
    for (const auto& path : {first, next, last}) {
        job.AddToFileList(path);
    }
    whileTheFirstIsSent = [&] { GetParam().change(next); };  // after the head start read it
    window.calls.clear();

    job.ButtonsendClick();

    const std::vector<std::string> lines = window.statusLines();
    const bool announced =
        std::find(lines.begin(), lines.end(), "Sende Nr.2 von 3: " + next) != lines.end();
    if (GetParam().sentAfterwards) {
        ASSERT_EQ(sent.size(), 3u);
        EXPECT_EQ(sent[1].jpeg, reEncoded(next)) << "the file as it is now";
        EXPECT_EQ(job.queue()[1].status, entry_status::kDone);
        EXPECT_TRUE(announced);
    } else {
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1].path, last);
        EXPECT_EQ(job.queue()[1].status, entry_status::kError);
        EXPECT_FALSE(announced) << "a file that fails to re-encode fails before it is announced";
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Sendefehler." + next), lines.end());
    }
    EXPECT_EQ(sent.back().jpeg, reEncoded(last));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReEncodeAheadChangeTest,
    ::testing::Values(ChangeCase{"Deleted", [](const auto& file) { std::filesystem::remove(file); },
                                 false},
                      ChangeCase{"ReplacedByAnotherPicture",
                                 [](const auto& file) { writeJpegFile(file, 300, 500); }, true},
                      ChangeCase{"OverwrittenWithText",
                                 [](const auto& file) {
                                     std::ofstream(file, std::ios::binary | std::ios::trunc)
                                         << "no picture";
                                 },
                                 false}),
    [](const auto& info) { return std::string(info.param.name); });

// Closing the window at an event point of the run deletes the temporary pictures; the one read
// ahead then fails at its own step, as it would have without the head start.
TEST_F(ReEncodeAheadTest, ATemporaryPictureDeletedByACloseDuringTheRunFailsAtItsStep) {
    platform.clipboardBitmap = RgbRaster(320, 200);
    job.Image1Click();
    job.Image1Click();
    ASSERT_EQ(job.queue().size(), 2u);
    int events = 0;
    window.onEvents = [&] {
        if (++events == 3) {  // after the first entry's result: a close request
            job.FormClose();
        }
    };

    job.ButtonsendClick();

    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(job.queue()[0].status, entry_status::kDone);
    EXPECT_EQ(job.queue()[1].status, entry_status::kError);
    EXPECT_EQ(window.statusText,
              "Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen.");
}

}  // namespace
}  // namespace bildheber::test
