#include "imghost/PictureStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imghost/PictureName.h"
#include "support/TempDir.h"

namespace bildheber::imghost {
namespace {

namespace fs = std::filesystem;

const std::string kJpeg("\xFF\xD8\xFF\xE0\0\r\n\xFF\xD9", 9);
const LocalDateTime kNow{{2025, 3, 1}, 14, 7, 9};

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ImghostPictureStore, KeepsPictureAndSidecarUnderANewName) {
    test::TempDir folder;
    PictureStore store(folder.path() / "pictures");
    const PictureInfo info{"Mein B\xC3\xA4r.jpg", CalendarDate{2025, 9, 30}};

    const std::string first = store.add(kJpeg, info, kNow);
    const std::string second = store.add(kJpeg, info, kNow);

    EXPECT_TRUE(isPictureName(first)) << first;
    EXPECT_TRUE(first.starts_with("20250301-140709-")) << first;
    EXPECT_NE(first, second);
    EXPECT_EQ(store.readJpeg(first), kJpeg);
    const std::optional<PictureInfo> found = store.find(first);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->displayName, info.displayName);
    EXPECT_EQ(found->keepUntil, info.keepUntil);
    EXPECT_EQ(filesIn(store.folder()),
              (std::vector<std::string>{first + ".info", first + ".jpg", second + ".info",
                                        second + ".jpg"}));
}

TEST(ImghostPictureStore, FindsNothingForNamesItDidNotMake) {
    test::TempDir folder;
    PictureStore store(folder.path());
    const std::string stored = store.add(kJpeg, {}, kNow);
    // A file that looks like a picture, beside the store, must not be reachable.
    std::ofstream(folder.path() / "secret.jpg") << "\xFF\xD8 secret";
    const std::vector<std::string> foreignNames = {
        "secret", "../secret", stored + ".jpg", stored + "/", "20250301-140709-1-0000000g", ""};
    for (const std::string& name : foreignNames) {
        EXPECT_FALSE(store.find(name).has_value()) << name;
        EXPECT_FALSE(store.readJpeg(name).has_value()) << name;
    }
}

TEST(ImghostPictureStore, RemovesExactlyThePicturesWhoseLastDayHasPassed) {
    test::TempDir folder;
    PictureStore store(folder.path());
    const CalendarDate today{2025, 3, 1};
    const std::string yesterday = store.add(kJpeg, {"a", CalendarDate{2025, 2, 28}}, kNow);
    const std::string lastYear = store.add(kJpeg, {"b", CalendarDate{2024, 12, 31}}, kNow);
    const std::string onToday = store.add(kJpeg, {"c", today}, kNow);
    const std::string tomorrow = store.add(kJpeg, {"d", CalendarDate{2025, 3, 2}}, kNow);
    const std::string forGood = store.add(kJpeg, {"e", std::nullopt}, kNow);
    // A sidecar that cannot be read is left alone, and so is its picture.
    const std::string broken = store.add(kJpeg, {"f", CalendarDate{2000, 1, 1}}, kNow);
    std::ofstream(store.folder() / (broken + ".info")) << "keep-until: someday\n";

    std::vector<std::string> removed = store.removeExpired(today);
    std::sort(removed.begin(), removed.end());
    std::vector<std::string> expected{yesterday, lastYear};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);

    for (const std::string& gone : expected) {
        EXPECT_FALSE(fs::exists(store.folder() / (gone + ".jpg"))) << gone;
        EXPECT_FALSE(fs::exists(store.folder() / (gone + ".info"))) << gone;
    }
    for (const std::string& kept : {onToday, tomorrow, forGood, broken}) {
        EXPECT_TRUE(fs::exists(store.folder() / (kept + ".jpg"))) << kept;
    }
    EXPECT_TRUE(store.removeExpired(today).empty());
}

TEST(ImghostPictureName, AcceptsOnlyTheNamesTheStoreMakes) {
    EXPECT_EQ(makePictureName(kNow, 12, 0x9f3a2c1b), "20250301-140709-12-9f3a2c1b");
    EXPECT_EQ(makePictureName(kNow, 1, 0xA), "20250301-140709-1-0000000a");
    struct Case {
        const char* name;
        bool valid;
    };
    const Case cases[] = {
        {"20250301-140709-12-9f3a2c1b", true},
        {"20250301-140709-1234567890-9f3a2c1b", true},
        {"20250301-140709-12345678901-9f3a2c1b", false},  // counter over ten digits
        {"20250301-140709--9f3a2c1b", false},
        {"20250301-140709-12-9F3A2C1B", false},  // capitals
        {"20250301-140709-12-9f3a2c1", false},
        {"20250301-140709-12-9f3a2c1bb", false},
        {"20250301-140709-12-9f3a2c1b.jpg", false},
        {"2025030-1140709-12-9f3a2c1b", false},
        {"../../../etc/passwd", false},
        {"20250301-140709-1/-9f3a2c1b", false},
        {"20250301-140709-12-9f3a/c1b", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isPictureName(c.name), c.valid) << c.name;
    }
}

TEST(ImghostCalendarDate, CountsADayTheMonthDoesNotHaveAsItsLastDay) {
    struct Case {
        int year, month, day;
        CalendarDate fitted;
    };
    const Case cases[] = {
        {2024, 9, 31, {2024, 9, 30}}, {2025, 2, 30, {2025, 2, 28}}, {2024, 2, 31, {2024, 2, 29}},
        {2100, 2, 29, {2100, 2, 28}}, {2000, 2, 29, {2000, 2, 29}}, {2024, 12, 31, {2024, 12, 31}},
        {2024, 4, 1, {2024, 4, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fitToMonth(c.year, c.month, c.day), c.fitted)
            << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(ImghostPictureInfo, ReadsBackWhatItWritesAndRefusesTheRest) {
    for (const PictureInfo& info : {PictureInfo{"B\xC3\xA4r.jpg", CalendarDate{2025, 2, 28}},
                                    PictureInfo{"", std::nullopt}}) {
        const std::optional<PictureInfo> back = parsePictureInfo(formatPictureInfo(info));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->displayName, info.displayName);
        EXPECT_EQ(back->keepUntil, info.keepUntil);
    }
    for (const char* text : {"", "name: x\n", "keep-until: 2025-02-29\n", "keep-until: 2025-2-1\n",
                             "keep-until: soon\n"}) {
        EXPECT_FALSE(parsePictureInfo(text).has_value()) << text;
    }
}

}  // namespace
}  // namespace bildheber::imghost
