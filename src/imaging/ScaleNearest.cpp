// scaleNearest of JpegCodec.h.
#include <algorithm>
#include <cstring>

#include "imaging/JpegCodec.h"
#include "imaging/PointSampling.h"

namespace bildheber {

RgbRaster scaleNearest(const RgbRaster& source, int width, int height) {
    if (source.empty()) {
        return RgbRaster{};  // nothing to sample from
    }
    RgbRaster target(std::max(width, 0), std::max(height, 0));
    if (target.empty()) {
        return target;
    }
    const auto columnOffsets = sourceColumnOffsets(source.width, target.width);
    int sampledRow = -1;
    for (int y = 0; y < target.height; ++y) {
        const int sourceRow = sourceIndexFor(y, source.height, target.height);
        if (sourceRow == sampledRow) {
            // Enlarging repeats the row just made.
            std::memcpy(target.row(y), target.row(y - 1), target.rowBytes());
        } else {
            sampleRow(source.row(sourceRow), columnOffsets, target.row(y));
        }
        sampledRow = sourceRow;
    }
    return target;
}

}  // namespace bildheber
