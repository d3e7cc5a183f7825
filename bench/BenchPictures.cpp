#include "BenchPictures.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>

#include "imaging/JpegCodec.h"

namespace bildheber::bench {
namespace {

std::uint8_t clampToByte(double value) {
    return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

unsigned hashOf(unsigned x, unsigned y) {
    unsigned h = x * 374761393u + y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

// Light falling across the scene, a few large objects with edges, fine texture and noise: it
// compresses to about 2 to 4 bits per pixel at quality 90, like a camera picture.
RgbRaster photoLike(int width, int height) {
    RgbRaster raster(width, height);
    const double scale = 1000.0 / std::max(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* pixel = raster.row(y);
        const double v = y * scale;
        for (int x = 0; x < width; ++x, pixel += 3) {
            const double u = x * scale;
            const double light = 0.55 + 0.45 * std::sin(u * 0.004 + v * 0.003);
            const bool object = std::fmod(u * 0.7 + v * 0.4, 230.0) < 90.0;
            const double texture = 18.0 * std::sin(u * 0.9) * std::cos(v * 1.1);
            const double noise =
                static_cast<double>(hashOf(static_cast<unsigned>(x), static_cast<unsigned>(y)) %
                                    17) -
                8.0;
            const double base = object ? 170.0 : 90.0;
            pixel[0] = clampToByte(light * (base + 40.0) + texture + noise);
            pixel[1] = clampToByte(light * base + 0.6 * texture + noise);
            pixel[2] = clampToByte(light * (base - 30.0) + 0.4 * texture + noise);
        }
    }
    return raster;
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

}  // namespace

std::string photoLikeJpeg(int width, int height, bool progressive) {
    return encodeJpeg(photoLike(width, height), progressive);
}

std::vector<BenchPicture> makeBenchPictures(const std::filesystem::path& folder) {
    std::vector<BenchPicture> pictures = {
        {"4000x3000 baseline", 4000, 3000, false, {}, {}},
        {"4000x3000 progressive", 4000, 3000, true, {}, {}},
        {"1000x1000 baseline", 1000, 1000, false, {}, {}},
        {"3000x4000 baseline", 3000, 4000, false, {}, {}},
    };
    for (auto& picture : pictures) {
        picture.bytes = photoLikeJpeg(picture.width, picture.height, picture.progressive);
        picture.file =
            folder / (std::to_string(picture.width) + "x" + std::to_string(picture.height) +
                      (picture.progressive ? "-progressive.jpg" : "-baseline.jpg"));
        writeFile(picture.file, picture.bytes);
    }
    return pictures;
}

}  // namespace bildheber::bench
