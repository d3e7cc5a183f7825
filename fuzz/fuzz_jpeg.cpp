// The re-encoding for upload over arbitrary bytes: header, row-by-row decode, point sampling to the
// real upload size (1024 wide, or 768 high) and encoding, all in reencodeForUpload as a run does
// it for every picture. Bad data must end in JpegError, nothing else: no crash, no double free, no
// leak, also when the data breaks after the encoder has filled and grown its output buffer (any
// upload of 1024 x 768 does). A success must be a JPEG file of the upload size with the source's
// scan layout, and for small pictures exactly the file of the plain way: decoding the whole
// picture, scaling it and encoding the result, which must fail exactly when the resize fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/ResizeJpg.h"

namespace {

using namespace bildheber;

// What one execution may cost. The codec decodes every row the frame header claims, making up
// the rows the data lacks, and passes over the whole picture once per scan of a multi-scan file;
// the time follows the claimed size and the scan count, not the input's length. The caps keep the
// slowest execution within a second or two in the fuzz build (a 16 MB file of 12 megapixels in 27
// scans takes 1.1 s), far below tools/fuzz.sh's -timeout=10:
// - at most 50 megapixels, the largest camera sensors;
// - above 2 megapixels, at most 64 pixels per input byte. A photo holds a byte for every few
//   pixels, so camera files, also cut to a tenth, are decoded; a few hundred bytes that claim a
//   huge picture are not, which keeps most executions small and fast;
// - pixels times passes (each scan and the output) at most 600 million: a 24-megapixel progressive
//   photo with its ten scans, a 12-megapixel one with 49, a small one with hundreds.
constexpr std::int64_t kMaxPixels = 50'000'000;
constexpr std::int64_t kPixelsWithoutData = 2'000'000;
constexpr std::int64_t kMaxPixelsPerByte = 64;
constexpr std::int64_t kMaxPixelPasses = 600'000'000;
// Pictures up to this size are also decoded whole, which holds them in memory, and compared.
constexpr std::int64_t kMaxComparedPixels = 1'000'000;

// Every start-of-scan marker, also one inside a segment's payload: a count on the safe side.
std::int64_t scanMarkerCount(std::string_view bytes) {
    std::int64_t count = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        count += bytes[i] == '\xFF' && bytes[i + 1] == '\xDA';
    }
    return count;
}

bool affordable(const JpegHeader& header, std::string_view bytes) {
    const std::int64_t pixels = std::int64_t{header.width} * header.height;
    const std::int64_t passes = scanMarkerCount(bytes) + 1;
    return pixels <= kMaxPixels &&
           (pixels <= kPixelsWithoutData ||
            pixels <= kMaxPixelsPerByte * static_cast<std::int64_t>(bytes.size())) &&
           pixels * passes <= kMaxPixelPasses;
}

std::optional<std::string> reencoded(std::string_view bytes) {
    try {
        return reencodeForUpload(bytes);
    } catch (const JpegError&) {
        return std::nullopt;  // bad data: the expected way to fail
    }
}

// The plain way, holding the whole picture.
std::optional<std::string> decodedScaledEncoded(std::string_view bytes, const JpegHeader& header,
                                                UploadSize target) {
    RgbRaster full;
    try {
        full = decodeJpeg(bytes);
    } catch (const JpegError&) {
        return std::nullopt;
    }
    if (full.width != header.width || full.height != header.height) {
        std::abort();
    }
    return encodeJpeg(scaleNearest(full, target.width, target.height), header.multiScan);
}

// An upload is a JPEG file of the upload size, progressive exactly when the source is multi-scan;
// no bytes when a side of the size is 0.
void checkUpload(const std::string& upload, const JpegHeader& source, UploadSize target) {
    if (target.width == 0 || target.height == 0) {
        if (!upload.empty()) {
            std::abort();
        }
        return;
    }
    const JpegHeader header = readJpegHeader(upload);
    if (header.width != target.width || header.height != target.height ||
        header.colorSpace != JpegColorSpace::YCbCr || header.multiScan != source.multiScan) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    JpegHeader header;
    try {
        header = readJpegHeader(bytes);
    } catch (const JpegError&) {
        if (reencoded(bytes)) {
            std::abort();  // the resize read a header that readJpegHeader could not
        }
        return 0;
    }
    if (bytes.empty() || !affordable(header, bytes)) {
        return 0;
    }
    const std::optional<std::string> upload = reencoded(bytes);
    const UploadSize target = uploadSize(header.width, header.height);
    if (upload) {
        checkUpload(*upload, header, target);
    }
    if (std::int64_t{header.width} * header.height <= kMaxComparedPixels &&
        upload != decodedScaledEncoded(bytes, header, target)) {
        std::abort();
    }
    return 0;
}
