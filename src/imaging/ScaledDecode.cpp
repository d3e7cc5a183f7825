#include "imaging/ScaledDecode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/JpegDecompressor.h"
#include "imaging/PointSampling.h"

namespace bildheber {

ScaledPicture decodeScaled(std::string_view fileBytes,
                           const std::function<UploadSize(const JpegHeader&)>& targetSize) {
    if (fileBytes.empty()) {
        // readJpegHeader does not parse zero bytes; the size rule decides what that means.
        targetSize(JpegHeader{});
    }
    JpegDecompressor decompressor(fileBytes);
    ScaledPicture picture{decompressor.readHeader(), {}};
    const UploadSize size = targetSize(picture.header);
    decompressor.start();
    const int sourceWidth = decompressor.width();
    const int sourceHeight = decompressor.height();
    RgbRaster& target = picture.raster;
    target = RgbRaster(std::max(size.width, 0), std::max(size.height, 0));

    const auto columnOffsets = sourceColumnOffsets(sourceWidth, target.width);
    std::vector<std::uint8_t> sourceRow(static_cast<std::size_t>(sourceWidth) * 3);
    int targetY = 0;
    // Every source row is decoded, also after the last one sampled and for an empty target, so
    // that errors and warnings arise as in a full decode.
    for (int sourceY = 0; sourceY < sourceHeight; ++sourceY) {
        const bool sampled = !target.empty() && targetY < target.height &&
                             sourceIndexFor(targetY, sourceHeight, target.height) == sourceY;
        if (!sampled) {
            decompressor.skipRow();
            continue;
        }
        decompressor.readRow(sourceRow.data());
        sampleRow(sourceRow.data(), columnOffsets, target.row(targetY));
        // Enlarging repeats the row.
        for (++targetY; targetY < target.height &&
                        sourceIndexFor(targetY, sourceHeight, target.height) == sourceY;
             ++targetY) {
            std::memcpy(target.row(targetY), target.row(targetY - 1), target.rowBytes());
        }
    }
    decompressor.finish();
    return picture;
}

}  // namespace bildheber
