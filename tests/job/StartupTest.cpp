#include <algorithm>
#include <filesystem>
#include <fstream>

#include "job/JobFixture.h"

#ifndef _WIN32
#include "support/UserFolders.h"
#endif

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

// In each system's own paths: on Windows a slash separates nothing (see PathsTest).
TEST_F(StartupTest, NamesItsFilesAfterTheProgramFileInTheChosenFolders) {
    struct Case {
        const char* program;
        ProgramFolders folders;
        const char* log;
        const char* picture;
        const char* pattern;
        const char* sound;
    } cases[] = {
#ifdef _WIN32
        {"D:\\Werkzeuge\\Bildheber.exe",
         {"D:\\Werkzeuge", "D:\\Werkzeuge"},
         "D:\\Werkzeuge\\Bildheber_log.txt",
         "D:\\Werkzeuge\\Bildheber_tmp.jpg",
         "D:\\Werkzeuge\\Bildheber_tmp*.jpg",
         "Bildheber.wav"},
        {"C:\\Program Files\\Bildheber\\bildheber.exe",
         {"C:\\Users\\anna\\AppData\\Local\\Bildheber",
          "C:\\Users\\anna\\AppData\\Local\\Bildheber"},
         "C:\\Users\\anna\\AppData\\Local\\Bildheber\\bildheber_log.txt",
         "C:\\Users\\anna\\AppData\\Local\\Bildheber\\bildheber_tmp.jpg",
         "C:\\Users\\anna\\AppData\\Local\\Bildheber\\bildheber_tmp*.jpg",
         "bildheber.wav"},
#else
        {"/opt/werkzeuge/Bildheber.bin",
         {"/opt/werkzeuge", "/opt/werkzeuge"},
         "/opt/werkzeuge/Bildheber_log.txt",
         "/opt/werkzeuge/Bildheber_tmp.jpg",
         "/opt/werkzeuge/Bildheber_tmp*.jpg",
         "Bildheber.wav"},
        {"/usr/bin/bildheber",
         {"/home/anna/.local/state/bildheber", "/run/user/1000/bildheber"},
         "/home/anna/.local/state/bildheber/bildheber_log.txt",
         "/run/user/1000/bildheber/bildheber_tmp.jpg",
         "/run/user/1000/bildheber/bildheber_tmp*.jpg",
         "bildheber.wav"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        const ProgramFiles files = ProgramFiles::derivedFrom(c.program, c.folders);
        EXPECT_EQ(files.logfilename, c.log);
        EXPECT_EQ(files.tmpPicture, c.picture);
        EXPECT_EQ(files.tmpPattern, c.pattern);
        EXPECT_EQ(files.soundName, c.sound);
    }
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

#ifndef _WIN32
// The program installed where its user may not write: the log and the temporary pictures go to
// the user's own folders, under the same names, and nothing lands beside the program. POSIX
// only: the job runs in a forked child that has become the user "nobody".
TEST(StartupDeathTest, AProgramInAFolderTheUserCannotWriteKeepsItsFilesInTheUsersFolders) {
    TempDir scratch;  // open to the unprivileged user the job runs as
    std::filesystem::permissions(scratch.path(), std::filesystem::perms::all &
                                                     ~std::filesystem::perms::group_write &
                                                     ~std::filesystem::perms::others_write);
    const std::filesystem::path program = scratch.path() / "bin";
    const std::filesystem::path user = scratch.path() / "home";
    std::filesystem::create_directories(program);
    std::filesystem::create_directories(user);
    std::filesystem::permissions(user, std::filesystem::perms::all);
    ScopedEnvironment environment;
    useUserFoldersIn(environment, user);
    const std::string log = (user / "state/bildheber/Bildheber_log.txt").string();
    const std::string picture = (user / "cache/bildheber/Bildheber_tmp.jpg").string();

    EXPECT_EXIT(
        {
            if (!loseWriteAccessTo(program)) {
                std::_Exit(2);
            }
            FakeWindow window;
            FakePlatform platform;
            platform.program = (program / "Bildheber").string();
            platform.clipboardBitmap = RgbRaster(8, 8);
            UploadJob job(window, platform, [](auto, auto, auto) -> std::string {
                throw std::runtime_error("no upload here");
            });
            job.FormCreate({});
            job.Image1Click();
            job.LabelLogfileClick();
            std::string problems;
            const auto expect = [&problems](bool holds, const std::string& what) {
                problems += holds ? "" : what + "; ";
            };
            expect(window.errors.empty(), "an error was shown");
            expect(window.logLabelText == "Logfile: " + log, "label " + window.logLabelText);
            expect(platform.opened == std::vector<std::string>{log}, "Logfile opens another file");
            expect(job.queue().size() == 1 && job.queue()[0].path == picture, "picture not queued");
            expect(std::filesystem::exists(picture), "no temporary picture");
            job.FormClose();
            expect(!std::filesystem::exists(picture), "temporary picture left after closing");
            std::ifstream in(log, std::ios::binary);
            const std::string content(std::istreambuf_iterator<char>(in), {});
            expect(content.rfind("Korvan Bildheber Logfile.\r\n", 0) == 0, "no log header");
            expect(std::filesystem::is_empty(program), "a file beside the program");
            std::cerr << problems;
            std::_Exit(problems.empty() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace bildheber::test
