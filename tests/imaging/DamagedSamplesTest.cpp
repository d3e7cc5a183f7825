#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/JpegMutants.h"
#include "imaging/JpegTestFiles.h"
#include "imaging/ResizeJpg.h"
#include "imaging/ScaledDecode.h"
#include "support/TempDir.h"

namespace bildheber::test {
namespace {

// Counts the rows that the resize hands to the encoder.
class RowCounter : public ScaledRowSink {
  public:
    void begin(const JpegHeader&, UploadSize size) override { height = size.height; }
    void row(const std::uint8_t*) override { ++rows; }

    int height = 0;
    int rows = 0;
};

// Whether the resize of `jpeg` fails only after the encoder has had half of the upload's rows, and
// so has written and grown its output: the encoder is then dropped unfinished. The codec reads a
// stray marker in the scan data as the data's end and fails when it reaches it for real, after
// the last row.
bool failsAfterEncodingHalf(std::string_view jpeg) {
    RowCounter counter;
    try {
        decodeScaled(
            jpeg, [](const JpegHeader& header) { return uploadSize(header.width, header.height); },
            counter);
    } catch (const JpegError&) {
        return counter.height > 0 && counter.rows >= counter.height / 2;
    }
    return false;
}

// Whatever the damage, the resize gives an upload of the upload size or fails with JpegError,
// leaving the stream as it was.
TEST(DamagedSamplesTest, ResizeGivesTheUploadSizeOrFailsWithoutTouchingTheStream) {
    TempDir folder;
    const auto file = folder.path() / "damaged.jpg";
    int uploads = 0;
    int failures = 0;
    int failuresAfterEncoding = 0;
    const std::vector<JpegMutant> mutants = damagedSamplePictures();
    for (const JpegMutant& mutant : mutants) {
        writeBinaryFile(file, mutant.bytes);
        std::string stream = "earlier";
        try {
            resizeJpg(file.string(), stream);
        } catch (const JpegError&) {
            EXPECT_EQ(stream, "earlier") << mutant.what;
            ++failures;
            failuresAfterEncoding += failsAfterEncodingHalf(mutant.bytes);
            continue;
        }
        ++uploads;
        ASSERT_EQ(stream.compare(0, 7, "earlier"), 0) << mutant.what;
        const std::string upload = stream.substr(7);
        const JpegHeader source = readJpegHeader(mutant.bytes);
        const UploadSize size = uploadSize(source.width, source.height);
        if (size.width == 0 || size.height == 0) {
            EXPECT_EQ(upload, "") << mutant.what;
            continue;
        }
        const JpegHeader header = readJpegHeader(upload);
        EXPECT_EQ(header.width, size.width) << mutant.what;
        EXPECT_EQ(header.height, size.height) << mutant.what;
    }
    std::cout << mutants.size() << " damaged samples: " << uploads << " uploads, " << failures
              << " failures, " << failuresAfterEncoding
              << " of them after half of the upload was encoded\n";
    RecordProperty("damaged", static_cast<int>(mutants.size()));
    RecordProperty("uploads", uploads);
    RecordProperty("failures", failures);
    RecordProperty("failuresAfterEncoding", failuresAfterEncoding);
    // The damage reaches the case that once freed the encoder's output twice.
    EXPECT_GE(failuresAfterEncoding, 10);
}

}  // namespace
}  // namespace bildheber::test
