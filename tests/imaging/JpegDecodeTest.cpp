#include <gtest/gtest.h>

#include <set>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/JpegTestFiles.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

// Compares whole rasters but reports only the first differing pixel.
::testing::AssertionResult samePixels(const RgbRaster& actual, const RgbRaster& expected) {
    if (actual.width != expected.width || actual.height != expected.height) {
        return ::testing::AssertionFailure()
               << actual.width << " x " << actual.height << " instead of " << expected.width
               << " x " << expected.height;
    }
    for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
        if (actual.pixels[i] != expected.pixels[i]) {
            const std::size_t pixel = i / 3;
            return ::testing::AssertionFailure()
                   << "pixel (" << pixel % static_cast<std::size_t>(actual.width) << ", "
                   << pixel / static_cast<std::size_t>(actual.width) << ") channel " << i % 3
                   << ": " << int{actual.pixels[i]} << " instead of " << int{expected.pixels[i]};
        }
    }
    return ::testing::AssertionSuccess();
}

class JpegDecodeTest : public ::testing::Test {
  protected:
    std::string cjpeg(const RgbRaster& raster, const std::string& options) {
        return test::runCjpeg(folder_.path(), raster, options);
    }
    RgbRaster djpeg(std::string_view jpeg, const std::string& options = "-dct float") {
        return test::runDjpeg(folder_.path(), jpeg, options);
    }

    test::TempDir folder_;
};

TEST_F(JpegDecodeTest, ColourFilesGiveTheCodecToolsPixels) {
    const RgbRaster picture = test::photoLikeRaster(123, 77);  // not a whole number of blocks
    const struct {
        const char* name;
        const char* cjpegOptions;
    } cases[] = {
        {"baseline 2x2 chroma", "-quality 90"},
        {"progressive", "-quality 90 -progressive"},
        {"full chroma", "-sample 1x1"},
        {"2x1 chroma", "-sample 2x1"},
        {"1x2 chroma", "-sample 1x2"},
        {"stored as RGB", "-rgb"},
        {"restart markers", "-restart 1"},
        {"optimised Huffman tables", "-optimize"},
        {"arithmetic coding", "-arithmetic"},
        {"arithmetic progressive", "-arithmetic -progressive"},
    };
    for (const auto& c : cases) {
        const std::string file = cjpeg(picture, c.cjpegOptions);
        EXPECT_TRUE(samePixels(decodeJpeg(file), djpeg(file))) << c.name;
    }
}

TEST_F(JpegDecodeTest, GrayscaleIsDitheredTo236EvenlySpacedLevels) {
    const std::string file = cjpeg(test::photoLikeRaster(131, 67), "-grayscale");
    const RgbRaster decoded = decodeJpeg(file);
    EXPECT_TRUE(samePixels(decoded, djpeg(file, "-dct float -colors 236 -onepass -dither fs")));

    std::set<int> allowedLevels;
    for (int j = 0; j < 236; ++j) {
        allowedLevels.insert((j * 255 + 117) / 235);
    }
    std::set<int> usedLevels;
    for (std::size_t i = 0; i < decoded.pixels.size(); i += 3) {
        ASSERT_EQ(decoded.pixels[i], decoded.pixels[i + 1]);
        ASSERT_EQ(decoded.pixels[i], decoded.pixels[i + 2]);
        ASSERT_TRUE(allowedLevels.count(decoded.pixels[i])) << int{decoded.pixels[i]};
        usedLevels.insert(decoded.pixels[i]);
    }
    EXPECT_GT(usedLevels.size(), 50u);  // a real gradient, not a few levels
}

TEST_F(JpegDecodeTest, FourChannelFilesMultiplyEachColourByKInIntegers) {
    // 200 x 200 / 255 = 156.86: integer division gives 156 where rounding would give 157.
    const std::uint8_t cmyk[4] = {200, 100, 50, 200};
    const std::uint8_t gray[4] = {200, 200, 200, 200};  // gray survives YCCK exactly
    const struct {
        const char* name;
        std::string file;
        std::uint8_t rgb[3];
    } cases[] = {
        {"cmyk", test::flatFourChannelJpeg(24, 16, cmyk, false), {156, 78, 39}},
        {"ycck", test::flatFourChannelJpeg(24, 16, gray, true), {156, 156, 156}},
    };
    for (const auto& c : cases) {
        const RgbRaster decoded = decodeJpeg(c.file);
        ASSERT_EQ(decoded.width, 24) << c.name;
        ASSERT_EQ(decoded.height, 16) << c.name;
        for (std::size_t i = 0; i < decoded.pixels.size(); ++i) {
            ASSERT_EQ(decoded.pixels[i], c.rgb[i % 3]) << c.name << " byte " << i;
        }
    }
}

TEST_F(JpegDecodeTest, DataCutShortDecodesAsFarAsTheCodecRecovers) {
    const RgbRaster picture = test::photoLikeRaster(200, 150);
    for (const bool progressive : {false, true}) {
        const std::string file = encodeJpeg(picture, progressive);
        const std::string cut = file.substr(0, file.size() / 2);
        const RgbRaster decoded = decodeJpeg(cut);
        EXPECT_TRUE(samePixels(decoded, djpeg(cut))) << "progressive " << progressive;
        // Right after the first scan header: nothing of the picture, but no failure either.
        const std::string headerOnly = file.substr(0, test::endOfFirstScanHeader(file));
        EXPECT_EQ(decodeJpeg(headerOnly).height, 150);
    }
}

TEST_F(JpegDecodeTest, TheCodecSuppliesStandardHuffmanTablesAFileLeftOut) {
    // Motion-JPEG frames omit them; libjpeg-turbo then uses the tables of T.81 Annex K.
    const std::string file = encodeJpeg(test::photoLikeRaster(64, 48), false);
    EXPECT_TRUE(samePixels(decodeJpeg(test::withoutSegments(file, 0xC4)), decodeJpeg(file)));
}

TEST_F(JpegDecodeTest, CodecErrorsFailWithTheirNumber) {
    const std::string file = encodeJpeg(test::photoLikeRaster(64, 48), false);
    const std::string twoComponents =
        test::kStartOfImage + test::frameSegment(0xC0, 8, 16, 16, 2) + test::scanSegment();
    const struct {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"no bytes", "", JERR_INPUT_EMPTY},
        {"not a JPEG file", "GIF89a" + file, JERR_NO_SOI},
        {"quantisation tables left out", test::withoutSegments(file, 0xDB), JERR_NO_QUANT_TABLE},
        {"two components", twoComponents, JERR_CONVERSION_NOTIMPL},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(test::failsWithCodecError([&] { decodeJpeg(c.bytes); }, c.code)) << c.name;
    }
}

}  // namespace
}  // namespace bildheber
