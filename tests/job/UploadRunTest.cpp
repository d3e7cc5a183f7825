#include <algorithm>
#include <filesystem>

#include "imaging/JpegTestFiles.h"
#include "job/JobFixture.h"

namespace bildheber::test {
namespace {

using UploadRunTest = JobFixture;

TEST_F(UploadRunTest, UploadsEveryEntryAndPutsTheCodesOnTheClipboard) {
    const std::string a = writeJpeg("a.jpg", 2048, 1365);
    const std::string b = writeJpeg("b.jpg", 30, 40);
    job.AddToFileList(a);
    job.AddToFileList(b);
    server.queueReply(page(codeFor(1)));
    server.queueReply(page(codeFor(2)));
    window.calls.clear();

    job.ButtonsendClick();

    const std::string codes = codeFor(1) + "\r\n" + codeFor(2) + "\r\n";
    EXPECT_EQ(job.all_bbcCodes(), codes);
    EXPECT_EQ(platform.clipboardTexts, std::vector<std::string>{codes});
    EXPECT_EQ(platform.sounds, std::vector<std::string>{"beep"});
    EXPECT_EQ(job.queue()[0].status, "Fertig.");
    EXPECT_EQ(job.queue()[1].forumCode, codeFor(2));
    EXPECT_EQ(
        window.calls,
        (std::vector<std::string>{
            "button Send off",
            "button ClearList off",
            "button DeleteSingle off",
            "events",
            "status: Sende Nr.1 von 2: " + a,
            "entry 0: Sende Datei...",
            "events",
            "status: Forumscode erhalten.",
            "entry 0: Fertig.",
            "events",
            "status: Sende Nr.2 von 2: " + b,
            "entry 1: Sende Datei...",
            "events",
            "status: Forumscode erhalten.",
            "entry 1: Fertig.",
            "events",
            "status: Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen.",
            "button ClearList on",
            "button DeleteSingle on",
            "button Send on"}));
    const auto requests = server.requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("filename=\"a.jpg\""), std::string::npos);
    // The log has one entry per attempt, code on the second line, then an empty line.
    const std::string log = logContent();
    EXPECT_NE(log.find(": Upload File " + a + "\r\n" + codeFor(1) + "\r\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Upload File " + b + "\r\n" + codeFor(2) + "\r\n\r\n"), std::string::npos);
}

TEST_F(UploadRunTest, NeverSendsAFinishedEntryAgainButCollectsItsCode) {
    const std::string a = writeJpeg("a.jpg");
    job.AddToFileList(a);
    server.queueReply(page(codeFor(1)));
    job.ButtonsendClick();
    job.AddToFileList(writeJpeg("b.jpg"));
    job.AddToFileList(writeJpeg("c.jpg"));
    server.queueReply(page(codeFor(2)));
    server.queueReply(page(codeFor(3)));
    window.calls.clear();

    job.ButtonsendClick();

    EXPECT_EQ(server.requests(3).size(), 3u);
    const auto lines = window.statusLines();
    EXPECT_EQ(lines[0].rfind("Sende Nr.2 von 3: ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("Sende Nr.3 von 3: ", 0), 0u);
    EXPECT_EQ(job.all_bbcCodes(), codeFor(1) + "\r\n" + codeFor(2) + "\r\n" + codeFor(3) + "\r\n");

    // A third run sends nothing and logs nothing, and still hands out every code.
    const std::string logBefore = logContent();
    job.ButtonsendClick();
    EXPECT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(logContent(), logBefore);
    EXPECT_EQ(platform.clipboardTexts.back(), job.all_bbcCodes());
    EXPECT_EQ(window.statusText,
              "Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen.");
}

TEST_F(UploadRunTest, MarksFailedEntriesAndGoesOnWithTheNext) {
    const std::string noCode = writeJpeg("a.jpg");
    const std::string refused = writeJpeg("b.jpg");
    const std::string gone = writeJpeg("c.jpg");
    const std::string good = writeJpeg("d.jpg");
    for (const auto& file : {noCode, refused, gone, good}) {
        job.AddToFileList(file);
    }
    std::filesystem::remove(gone);
    const std::string pageWithoutCode =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>Wartung</p>";
    server.queueReply(pageWithoutCode);
    server.queueReply("HTTP/1.1 500 Internal Server Error\r\n\r\n");
    server.queueReply(page(codeFor(4)));
    window.calls.clear();

    job.ButtonsendClick();

    const std::string errorText = "-Error: codebbs nicht gefunden in >>><p>Wartung</p><<<";
    EXPECT_EQ(job.queue()[0].status, "Error!");
    EXPECT_EQ(job.queue()[0].forumCode, errorText);
    EXPECT_EQ(job.queue()[1].status, "Error!");
    EXPECT_EQ(job.queue()[1].forumCode, "");
    EXPECT_EQ(job.queue()[2].status, "Error!");
    EXPECT_EQ(job.queue()[3].status, "Fertig.");
    EXPECT_EQ(platform.clipboardTexts, std::vector<std::string>{codeFor(4) + "\r\n"});
    const auto lines = window.statusLines();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Sende Nr.1 von 4: " + noCode,
                  "FATAL: Forumscode in Antwort vom Server nicht gefunden.",
                  "Sende Nr.2 von 4: " + refused, "Sendefehler." + refused,
                  // The vanished file fails before anything is sent.
                  "Sendefehler." + gone, "Sende Nr.4 von 4: " + good, "Forumscode erhalten.",
                  "Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen."}));
    const std::string log = logContent();
    EXPECT_NE(log.find(": Upload File " + noCode + "\r\n" + errorText + "\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(log.find(": Upload File " + refused + "\r\n\r\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Upload File " + gone + "\r\n\r\n\r\n"), std::string::npos);

    // The next run tries the failed entries again.
    server.setReply(page(codeFor(9)));
    writeJpeg("c.jpg");
    job.ButtonsendClick();
    EXPECT_EQ(job.queue()[2].status, "Fertig.");
    EXPECT_EQ(job.all_bbcCodes(), codeFor(9) + "\r\n" + codeFor(9) + "\r\n" + codeFor(9) + "\r\n" +
                                      codeFor(4) + "\r\n");
}

TEST_F(UploadRunTest, APictureWhoseDataBreaksPartWayFailsOnlyItsOwnEntry) {
    const std::string first = writeJpeg("first.jpg", 1600, 1200);
    const std::string broken = writeFile(
        "broken.jpg", withStartMarkerInScan(readBinaryFile(writeJpeg("whole.jpg", 1600, 1200))));
    const std::string last = writeJpeg("last.jpg", 1600, 1200);
    for (const auto& file : {first, broken, last}) {
        job.AddToFileList(file);
    }
    server.queueReply(page(codeFor(1)));
    server.queueReply(page(codeFor(3)));

    job.ButtonsendClick();

    EXPECT_EQ(job.queue()[0].status, "Fertig.");
    EXPECT_EQ(job.queue()[1].status, "Error!");
    EXPECT_EQ(job.queue()[2].status, "Fertig.");
    EXPECT_EQ(job.all_bbcCodes(), codeFor(1) + "\r\n" + codeFor(3) + "\r\n");
    EXPECT_EQ(server.requests().size(), 2u);
    const std::string log = logContent();
    EXPECT_NE(log.find(": Upload File " + broken + "\r\n\r\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Upload File " + last + "\r\n" + codeFor(3)), std::string::npos);
}

TEST_F(UploadRunTest, AServerThatDripsItsReplyFailsItsEntryAtTheDeadline) {
    const std::string dripped = writeJpeg("a.jpg");
    const std::string next = writeJpeg("b.jpg");
    job.AddToFileList(dripped);
    job.AddToFileList(next);
    uploadTimeouts.exchange = std::chrono::milliseconds(500);
    // Each byte comes well inside the receive time-out; the whole page would take seconds.
    server.queueScript({ServerStep::drip(page(codeFor(1)), std::chrono::milliseconds(20))});
    server.queueReply(page(codeFor(2)));
    window.calls.clear();

    job.ButtonsendClick();

    EXPECT_EQ(job.queue()[0].status, "Error!");
    EXPECT_EQ(job.queue()[0].forumCode, "");
    EXPECT_EQ(job.queue()[1].status, "Fertig.");
    EXPECT_EQ(job.all_bbcCodes(), codeFor(2) + "\r\n");
    EXPECT_EQ(window.statusLines(),
              (std::vector<std::string>{
                  "Sende Nr.1 von 2: " + dripped, "Sendefehler." + dripped,
                  "Sende Nr.2 von 2: " + next, "Forumscode erhalten.",
                  "Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einf\xC3\xBCgen."}));
    EXPECT_EQ(server.requests(2).size(), 2u);
    const std::string log = logContent();
    EXPECT_NE(log.find(": Upload File " + dripped + "\r\n\r\n\r\n"), std::string::npos);
    EXPECT_NE(log.find(": Upload File " + next + "\r\n" + codeFor(2) + "\r\n\r\n"),
              std::string::npos);
}

TEST_F(UploadRunTest, AnEmptyQueueOnlyTogglesTheButtonsAndSignals) {
    window.statusText = "unchanged";
    job.ButtonsendClick();
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"button Send off", "button ClearList off",
                                        "button DeleteSingle off", "events", "button ClearList on",
                                        "button DeleteSingle on", "button Send on"}));
    EXPECT_EQ(window.statusText, "unchanged");
    EXPECT_TRUE(platform.clipboardTexts.empty());
    EXPECT_EQ(platform.sounds, std::vector<std::string>{"beep"});
}

