#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "imaging/JpegCodec.h"
#include "imaging/JpegTestFiles.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

using test::JpegSegment;

// ITU-T T.81 Annex K, Table K.1 (luminance) and Table K.2 (chrominance), in row order.
constexpr std::array<int, 64> kLuminanceK1 = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominanceK2 = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
// Row-order position of the i-th coefficient in zig-zag order (the order of a DQT segment).
constexpr std::array<int, 64> kZigZag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

std::vector<JpegSegment> segmentsWithMarker(const std::vector<JpegSegment>& all,
                                            std::uint8_t marker) {
    std::vector<JpegSegment> found;
    for (const auto& segment : all) {
        if (segment.marker == marker) {
            found.push_back(segment);
        }
    }
    return found;
}

// The quantisation tables of a file by table number, in row order.
std::array<std::vector<int>, 4> quantisationTables(const std::vector<JpegSegment>& segments) {
    std::array<std::vector<int>, 4> tables;
    for (const auto& segment : segmentsWithMarker(segments, 0xDB)) {
        for (std::size_t pos = 0; pos < segment.payload.size(); pos += 65) {
            const auto header = static_cast<std::uint8_t>(segment.payload[pos]);
            EXPECT_EQ(header >> 4, 0) << "8-bit entries expected";
            std::vector<int> table(64);
            for (int i = 0; i < 64; ++i) {
                table[static_cast<std::size_t>(kZigZag[static_cast<std::size_t>(i)])] =
                    static_cast<std::uint8_t>(
                        segment.payload[pos + 1 + static_cast<std::size_t>(i)]);
            }
            tables[header & 0x0F] = table;
        }
    }
    return tables;
}

std::string bytes(std::initializer_list<int> values) {
    std::string result;
    for (const int value : values) {
        result += static_cast<char>(value);
    }
    return result;
}

class JpegEncodeTest : public ::testing::Test {
  protected:
    test::TempDir folder_;
};

TEST_F(JpegEncodeTest, GivesTheCodecToolsBytesForTheSamePixels) {
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {16, 16}, {17, 9}, {123, 77}, {640, 480}};
    for (const auto& [width, height] : sizes) {
        const RgbRaster picture = test::photoLikeRaster(width, height);
        EXPECT_EQ(encodeJpeg(picture, false),
                  test::runCjpeg(folder_.path(), picture, "-quality 90 -dct float"))
            << "baseline " << width << " x " << height;
        EXPECT_EQ(encodeJpeg(picture, true),
                  test::runCjpeg(folder_.path(), picture, "-quality 90 -dct float -progressive"))
            << "progressive " << width << " x " << height;
    }
}

TEST_F(JpegEncodeTest, WritesOnlyJfifTablesFrameAndScans) {
    const std::vector<std::uint8_t> baselineMarkers = {0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4,
                                                       0xC4, 0xC4, 0xC4, 0xDA, 0xD9};
    const auto segments = test::jpegSegments(encodeJpeg(test::photoLikeRaster(33, 20), false));
    std::vector<std::uint8_t> markers;
    for (const auto& segment : segments) {
        markers.push_back(segment.marker);
    }
    EXPECT_EQ(markers, baselineMarkers);
    // JFIF 1.01, density unit 0, density 1 x 1, no thumbnail.
    EXPECT_EQ(segments[1].payload, bytes({'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}));
    // 8 bits, 20 rows, 33 columns; Y 2x2 with table 0, Cb and Cr 1x1 with table 1.
    EXPECT_EQ(segments[4].payload, bytes({8, 0, 20, 0, 33, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
}

TEST_F(JpegEncodeTest, QuantisesWithTheAnnexKTablesAtQuality90) {
    const auto tables =
        quantisationTables(test::jpegSegments(encodeJpeg(test::photoLikeRaster(8, 8), true)));
    const std::array<int, 64>* examples[] = {&kLuminanceK1, &kChrominanceK2};
    for (std::size_t t = 0; t < 2; ++t) {
        ASSERT_EQ(tables[t].size(), 64u) << "table " << t;
        for (std::size_t i = 0; i < 64; ++i) {
            const int expected = std::min(255, std::max(1, ((*examples[t])[i] * 20 + 50) / 100));
            EXPECT_EQ(tables[t][i], expected) << "table " << t << " entry " << i;
        }
    }
}

TEST_F(JpegEncodeTest, ProgressiveOutputHasTheTenScansInOrder) {
    const auto segments = test::jpegSegments(encodeJpeg(test::photoLikeRaster(50, 40), true));
    EXPECT_EQ(segmentsWithMarker(segments, 0xC0).size(), 0u);
    ASSERT_EQ(segmentsWithMarker(segments, 0xC2).size(), 1u);
    // Components (1 = Y, 2 = Cb, 3 = Cr), Ss, Se, Ah, Al.
    const std::vector<std::vector<int>> expected = {
        {1, 2, 3, 0, 0, 0, 1}, {1, 1, 5, 0, 2},  {3, 1, 63, 0, 1},      {2, 1, 63, 0, 1},
        {1, 6, 63, 0, 2},      {1, 1, 63, 2, 1}, {1, 2, 3, 0, 0, 1, 0}, {3, 1, 63, 1, 0},
        {2, 1, 63, 1, 0},      {1, 1, 63, 1, 0}};
    std::vector<std::vector<int>> scans;
    for (const auto& scan : segmentsWithMarker(segments, 0xDA)) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(scan.payload.data());
        std::vector<int> fields;
        for (int c = 0; c < p[0]; ++c) {
            fields.push_back(p[1 + 2 * c]);
        }
        const std::uint8_t* band = p + 1 + 2 * p[0];
        fields.insert(fields.end(), {band[0], band[1], band[2] >> 4, band[2] & 0x0F});
        scans.push_back(fields);
    }
    EXPECT_EQ(scans, expected);
}

TEST_F(JpegEncodeTest, AnEmptyRasterGivesNoBytes) {
    EXPECT_EQ(encodeJpeg(RgbRaster{}, false), "");
    EXPECT_EQ(encodeJpeg(RgbRaster(1024, 0), true), "");
}

}  // namespace
}  // namespace bildheber
