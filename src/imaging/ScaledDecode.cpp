#include "imaging/ScaledDecode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/JpegDecompressor.h"
#include "imaging/PointSampling.h"

namespace bildheber {
namespace {

class RasterCollector : public ScaledRowSink {
  public:
    explicit RasterCollector(ScaledPicture& picture) : picture_(picture) {}

    void begin(const JpegHeader& header, UploadSize size) override {
        picture_.header = header;
        picture_.raster = RgbRaster(size.width, size.height);
    }
    void row(const std::uint8_t* rgb) override {
        std::memcpy(picture_.raster.row(nextRow_++), rgb, picture_.raster.rowBytes());
    }

  private:
    ScaledPicture& picture_;
    int nextRow_ = 0;
};

}  // namespace

void decodeScaled(std::string_view fileBytes,
                  const std::function<UploadSize(const JpegHeader&)>& targetSize,
                  ScaledRowSink& sink) {
    if (fileBytes.empty()) {
        // readJpegHeader does not parse zero bytes; the size rule decides what that means.
        targetSize(JpegHeader{});
    }
    JpegDecompressor decompressor(fileBytes);
    const JpegHeader header = decompressor.readHeader();
    UploadSize size = targetSize(header);
    size.width = std::max(size.width, 0);
    size.height = std::max(size.height, 0);
    decompressor.start();
    sink.begin(header, size);

    const int sourceHeight = decompressor.height();
    const bool anyPixels = size.width > 0 && size.height > 0;
    const auto columnOffsets = sourceColumnOffsets(decompressor.width(), size.width);
    std::vector<std::uint8_t> sourceRow(static_cast<std::size_t>(decompressor.width()) * 3);
    std::vector<std::uint8_t> targetRow(static_cast<std::size_t>(size.width) * 3);
    int targetY = 0;
    // Every source row is decoded, also after the last one sampled and for an empty target, so
    // that errors and warnings arise as in a full decode.
    for (int sourceY = 0; sourceY < sourceHeight; ++sourceY) {
        if (!anyPixels || targetY == size.height ||
            sourceIndexFor(targetY, sourceHeight, size.height) != sourceY) {
            decompressor.skipRow();
            continue;
        }
        decompressor.readRow(sourceRow.data());
        sampleRow(sourceRow.data(), columnOffsets, targetRow.data());
        // Enlarging repeats the row.
        do {
            sink.row(targetRow.data());
            ++targetY;
        } while (targetY < size.height &&
                 sourceIndexFor(targetY, sourceHeight, size.height) == sourceY);
    }
    decompressor.finish();
}

ScaledPicture decodeScaled(std::string_view fileBytes,
                           const std::function<UploadSize(const JpegHeader&)>& targetSize) {
    ScaledPicture picture;
    RasterCollector collector(picture);
    decodeScaled(fileBytes, targetSize, collector);
    return picture;
}

}  // namespace bildheber
