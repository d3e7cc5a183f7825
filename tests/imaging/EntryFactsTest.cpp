#include "imaging/EntryFacts.h"

#include "platform/SystemFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/TempDir.h"

namespace bildheber {
namespace {

TEST(HasJpegExtension, AcceptsJpgAndJpegInAnyCase) {
    for (const char* name : {"a.jpg", "A.JPG", "b.Jpeg", "/x/c.jpeg", "x.y.jpG"}) {
        EXPECT_TRUE(hasJpegExtension(name)) << name;
    }
    for (const char* name :
         {"a.jpe", "a.jfif", "a.png", "jpg", "a.", "/x/bilder.jpg/foto", "a.jpg "}) {
        EXPECT_FALSE(hasJpegExtension(name)) << name;
    }
}

TEST(FitScale, IsTheFirstTenthStepThatFits400By300) {
    struct Case {
        int width, height, scalex, scaley, fit;
    } cases[] = {
        {4000, 3000, 10, 10, 10},  {1024, 768, 30, 30, 30}, {800, 600, 50, 50, 50},
        {400, 300, 100, 100, 100}, {401, 300, 90, 100, 90}, {100, 1000, 100, 30, 30},
        {4009, 10, 10, 100, 10},   {5000, 10, 10, 100, 10}, {1920, 1080, 20, 20, 20},
    };
    for (const auto& c : cases) {
        const FitScale scale = fitScale(c.width, c.height);
        EXPECT_EQ(scale.scalex, c.scalex) << c.width << "x" << c.height;
        EXPECT_EQ(scale.scaley, c.scaley) << c.width << "x" << c.height;
        EXPECT_EQ(scale.fit(), c.fit) << c.width << "x" << c.height;
    }
}

TEST(EntryTexts, FollowTheQueueColumns) {
    struct Case {
        std::int64_t bytes;
        const char* text;
    } sizes[] = {
        {1023, "0 KB"}, {1024, "1 KB"}, {2047, "1 KB"}, {1500000, "1464 KB"}, {-1, "0 KB"}};
    for (const auto& c : sizes) {
        EXPECT_EQ(sizeText(c.bytes), c.text) << c.bytes;
    }
    EXPECT_EQ(pixelText(4000, 3000), "4000x3000");
    EXPECT_EQ(scaleText(10), "10%");
}

TEST(GetFileSize, MeasuresFilesAndGivesMinusOneForMissingOnes) {
    test::TempDir folder;
    const auto file = folder.path() / "a.jpg";
    std::ofstream(file, std::ios::binary) << std::string(2047, 'x');
    EXPECT_EQ(getFileSize(file.string()), 2047);
    EXPECT_EQ(getFileSize((folder.path() / "gone.jpg").string()), -1);
}

}  // namespace
}  // namespace bildheber
