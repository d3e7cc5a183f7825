// readJpegHeader and decodeJpeg of JpegCodec.h.
#include "imaging/JpegCodec.h"
#include "imaging/JpegDecompressor.h"

namespace bildheber {

JpegHeader readJpegHeader(std::string_view fileBytes) {
    if (fileBytes.empty()) {
        return JpegHeader{};
    }
    JpegDecompressor decompressor(fileBytes);
    return decompressor.readHeader();
}

RgbRaster decodeJpeg(std::string_view fileBytes) {
    JpegDecompressor decompressor(fileBytes);
    decompressor.readHeader();
    decompressor.start();
    RgbRaster raster(decompressor.width(), decompressor.height());
    for (int y = 0; y < raster.height; ++y) {
        decompressor.readRow(raster.row(y));
    }
    decompressor.finish();
    return raster;
}

}  // namespace bildheber
