#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace bildheber {
namespace {

TEST(FileNamePart, TakesWhatFollowsTheLastSeparator) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"Urlaub.jpg", "Urlaub.jpg"},
#ifdef _WIN32
        {"C:\\Users\\anna\\Bilder\\Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"C:\\Users\\anna\\", ""},
        {"C:Bild.jpg", "Bild.jpg"},
        // Only backslash and colon end a folder part; a slash is part of the name.
        {"C:/Bilder/Urlaub.jpg", "/Bilder/Urlaub.jpg"},
#else
        {"/home/anna/Bilder/Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"/home/anna/", ""},
        // Backslash and colon are ordinary characters of a POSIX file name.
        {"/tmp/a\\b:c.jpg", "a\\b:c.jpg"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileNamePart(c.path), c.expected) << c.path;
    }
}

}  // namespace
}  // namespace bildheber

namespace bildheber {
namespace {

TEST(ReplaceExtension, ReplacesFromTheLastDotOfTheFileName) {
    struct Case {
        const char* path;
        const char* suffix;
        const char* expected;
    } cases[] = {
#ifdef _WIN32
        {"C:\\Bildheber\\Bildheber.exe", "_log.txt", "C:\\Bildheber\\Bildheber_log.txt"},
        {"C:\\v1.2\\bildheber", "_log.txt", "C:\\v1.2\\bildheber_log.txt"},
        {"C:\\a.b.c", "_tmp*.jpg", "C:\\a.b_tmp*.jpg"},
#else
        {"/opt/bildheber/Bildheber.bin", "_log.txt", "/opt/bildheber/Bildheber_log.txt"},
        {"/opt/bildheber/bildheber", "_tmp.jpg", "/opt/bildheber/bildheber_tmp.jpg"},
        {"/opt/v1.2/bildheber", "_log.txt", "/opt/v1.2/bildheber_log.txt"},
        {"/opt/a.b.c", "_tmp*.jpg", "/opt/a.b_tmp*.jpg"},
#endif
        {"bildheber", ".wav", "bildheber.wav"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(replaceExtension(c.path, c.suffix), c.expected) << c.path;
    }
    EXPECT_EQ(extensionOf("foto."), ".");
    EXPECT_EQ(folderPart("x"), "");
    EXPECT_EQ(joinPath("", "x"), "x");
#ifdef _WIN32
    EXPECT_EQ(extensionOf("C:\\x\\foto.JPeg"), ".JPeg");
    EXPECT_EQ(extensionOf("C:\\x.jpg\\foto"), "");
    EXPECT_EQ(folderPart("C:\\Bildheber\\x"), "C:\\Bildheber");
    EXPECT_EQ(joinPath("C:\\Bildheber", "x"), "C:\\Bildheber\\x");
#else
    EXPECT_EQ(extensionOf("/x/foto.JPeg"), ".JPeg");
    EXPECT_EQ(extensionOf("/x.jpg/foto"), "");
    EXPECT_EQ(folderPart("/opt/bildheber/x"), "/opt/bildheber");
    EXPECT_EQ(joinPath("/opt", "x"), "/opt/x");
#endif
}

}  // namespace
}  // namespace bildheber
