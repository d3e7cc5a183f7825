#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "imaging/JpegCodec.h"

namespace bildheber {
namespace {

// Every pixel names its own column (red, green) and row (blue), up to 65535 columns.
RgbRaster coordinateRaster(int width, int height) {
    RgbRaster raster(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = raster.row(y) + x * 3;
            pixel[0] = static_cast<std::uint8_t>(x >> 8);
            pixel[1] = static_cast<std::uint8_t>(x & 0xFF);
            pixel[2] = static_cast<std::uint8_t>(y);
        }
    }
    return raster;
}

int sourceColumnAt(const RgbRaster& raster, int x, int y) {
    const std::uint8_t* pixel = raster.row(y) + x * 3;
    return pixel[0] << 8 | pixel[1];
}

std::vector<int> sourceColumns(int sourceWidth, int targetWidth) {
    const RgbRaster scaled = scaleNearest(coordinateRaster(sourceWidth, 1), targetWidth, 1);
    std::vector<int> columns;
    for (int x = 0; x < targetWidth; ++x) {
        columns.push_back(sourceColumnAt(scaled, x, 0));
    }
    return columns;
}

TEST(ScaleNearestTest, CopiesTheSourcePixelUnderEachTargetPixelsCentre) {
    const struct {
        int source;
        int target;
        std::vector<int> columns;
    } cases[] = {
        {5, 2, {1, 3}},  // centres 1.25 and 3.75
        {8, 4, {1, 3, 5, 7}},
        {3, 1, {1}},
        {2, 5, {0, 0, 1, 1, 1}},  // centres 0.2, 0.6, 1.0, 1.4, 1.8
        {4, 8, {0, 0, 1, 1, 2, 2, 3, 3}},
        {1, 3, {0, 0, 0}},
        {6, 6, {0, 1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sourceColumns(c.source, c.target), c.columns) << c.source << " -> " << c.target;
    }
    const auto wide = sourceColumns(4000, 1024);
    EXPECT_EQ(wide.front(), 1);    // 0.5 x 4000 / 1024 = 1.95
    EXPECT_EQ(wide[512], 2001);    // 512.5 x 4000 / 1024 = 2001.95
    EXPECT_EQ(wide.back(), 3998);  // 1023.5 x 4000 / 1024 = 3998.05
}

TEST(ScaleNearestTest, RowsFollowTheSameRuleAsColumns) {
    const RgbRaster scaled = scaleNearest(coordinateRaster(3, 5), 6, 2);
    ASSERT_EQ(scaled.width, 6);
    ASSERT_EQ(scaled.height, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(sourceColumnAt(scaled, x, y), x / 2);
            EXPECT_EQ(scaled.row(y)[x * 3 + 2], y == 0 ? 1 : 3);
        }
    }
}

TEST(ScaleNearestTest, ReducingDropsWholeColumnsAndEnlargingRepeatsThem) {
    for (int source = 1; source <= 40; ++source) {
        for (int target = 1; target <= 40; ++target) {
            const auto columns = sourceColumns(source, target);
            const std::set<int> distinct(columns.begin(), columns.end());
            for (std::size_t i = 1; i < columns.size(); ++i) {
                ASSERT_LE(columns[i - 1], columns[i]) << source << " -> " << target;
            }
            ASSERT_LT(columns.back(), source);
            if (target <= source) {
                ASSERT_EQ(distinct.size(), columns.size()) << source << " -> " << target;
            } else {
                ASSERT_EQ(static_cast<int>(distinct.size()), source) << source << " -> " << target;
            }
        }
    }
}

TEST(ScaleNearestTest, ReachesTheLastColumnOfTheWidestPictures) {
    EXPECT_EQ(sourceColumns(65500, 1), std::vector<int>{32750});
    const auto columns = sourceColumns(65500, 1024);
    EXPECT_EQ(columns.back(), 65468);  // 1023.5 x 65500 / 1024 = 65468.01
    EXPECT_EQ(sourceColumns(1, 1024), std::vector<int>(1024, 0));
}

TEST(ScaleNearestTest, AZeroTargetSideGivesAnEmptyRaster) {
    const RgbRaster source = coordinateRaster(4, 4);
    for (const auto& [width, height] : {std::pair{0, 3}, {3, 0}, {0, 0}}) {
        const RgbRaster scaled = scaleNearest(source, width, height);
        EXPECT_TRUE(scaled.empty());
        EXPECT_TRUE(scaled.pixels.empty());
    }
    EXPECT_TRUE(scaleNearest(RgbRaster{}, 5, 5).empty());
}

}  // namespace
}  // namespace bildheber
