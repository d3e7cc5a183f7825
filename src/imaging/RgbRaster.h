#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bildheber {

// A picture in memory: `height` rows, the top row first, each `width` pixels of 8-bit red,
// green and blue. A raster with a zero side is empty.
struct RgbRaster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes

    RgbRaster() = default;
    RgbRaster(int w, int h)
        : width(w),
          height(h),
          pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {}

    bool empty() const { return width <= 0 || height <= 0; }
    std::size_t rowBytes() const { return static_cast<std::size_t>(width) * 3; }
    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * rowBytes(); }
    const std::uint8_t* row(int y) const {
        return pixels.data() + static_cast<std::size_t>(y) * rowBytes();
    }
};

}  // namespace bildheber
