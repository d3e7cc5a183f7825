#include <gtest/gtest.h>

#include <limits>

#include "imaging/JpegError.h"
#include "imaging/ResizeJpg.h"

namespace bildheber {
namespace {

struct SizeCase {
    int width;
    int height;
    int uploadWidth;
    int uploadHeight;
};

TEST(UploadSizeTest, FitsLandscapeToWidth1024AndPortraitToHeight768) {
    const SizeCase cases[] = {
        {4000, 3000, 1024, 768},  {3000, 4000, 576, 768},  // portrait
        {1000, 1000, 1024, 1024},                          // square counts as landscape
        {800, 600, 1024, 768},                             // enlarged
        {2048, 1365, 1024, 682},                           // 682.5 goes to the even 682
        {2048, 1367, 1024, 684},                           // 683.5 goes to the even 684
        {3000, 1, 1024, 0},                                // short side rounds to 0
        {1, 1536, 0, 768},        {1, 1, 1024, 1024},     {65500, 65500, 1024, 1024},
        {65500, 1, 1024, 0},      {1, 65500, 0, 768},     {4096, 6, 1024, 2},  // 1.5 goes to 2
        {4096, 10, 1024, 2},                                                   // 2.5 goes to 2
        {3, 1000, 2, 768},                                                     // 2.304
        {1023, 767, 1024, 768},                                                // 767.75...
    };
    for (const auto& c : cases) {
        const UploadSize size = uploadSize(c.width, c.height);
        EXPECT_EQ(size.width, c.uploadWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.height, c.uploadHeight) << c.width << " x " << c.height;
    }
}

TEST(UploadSizeTest, FormsTheProductsWithA64BitSignificand) {
    if constexpr (std::numeric_limits<long double>::digits < 64) {
        GTEST_SKIP() << "long double has no 64-bit significand here";
    }
    // 1024 / 6144 is not a double; the stored factor is a little below 1/6, so 9 x factor is a
    // little below 1.5 with 64 bits (gives 1), though exactly 1.5 when rounded to a double.
    EXPECT_EQ(uploadSize(6144, 9).height, 1);
    EXPECT_EQ(uploadSize(6144, 21).height, 3);
}

TEST(UploadSizeTest, FailsForAPictureWithoutPixels) {
    EXPECT_THROW(uploadSize(0, 0), JpegError);
    EXPECT_THROW(uploadSize(0, 5), JpegError);
    EXPECT_THROW(uploadSize(-1, 5), JpegError);
}

}  // namespace
}  // namespace bildheber
