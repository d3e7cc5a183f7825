#include "support/TestPictures.h"

#include <fstream>

#include "imaging/JpegCodec.h"

namespace bildheber::test {

std::string writeJpegFile(const std::filesystem::path& path, int width, int height) {
    RgbRaster raster(width, height);
    for (std::size_t i = 0; i < raster.pixels.size(); ++i) {
        raster.pixels[i] = static_cast<std::uint8_t>((i * 7) % 251);
    }
    std::ofstream(path, std::ios::binary) << encodeJpeg(raster, false);
    return path.string();
}

}  // namespace bildheber::test
