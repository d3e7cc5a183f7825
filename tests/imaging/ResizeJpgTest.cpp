#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <jerror.h>
#include <jpeglib.h>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/JpegTestFiles.h"
#include "imaging/ResizeJpg.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

class ResizeJpgTest : public ::testing::Test {
  protected:
    std::string writeSource(const std::string& name, std::string_view bytes) {
        const auto file = folder_.path() / name;
        test::writeBinaryFile(file, bytes);
        return file.string();
    }
    std::string resized(const std::string& name, std::string_view bytes) {
        std::string stream;
        resizeJpg(writeSource(name, bytes), stream);
        return stream;
    }

    test::TempDir folder_;
};

TEST_F(ResizeJpgTest, UploadsLandscapeAt1024WideAndPortraitAt768High) {
    const struct {
        int width, height, uploadWidth, uploadHeight;
    } cases[] = {
        {4000, 3000, 1024, 768}, {3000, 4000, 576, 768},  {1000, 1000, 1024, 1024},
        {800, 600, 1024, 768},   {2048, 1365, 1024, 682}, {2048, 1367, 1024, 684},
    };
    for (const auto& c : cases) {
        const std::string upload =
            resized("source.jpg", encodeJpeg(test::photoLikeRaster(c.width, c.height), false));
        const JpegHeader header = readJpegHeader(upload);
        EXPECT_EQ(header.width, c.uploadWidth) << c.width << " x " << c.height;
        EXPECT_EQ(header.height, c.uploadHeight) << c.width << " x " << c.height;
    }
}

TEST_F(ResizeJpgTest, AShortSideRoundedToZeroWritesNothing) {
    for (const auto& [width, height] : {std::pair{3000, 1}, {1, 1536}}) {
        std::string stream = "earlier";
        resizeJpg(writeSource("thin.jpg", encodeJpeg(test::photoLikeRaster(width, height), false)),
                  stream);
        EXPECT_EQ(stream, "earlier") << width << " x " << height;
    }
}

TEST_F(ResizeJpgTest, AppendsTheUploadToTheStream) {
    const std::string source = encodeJpeg(test::photoLikeRaster(40, 30), false);
    const std::string upload = resized("a.jpg", source);
    std::string stream = "earlier";
    resizeJpg(writeSource("a.jpg", source), stream);
    EXPECT_EQ(stream, "earlier" + upload);
}

// The row-by-row resize must give the bytes of the plain way: full decode, scale, encode.
TEST_F(ResizeJpgTest, GivesTheBytesOfDecodingScalingAndEncodingTheWholePicture) {
    const std::uint8_t cmyk[4] = {30, 140, 220, 180};
    const RgbRaster odd = test::photoLikeRaster(1023, 767, 2);
    const struct {
        const char* name;
        std::string source;
    } cases[] = {
        {"baseline reduced", encodeJpeg(test::photoLikeRaster(2000, 1500, 3), false)},
        {"baseline odd size", encodeJpeg(odd, false)},
        {"progressive odd size", encodeJpeg(odd, true)},
        {"progressive portrait", encodeJpeg(test::photoLikeRaster(601, 997, 4), true)},
        {"baseline enlarged", encodeJpeg(test::photoLikeRaster(333, 251, 5), false)},
        {"grayscale",
         test::runCjpeg(folder_.path(), test::photoLikeRaster(1601, 1203, 6), "-grayscale")},
        {"grayscale enlarged portrait",
         test::runCjpeg(folder_.path(), test::photoLikeRaster(201, 301, 7), "-grayscale")},
        {"cmyk", test::flatFourChannelJpeg(1500, 1100, cmyk, false)},
        {"ycck enlarged", test::flatFourChannelJpeg(300, 200, cmyk, true)},
        {"arithmetic progressive",
         test::runCjpeg(folder_.path(), test::photoLikeRaster(1234, 987, 8),
                        "-arithmetic -progressive")},
        {"cut short", encodeJpeg(test::photoLikeRaster(1500, 1000, 9), false).substr(0, 60000)},
    };
    for (const auto& c : cases) {
        const JpegHeader header = readJpegHeader(c.source);
        const UploadSize size = uploadSize(header.width, header.height);
        const std::string expected = encodeJpeg(
            scaleNearest(decodeJpeg(c.source), size.width, size.height), header.multiScan);
        EXPECT_EQ(resized("source.jpg", c.source), expected) << c.name;
    }
}

