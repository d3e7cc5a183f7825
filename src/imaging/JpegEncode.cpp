// encodeJpeg of JpegCodec.h.
#include <stdexcept>

#include "imaging/JpegCodec.h"
#include "imaging/JpegCompressor.h"

namespace bildheber {

std::string encodeJpeg(const RgbRaster& raster, bool progressive) {
    if (raster.empty()) {
        return {};
    }
    if (raster.pixels.size() != raster.rowBytes() * static_cast<std::size_t>(raster.height)) {
        throw std::invalid_argument("encodeJpeg: raster size does not match its pixel count");
    }
    JpegCompressor compressor(raster.width, raster.height, progressive);
    for (int y = 0; y < raster.height; ++y) {
        compressor.writeRow(raster.row(y));
    }
    return compressor.finish();
}

}  // namespace bildheber
