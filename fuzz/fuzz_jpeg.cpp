// JPEG header reading, decoding and the row-by-row resize over arbitrary bytes. Bad data must end
// in JpegError, nothing else, and the row-by-row resize must give the pixels of decoding the
// whole picture and scaling it, and fail exactly when that fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/ResizeJpg.h"
#include "imaging/ScaledDecode.h"

namespace {

using namespace bildheber;

// Decoding time grows with the size the header claims, not with the input's length, and every
// scan of a multi-scan file passes over the whole picture; both are capped to keep runs fast.
constexpr std::int64_t kMaxPixels = 1'000'000;
constexpr int kMaxScanMarkers = 64;

int scanMarkerCount(std::string_view bytes) {
    int count = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        count += bytes[i] == '\xFF' && bytes[i + 1] == '\xDA';
    }
    return count;
}

// The upload rule at a sixteenth of its size (64 wide, 48 high), so that encoding stays cheap.
UploadSize smallTarget(const JpegHeader& header) {
    const UploadSize size = uploadSize(header.width, header.height);
    return UploadSize{size.width / 16, size.height / 16};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    JpegHeader header;
    try {
        header = readJpegHeader(bytes);
    } catch (const JpegError&) {
        return 0;
    }
    if (std::int64_t{header.width} * header.height > kMaxPixels ||
        scanMarkerCount(bytes) > kMaxScanMarkers) {
        return 0;
    }

    RgbRaster full;
    bool decoded = true;
    try {
        full = decodeJpeg(bytes);
    } catch (const JpegError&) {
        decoded = false;
    }
    ScaledPicture scaled;
    try {
        scaled = decodeScaled(bytes, smallTarget);
    } catch (const JpegError&) {
        if (decoded) {
            std::abort();  // the row-by-row resize failed where the full decode did not
        }
        return 0;
    }
    if (!decoded) {
        std::abort();  // the full decode failed where the row-by-row resize did not
    }
    const UploadSize target = smallTarget(header);
    const RgbRaster expected = scaleNearest(full, target.width, target.height);
    if (full.width != header.width || full.height != header.height ||
        scaled.raster.width != expected.width || scaled.raster.height != expected.height ||
        scaled.raster.pixels != expected.pixels) {
        std::abort();
    }

    const std::string encoded = encodeJpeg(scaled.raster, header.multiScan);
    if (!encoded.empty()) {
        const JpegHeader reread = readJpegHeader(encoded);
        if (reread.width != target.width || reread.height != target.height ||
            reread.multiScan != header.multiScan) {
            std::abort();
        }
    }
    return 0;
}