TEST_F(UploadRunTest, PlaysTheSoundFileOfTheCurrentFolderWhenThereIsOne) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    writeFile("Bildheber.wav", "RIFF");
    job.ButtonsendClick();
    std::filesystem::current_path(previous);
    EXPECT_EQ(platform.sounds, std::vector<std::string>{"play Bildheber.wav"});
}

TEST_F(UploadRunTest, ADropWithoutAcceptedPictureStopsTheUploads) {
    job.AddToFileList(writeJpeg("a.jpg"));
    job.ButtonsendClick();  // a.jpg is finished now
    job.AddToFileList(writeJpeg("b.jpg"));
    job.handleDroppedFiles({writeFile("notiz.txt", "x")});
    EXPECT_FALSE(job.ok());
    EXPECT_FALSE(window.button(Button::Send));
    EXPECT_TRUE(window.button(Button::ClearList));
    const auto clipboardBefore = platform.clipboardTexts;

    job.ButtonsendClick();

    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(job.queue()[1].status, "-");
    EXPECT_EQ(job.all_bbcCodes(), "");  // not even the finished entry's code
    EXPECT_EQ(platform.clipboardTexts, clipboardBefore);
    EXPECT_EQ(platform.sounds.size(), 2u);
    EXPECT_TRUE(window.button(Button::Send));
}