TEST_F(ResizeJpgTest, KeepsTheSourcesScanLayout) {
    const RgbRaster picture = test::photoLikeRaster(640, 480);
    test::writeBinaryFile(folder_.path() / "scans.txt", "0: 0 63 0 0; 1 2: 0 63 0 0;");
    const struct {
        const char* name;
        std::string source;
        std::uint8_t uploadFrame;
    } cases[] = {
        {"baseline", encodeJpeg(picture, false), 0xC0},
        {"progressive", encodeJpeg(picture, true), 0xC2},
        {"sequential in two scans",
         test::runCjpeg(folder_.path(), picture,
                        "-scans " + test::quoted(folder_.path() / "scans.txt")),
         0xC2},
        {"arithmetic sequential", test::runCjpeg(folder_.path(), picture, "-arithmetic"), 0xC0},
    };
    for (const auto& c : cases) {
        const std::string upload = resized("source.jpg", c.source);
        EXPECT_EQ(test::frameMarkerOf(upload), c.uploadFrame) << c.name;
        const auto markers = test::markersOf(upload);
        EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xDA), c.uploadFrame == 0xC2 ? 10 : 1)
            << c.name;
    }
}

// libjpeg-turbo decodes arithmetic coding. Entropy coding is lossless, so such a file uploads
// exactly like its Huffman-coded twin.
TEST_F(ResizeJpgTest, UploadsArithmeticCodedSourcesLikeTheirHuffmanCodedTwins) {
    const RgbRaster picture = test::photoLikeRaster(900, 600, 11);
    for (const char* layout : {"", " -progressive"}) {
        const std::string huffman = test::runCjpeg(folder_.path(), picture, layout);
        const std::string arithmetic =
            test::runCjpeg(folder_.path(), picture, std::string("-arithmetic") + layout);
        ASSERT_NE(test::frameMarkerOf(arithmetic), test::frameMarkerOf(huffman));
        EXPECT_EQ(resized("arithmetic.jpg", arithmetic), resized("huffman.jpg", huffman)) << layout;
    }
}

TEST_F(ResizeJpgTest, GrayscaleBecomesAColourUploadWithEqualChannels) {
    const std::string source =
        test::runCjpeg(folder_.path(), test::photoLikeRaster(400, 300), "-grayscale");
    const std::string upload = resized("gray.jpg", source);
    EXPECT_EQ(readJpegHeader(upload).colorSpace, JpegColorSpace::YCbCr);
    const RgbRaster pixels = decodeJpeg(upload);
    ASSERT_EQ(pixels.width, 1024);
    for (std::size_t i = 0; i < pixels.pixels.size(); i += 3) {
        ASSERT_EQ(pixels.pixels[i], pixels.pixels[i + 1]) << "pixel " << i / 3;
        ASSERT_EQ(pixels.pixels[i], pixels.pixels[i + 2]) << "pixel " << i / 3;
    }
}

TEST_F(ResizeJpgTest, DropsExifAndKeepsTheStoredOrientation) {
    const std::string plain = encodeJpeg(test::photoLikeRaster(800, 600), false);
    const std::string withExif = test::withExifOrientation(plain);
    ASSERT_EQ(test::markersOf(withExif)[1], 0xE1);
    const std::string upload = resized("exif.jpg", withExif);
    EXPECT_EQ(upload, resized("plain.jpg", plain));
    const auto markers = test::markersOf(upload);
    EXPECT_EQ(std::count(markers.begin(), markers.end(), 0xE1), 0);
    EXPECT_EQ(readJpegHeader(upload).width, 1024);  // landscape as stored, not turned upright
}

