// JPEG header reading, decoding and the row-by-row resize over arbitrary bytes. Bad data must end
// in JpegError, nothing else. The row-by-row resize must give the pixels and the encoded bytes of
// decoding the whole picture, scaling it and encoding the result, and fail exactly when that
// fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/JpegCodec.h"
#include "imaging/JpegCompressor.h"
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

// Keeps the rows and encodes them as they come, as resizeJpg does.
class CollectAndEncode : public ScaledRowSink {
  public:
    void begin(const JpegHeader& header, UploadSize size) override {
        raster = RgbRaster(size.width, size.height);
        if (!raster.empty()) {
            compressor_ =
                std::make_unique<JpegCompressor>(size.width, size.height, header.multiScan);
        }
    }
    void row(const std::uint8_t* rgb) override {
        std::memcpy(raster.row(rows_++), rgb, raster.rowBytes());
        compressor_->writeRow(rgb);
    }
    std::string finish() { return compressor_ ? compressor_->finish() : std::string(); }

    RgbRaster raster;

  private:
    std::unique_ptr<JpegCompressor> compressor_;
    int rows_ = 0;
};

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
    CollectAndEncode scaled;
    std::string streamed;
    try {
        decodeScaled(bytes, smallTarget, scaled);
        streamed = scaled.finish();
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
        scaled.raster.pixels != expected.pixels ||
        streamed != encodeJpeg(expected, header.multiScan)) {
        std::abort();
    }
    if (!streamed.empty()) {
        const JpegHeader reread = readJpegHeader(streamed);
        if (reread.width != target.width || reread.height != target.height ||
            reread.multiScan != header.multiScan) {
            std::abort();
        }
    }
    return 0;
}