TEST_F(UploadRunTest, ReportsALockedClipboardAndStillFinishesTheRun) {
    job.AddToFileList(writeJpeg("a.jpg"));
    platform.clipboardLocked = true;
    job.ButtonsendClick();
    EXPECT_EQ(window.errors,
              std::vector<std::string>{"Zwischenablage Zugriff verweigert kann nicht ge\xC3\xB6"
                                       "ffnet werden"});
    EXPECT_FALSE(job.all_bbcCodes().empty());
    EXPECT_EQ(platform.sounds.size(), 1u);
    EXPECT_TRUE(window.button(Button::Send));
}

TEST_F(UploadRunTest, CopiesTheLastRunsCodesAgainEvenWhenThereAreNone) {
    job.NochmalinZwischenablagekopieren1Click();
    EXPECT_EQ(platform.clipboardTexts, std::vector<std::string>{""});
    job.AddToFileList(writeJpeg("a.jpg"));
    job.ButtonsendClick();
    window.statusText = "unchanged";
    job.NochmalinZwischenablagekopieren1Click();
    EXPECT_EQ(platform.clipboardTexts.back(), job.all_bbcCodes());
    EXPECT_EQ(window.statusText, "unchanged");
}

TEST_F(UploadRunTest, StaysSoundWhileTheUserActsAtItsEventPoints) {
    const std::string a = writeJpeg("a.jpg");
    const std::string b = writeJpeg("b.jpg");
    job.AddToFileList(a);
    job.AddToFileList(b);
    int events = 0;
    window.onEvents = [&] {
        if (++events != 2) {
            return;  // act once, while the first entry is being sent
        }
        window.selected = 0;
        job.ButtonDeleteSingleClick();
        job.ButtonClearListClick();
        job.ButtonsendClick();
        job.handleDroppedFiles({writeJpeg("c.jpg")});
        window.expiry = ExpiryChoice::SixWeeks;
        job.ListView1Click();
    };

    job.ButtonsendClick();

    // Nothing was removed, no second run started, the dropped picture waits for the next run.
    ASSERT_EQ(job.queue().size(), 3u);
    EXPECT_EQ(job.queue()[0].status, "Fertig.");
    EXPECT_EQ(job.queue()[1].status, "Fertig.");
    EXPECT_EQ(job.queue()[2].status, "-");
    const auto requests = server.requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("name=\"datumaktiv\"\r\n" +
                               std::string("Content-Type: text/plain\r\nContent-Transfer-Encoding: "
                                           "quoted-printable\r\n\r\n0\r\n")),
              std::string::npos);
    EXPECT_NE(requests[1].find("quoted-printable\r\n\r\n1\r\n"), std::string::npos)
        << "the changed expiry applies to the next entry";
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "status: Sende Nr.2 von 3: " + b),
              window.calls.end());
    // The run owns its buttons until it ends, then enables all three.
    EXPECT_TRUE(window.button(Button::Send) && window.button(Button::ClearList) &&
                window.button(Button::DeleteSingle));
}

}  // namespace
}  // namespace bildheber::test