TEST_F(ResizeJpgTest, UploadsASourceCutShortAfterTheFirstScanHeader) {
    const std::string full = encodeJpeg(test::photoLikeRaster(900, 700), true);
    for (const std::size_t extra : {std::size_t{0}, std::size_t{500}}) {
        const std::string cut = full.substr(0, test::endOfFirstScanHeader(full) + extra);
        const JpegHeader header = readJpegHeader(resized("cut.jpg", cut));
        EXPECT_EQ(header.width, 1024);
        EXPECT_EQ(header.height, 796);
    }
}

// Every scan is another pass over the whole picture, so a small file of many scans could keep the
// decoder busy for hours; photos have about ten.
TEST_F(ResizeJpgTest, RefusesProgressiveFilesOfMoreThan100Scans) {
    const std::string tenScans = encodeJpeg(test::photoLikeRaster(64, 48), true);
    EXPECT_EQ(readJpegHeader(resized("100.jpg", test::withLastScanRepeated(tenScans, 90))).width,
              1024);
    std::string stream;
    try {
        resizeJpg(writeSource("101.jpg", test::withLastScanRepeated(tenScans, 91)), stream);
        ADD_FAILURE() << "no failure";
    } catch (const JpegError& error) {
        EXPECT_NE(std::string(error.what()).find("more than 100 scans"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(stream, "");
}

TEST_F(ResizeJpgTest, FailsWithoutTouchingTheStream) {
    const std::string good = encodeJpeg(test::photoLikeRaster(64, 48), false);
    std::filesystem::create_directory(folder_.path() / "folder.jpg");
    const struct {
        const char* name;
        std::string file;
        bool fileError;
        int codecError;
    } cases[] = {
        {"missing file", (folder_.path() / "missing.jpg").string(), true, 0},
        {"a folder", (folder_.path() / "folder.jpg").string(), true, 0},
        {"empty file", writeSource("empty.jpg", ""), false, 0},
        {"not a JPEG file", writeSource("text.jpg", "Hallo"), false, JERR_NO_SOI},
        {"header cut short", writeSource("short.jpg", good.substr(0, 100)), false, JWRN_JPEG_EOF},
        // Fails half-way, after the encoder has grown its output buffer several times.
        {"a start marker inside the scan data",
         writeSource("broken.jpg", test::withStartMarkerInScan(
                                       encodeJpeg(test::photoLikeRaster(2000, 1500), false))),
         false, JERR_SOI_DUPLICATE},
        // Its coefficients would need 25 GB; the codec refuses before it allocates them.
        {"a progressive file that claims 65500 x 65500 pixels",
         writeSource(
             "huge.jpg",
             test::withFrameSize(encodeJpeg(test::photoLikeRaster(64, 48), true), 65500, 65500)),
         false, JERR_NO_BACKING_STORE},
        {"no quantisation tables", writeSource("noquant.jpg", test::withoutSegments(good, 0xDB)),
         false, JERR_NO_QUANT_TABLE},
    };
    for (const auto& c : cases) {
        std::string stream = "earlier";
        try {
            resizeJpg(c.file, stream);
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const std::system_error& error) {
            EXPECT_TRUE(c.fileError) << c.name << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find(c.file), std::string::npos) << error.what();
        } catch (const JpegError& error) {
            EXPECT_FALSE(c.fileError) << c.name << ": " << error.what();
            const std::string text = error.what();
            EXPECT_NE(text.find(c.file), std::string::npos) << text;
            if (c.codecError != 0) {
                EXPECT_NE(text.find("JPEG-Fehler #" + std::to_string(c.codecError) + " "),
                          std::string::npos)
                    << c.name << ": " << text;
            }
        }
        EXPECT_EQ(stream, "earlier") << c.name;
    }
}

}  // namespace
}  // namespace bildheber
