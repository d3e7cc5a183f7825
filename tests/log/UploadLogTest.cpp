#include "log/UploadLog.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/RegionalFormats.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

constexpr const char* kHeader =
    "Korvan Bildheber Logfile.\r\n"
    "======================\r\n"
    " \r\n"
    "Folgende Dateien wurden auf Trullers Forumsserver hochgeladen: \r\n"
    " \r\n";

struct RecordingLabel : LogLabel {
    std::vector<std::string> texts;
    void setLogLabelText(const std::string& text) override { texts.push_back(text); }
};

std::string contentOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

LocalTime at(int year, int month, int day, int hour, int minute, int second, int millisecond) {
    return LocalTime{year, month, day, hour, minute, second, millisecond};
}

class UploadLogTest : public ::testing::Test {
  protected:
    test::TempDir folder;
    std::filesystem::path file = folder.path() / "Bildheber_log.txt";
    RecordingLabel label;
    UploadLog log{file.string(), label};
};

TEST_F(UploadLogTest, WritesTheHeaderOnceAndAppendsEntriesAfterIt) {
    log.initLogfile();
    EXPECT_EQ(contentOf(file), kHeader);

    log.appendToLogfile("stamp: Upload File /a.jpg\r\n[URL=x][IMG]y[/IMG][/URL]\r\n");
    log.appendToLogfile("stamp: Upload File /b.jpg\r\n\r\n");  // a failed attempt: no code
    UploadLog(file.string(), label).initLogfile();             // the next start
    EXPECT_EQ(contentOf(file), std::string(kHeader) +
                                   "stamp: Upload File /a.jpg\r\n[URL=x][IMG]y[/IMG][/URL]\r\n\r\n"
                                   "stamp: Upload File /b.jpg\r\n\r\n\r\n");
    EXPECT_TRUE(label.texts.empty());
}

TEST_F(UploadLogTest, RecreatesADeletedFileWithoutHeader) {
    log.initLogfile();
    std::filesystem::remove(file);
    log.appendToLogfile("entry\r\ncode\r\n");
    EXPECT_EQ(contentOf(file), "entry\r\ncode\r\n\r\n");
}

TEST_F(UploadLogTest, ReportsAFailedAppendOnlyThroughTheLabel) {
    std::filesystem::create_directory(file);  // a folder where the file should be
    EXPECT_NO_THROW(log.appendToLogfile("entry\r\n"));
    EXPECT_EQ(label.texts, std::vector<std::string>{"Logfile: I/O-Fehler"});
}

TEST_F(UploadLogTest, FailsToCreateTheHeaderWithPathAndReason) {
    const UploadLog nowhere((folder.path() / "missing" / "log.txt").string(), label);
    try {
        nowhere.initLogfile();
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        // The reason is the system's own text, in the user's language on Windows.
        const std::string prefix = "Datei \"" + (folder.path() / "missing" / "log.txt").string() +
                                   "\" kann nicht erstellt werden. ";
        const std::string text = failure.what();
        EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
        EXPECT_GT(text.size(), prefix.size()) << text;
#ifndef _WIN32
        EXPECT_EQ(text.substr(prefix.size()), "No such file or directory");
#endif
    }
}

TEST_F(UploadLogTest, StoresWindows1252WithSimilarCharactersForTheRest) {
    log.appendToLogfile("B\xC3\xA4r \xE2\x82\xAC \xC5\x82 \xE4\xB8\xAD \xFF.jpg");
    const std::string stored = contentOf(file);
    // ä and € exist in Windows-1252; 中 and a byte that is not UTF-8 become "?"; what ł becomes
    // depends on the transliteration tables of the user's locale, but it is one plain character.
    ASSERT_EQ(stored.size(), 17u) << stored;
    EXPECT_EQ(stored.substr(0, 6), "B\xE4r \x80 ");
    EXPECT_TRUE(stored[6] >= 0x20 && stored[6] < 0x7F) << stored;
    EXPECT_EQ(stored.substr(7), " ? ?.jpg\r\n");
}

TEST(FormatLogEntry, StampsWithTheRegionalDateAndTimeAndTheDateAloneAtMidnight) {
    const test::GermanRegionalFormats german;
    if (!german.available()) {
        GTEST_SKIP() << "the system has no German regional formats";
    }
    struct Case {
        LocalTime time;
        const char* expected;
    } cases[] = {
        {at(2019, 3, 5, 14, 7, 33, 120), "05.03.2019 14:07:33: Upload File p.jpg\r\ncode\r\n"},
        {at(2019, 3, 5, 0, 0, 0, 0), "05.03.2019: Upload File p.jpg\r\ncode\r\n"},
        {at(2019, 3, 5, 0, 0, 0, 1), "05.03.2019 00:00:00: Upload File p.jpg\r\ncode\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatLogEntry(c.time, "p.jpg", "code"), c.expected);
    }
}

}  // namespace
}  // namespace bildheber
