#include <gtest/gtest.h>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/JpegTestFiles.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

using test::frameSegment;
using test::kStartOfImage;
using test::markerSegment;
using test::scanSegment;

// A header that reads: frame 16 x 16 with three components, then a scan header.
std::string validHeader() {
    return kStartOfImage + frameSegment(0xC0, 8, 16, 16, 3) + scanSegment();
}

TEST(JpegHeaderTest, ReadsSizeColourSpaceAndScanLayoutOfRealFiles) {
    test::TempDir folder;
    const RgbRaster picture = test::photoLikeRaster(123, 45);
    const std::uint8_t cmyk[4] = {1, 2, 3, 4};
    const struct {
        const char* name;
        std::string bytes;
        std::uint8_t frameMarker;
        JpegColorSpace colorSpace;
        bool multiScan;
    } cases[] = {
        {"baseline", encodeJpeg(picture, false), 0xC0, JpegColorSpace::YCbCr, false},
        {"progressive", encodeJpeg(picture, true), 0xC2, JpegColorSpace::YCbCr, true},
        {"extended sequential", test::runCjpeg(folder.path(), picture, "-quality 5"), 0xC1,
         JpegColorSpace::YCbCr, false},
        {"rgb", test::runCjpeg(folder.path(), picture, "-rgb"), 0xC0, JpegColorSpace::Rgb, false},
        {"grayscale", test::runCjpeg(folder.path(), picture, "-grayscale"), 0xC0,
         JpegColorSpace::Grayscale, false},
        {"arithmetic", test::runCjpeg(folder.path(), picture, "-arithmetic"), 0xC9,
         JpegColorSpace::YCbCr, false},
        {"arithmetic progressive",
         test::runCjpeg(folder.path(), picture, "-arithmetic -progressive"), 0xCA,
         JpegColorSpace::YCbCr, true},
        {"cmyk", test::flatFourChannelJpeg(123, 45, cmyk, false), 0xC0, JpegColorSpace::Cmyk,
         false},
        {"ycck", test::flatFourChannelJpeg(123, 45, cmyk, true), 0xC0, JpegColorSpace::Ycck, false},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(test::frameMarkerOf(c.bytes), c.frameMarker) << c.name;
        const JpegHeader header = readJpegHeader(c.bytes);
        EXPECT_EQ(header.width, 123) << c.name;
        EXPECT_EQ(header.height, 45) << c.name;
        EXPECT_EQ(header.colorSpace, c.colorSpace) << c.name;
        EXPECT_EQ(header.multiScan, c.multiScan) << c.name;
    }
}

TEST(JpegHeaderTest, ASequentialFileWhoseFirstScanLacksComponentsIsMultiScan) {
    test::TempDir folder;
    // One scan per component, each with the full spectrum: sequential, not progressive.
    test::writeBinaryFile(folder.path() / "scans.txt", "0: 0 63 0 0; 1: 0 63 0 0; 2: 0 63 0 0;");
    const std::string file = test::runCjpeg(folder.path(), test::photoLikeRaster(40, 30),
                                            "-scans " + test::quoted(folder.path() / "scans.txt"));
    ASSERT_EQ(test::frameMarkerOf(file), 0xC0);
    EXPECT_TRUE(readJpegHeader(file).multiScan);
}

TEST(JpegHeaderTest, ZeroBytesAreNotParsed) {
    const JpegHeader header = readJpegHeader("");
    EXPECT_EQ(header.width, 0);
    EXPECT_EQ(header.height, 0);
    EXPECT_EQ(header.colorSpace, JpegColorSpace::None);
    EXPECT_FALSE(header.multiScan);
}

TEST(JpegHeaderTest, ReadsOnlyUpToTheFirstScanHeader) {
    const std::string header = validHeader();
    EXPECT_EQ(readJpegHeader(header).width, 16);  // no picture data at all
    // Scan data, then a lossless frame that would fail the header if it were read.
    const std::string after =
        std::string(100, '\xFF') + std::string("\x00\xC3", 2) + frameSegment(0xC3, 8, 16, 16, 3);
    EXPECT_EQ(readJpegHeader(header + after).height, 16);

    const struct {
        std::uint8_t marker;
        bool multiScan;
    } frames[] = {{0xC0, false}, {0xC1, false}, {0xC2, true}, {0xC9, false}, {0xCA, true}};
    for (const auto& frame : frames) {
        const std::string bytes = kStartOfImage + frameSegment(frame.marker, 8, 640, 480, 1) +
                                  markerSegment(0xDA, std::string("\x01\x01\x00\x00\x00\x00", 6));
        const JpegHeader read = readJpegHeader(bytes);
        EXPECT_EQ(read.width, 640) << std::hex << int{frame.marker};
        EXPECT_EQ(read.colorSpace, JpegColorSpace::Grayscale);
        EXPECT_EQ(read.multiScan, frame.multiScan) << std::hex << int{frame.marker};
    }
    const std::string largest =
        kStartOfImage + frameSegment(0xC0, 8, 65500, 65500, 3) + scanSegment();
    EXPECT_EQ(readJpegHeader(largest).width, 65500);
}

