#include <algorithm>
#include <filesystem>
#include <fstream>

#include "job/JobFixture.h"

namespace bildheber::test {
namespace {

using StartupTest = JobFixture;

std::vector<std::string> firstCalls(const FakeWindow& window, std::size_t count) {
    return std::vector<std::string>(
        window.calls.begin(),
        window.calls.begin() + static_cast<std::ptrdiff_t>(std::min(count, window.calls.size())));
}

TEST_F(StartupTest, PreparesTheWindowAndQueuesTheCommandLineFilesInOrder) {
    const std::string a = writeJpeg("a.jpg", 800, 600);
    const std::string b = writeJpeg("b.jpg", 640, 480);
    writeFile("Bildheber_tmp.jpg", "old");
    writeFile("Bildheber_tmp-7.jpg", "old");

    job.FormCreate({a, b});

    const std::string logPath = (folder.path() / "Bildheber_log.txt").string();
    EXPECT_EQ(firstCalls(window, 7),
              (std::vector<std::string>{
                  "hint pause 10000",
                  "hint: Deine Daten geh\xC3\xB6ren Dir.\n\rWenn Du nicht willst, dass sie "
                  "unbegrenzt gespeichert bleiben, kannst Du hier einen L\xC3\xB6schzeitpunkt "
                  "angeben.",
                  "init list", "log label: Logfile: " + logPath,
                  "status: Warte auf ein oder mehrere Bilder.", "drops on", "button Send on"}));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Bildheber_tmp.jpg"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Bildheber_tmp-7.jpg"));
    EXPECT_EQ(logContent(),
              "Korvan Bildheber Logfile.\r\n======================\r\n \r\n"
              "Folgende Dateien wurden auf Trullers Forumsserver hochgeladen: \r\n \r\n");
    ASSERT_EQ(job.queue().size(), 2u);
    EXPECT_EQ(job.queue()[0].path, a);
    EXPECT_EQ(job.queue()[1].path, b);
    EXPECT_EQ(window.selected, 1u);
    EXPECT_EQ(window.statusText, "Habe 2 Bilder. Bitte auf Hochladen klicken.");
    EXPECT_TRUE(job.ok());
}

TEST_F(StartupTest, AnEmptyArgumentNamesNoFile) {
    const std::string a = writeJpeg("a.jpg");

    job.FormCreate({"", a, ""});

    EXPECT_TRUE(window.notices.empty());
    ASSERT_EQ(job.queue().size(), 1u);
    EXPECT_EQ(job.queue()[0].path, a);
}

TEST_F(StartupTest, WithoutArgumentsWaitsWithTheButtonsOff) {
    job.FormCreate({});
    EXPECT_EQ(window.statusText, "Warte auf ein oder mehrere Bilder.");
    EXPECT_FALSE(window.button(Button::Send));
    EXPECT_FALSE(window.button(Button::ClearList));
    EXPECT_FALSE(window.button(Button::DeleteSingle));
    EXPECT_FALSE(job.ok());
    EXPECT_TRUE(job.all_bbcCodes().empty());
}

TEST_F(StartupTest, LeavesAnExistingLogAlone) {
    writeFile("Bildheber_log.txt", "older entries\r\n");
    job.FormCreate({});
    EXPECT_EQ(logContent(), "older entries\r\n");
}

TEST_F(StartupTest, GoesOnWhenTheLogCannotBeCreated) {
    // The program's folder is not writable: here the log's name is taken by a folder.
    std::filesystem::create_directory(folder.path() / "Bildheber_log.txt");
    const std::string a = writeJpeg("a.jpg");
    job.FormCreate({a});

    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_EQ(window.errors[0].rfind(
                  "Datei \"" + job.logfilename() + "\" kann nicht erstellt werden. ", 0),
              0u)
        << window.errors[0];
    EXPECT_EQ(window.logLabelText, "Logfile: I/O-Fehler");
    EXPECT_EQ(job.queue().size(), 1u);
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "drops on"), window.calls.end());
}

TEST_F(StartupTest, DerivesItsFilesFromTheProgramPath) {
    const ProgramFiles files = ProgramFiles::derivedFrom("/opt/werkzeuge/Bildheber.bin");
    EXPECT_EQ(files.logfilename, "/opt/werkzeuge/Bildheber_log.txt");
    EXPECT_EQ(files.tmpPicture, "/opt/werkzeuge/Bildheber_tmp.jpg");
    EXPECT_EQ(files.tmpPattern, "/opt/werkzeuge/Bildheber_tmp*.jpg");
    EXPECT_EQ(files.soundName, "Bildheber.wav");
}

TEST_F(StartupTest, CloseStopsTakingDropsAndDeletesTheTemporaryPictures) {
    job.FormCreate({});
    writeFile("Bildheber_tmp-1.jpg", "captured");
    writeFile("keep.jpg", "mine");
    job.FormClose();
    EXPECT_EQ(window.calls.back(), "drops off");
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "Bildheber_tmp-1.jpg"));
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "keep.jpg"));
}

}  // namespace
}  // namespace bildheber::test