TEST(JpegHeaderTest, FailsWithTheCodecsErrorForEveryUnreadableHeader) {
    const std::string frame = frameSegment(0xC0, 8, 16, 16, 3);
    const std::string quantTable(64, '\x01');
    const struct {
        const char* name;
        std::string bytes;
        int code;
    } cases[] = {
        {"no start marker", "\x89PNG\r\n\x1A\n" + frame + scanSegment(), JERR_NO_SOI},
        {"start marker not first", std::string(1, '\0') + validHeader(), JERR_NO_SOI},
        {"lossless", kStartOfImage + frameSegment(0xC3, 8, 16, 16, 3) + scanSegment(),
         JERR_SOF_UNSUPPORTED},
        {"hierarchical", kStartOfImage + frameSegment(0xC5, 8, 16, 16, 3) + scanSegment(),
         JERR_SOF_UNSUPPORTED},
        {"hierarchical progressive",
         kStartOfImage + frameSegment(0xC6, 8, 16, 16, 3) + scanSegment(), JERR_SOF_UNSUPPORTED},
        {"hierarchical lossless", kStartOfImage + frameSegment(0xC7, 8, 16, 16, 3) + scanSegment(),
         JERR_SOF_UNSUPPORTED},
        {"reserved JPG", kStartOfImage + frameSegment(0xC8, 8, 16, 16, 3) + scanSegment(),
         JERR_SOF_UNSUPPORTED},
        {"arithmetic lossless", kStartOfImage + frameSegment(0xCB, 8, 16, 16, 3) + scanSegment(),
         JERR_SOF_UNSUPPORTED},
        {"arithmetic hierarchical",
         kStartOfImage + frameSegment(0xCD, 8, 16, 16, 3) + scanSegment(), JERR_SOF_UNSUPPORTED},
        {"arithmetic hierarchical progressive",
         kStartOfImage + frameSegment(0xCE, 8, 16, 16, 3) + scanSegment(), JERR_SOF_UNSUPPORTED},
        {"arithmetic hierarchical lossless",
         kStartOfImage + frameSegment(0xCF, 8, 16, 16, 3) + scanSegment(), JERR_SOF_UNSUPPORTED},
        {"12-bit samples", kStartOfImage + frameSegment(0xC1, 12, 16, 16, 3) + scanSegment(),
         JERR_BAD_PRECISION},
        {"width 0", kStartOfImage + frameSegment(0xC0, 8, 0, 16, 3) + scanSegment(),
         JERR_EMPTY_IMAGE},
        {"height 0", kStartOfImage + frameSegment(0xC0, 8, 16, 0, 3) + scanSegment(),
         JERR_EMPTY_IMAGE},
        {"width 65501", kStartOfImage + frameSegment(0xC0, 8, 65501, 16, 3) + scanSegment(),
         JERR_IMAGE_TOO_BIG},
        {"height 65501", kStartOfImage + frameSegment(0xC0, 8, 16, 65501, 3) + scanSegment(),
         JERR_IMAGE_TOO_BIG},
        {"no component", kStartOfImage + frameSegment(0xC0, 8, 16, 16, 0) + scanSegment(),
         JERR_EMPTY_IMAGE},
        {"11 components", kStartOfImage + frameSegment(0xC0, 8, 16, 16, 11) + scanSegment(),
         JERR_COMPONENT_COUNT},
        {"frame length wrong",
         kStartOfImage + markerSegment(0xC0, frame.substr(4) + std::string(1, '\0')) +
             scanSegment(),
         JERR_BAD_LENGTH},
        {"quantisation table length wrong",
         kStartOfImage + markerSegment(0xDB, std::string(1, '\0') + quantTable.substr(1)) +
             validHeader().substr(2),
         JERR_BAD_LENGTH},
        {"quantisation table number 4",
         kStartOfImage + markerSegment(0xDB, "\x04" + quantTable) + validHeader().substr(2),
         JERR_DQT_INDEX},
        {"Huffman table number 4",
         kStartOfImage + markerSegment(0xC4, "\x04" + std::string(16, '\x00')) +
             validHeader().substr(2),
         JERR_DHT_INDEX},
        {"second start marker", kStartOfImage + kStartOfImage + frame + scanSegment(),
         JERR_SOI_DUPLICATE},
        {"second frame", kStartOfImage + frame + frame + scanSegment(), JERR_SOF_DUPLICATE},
        {"scan of an unknown component",
         kStartOfImage + frame + markerSegment(0xDA, std::string("\x01\x07\x00\x00\x3F\x00", 6)),
         JERR_BAD_COMPONENT_ID},
        {"only the start marker", kStartOfImage, JWRN_JPEG_EOF},
        {"ends within the frame", validHeader().substr(0, 10), JWRN_JPEG_EOF},
        {"ends before the scan", kStartOfImage + frame, JWRN_JPEG_EOF},
        {"ends within the scan header", validHeader().substr(0, validHeader().size() - 3),
         JWRN_JPEG_EOF},
        {"image ends after the frame", kStartOfImage + frame + test::kEndOfImage, JERR_SOF_NO_SOS},
        {"image ends without a frame",
         kStartOfImage + markerSegment(0xDB, std::string(1, '\0') + quantTable) + test::kEndOfImage,
         JERR_NO_IMAGE},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(test::failsWithCodecError([&] { readJpegHeader(c.bytes); }, c.code)) << c.name;
    }
}

}  // namespace
}  // namespace bildheber
