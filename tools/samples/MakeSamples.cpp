// Draws the sample pictures shipped in samples/: a landscape, a portrait and a square one, so
// that the program can be tried without photos of one's own. Usage: bildheber-make-samples DIR

#include <cmath>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "imaging/JpegCodec.h"

namespace {

using bildheber::RgbRaster;
struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

RgbRaster draw(int width, int height, const std::function<Rgb(double x, double y)>& shade) {
    RgbRaster raster(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raster.row(y);
        for (int x = 0; x < width; ++x) {
            const Rgb c = shade(static_cast<double>(x) / width, static_cast<double>(y) / height);
            row[3 * x] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
        }
    }
    return raster;
}

// Evening sky over the sea with a low sun and its reflection.
Rgb sunset(double x, double y) {
    const double horizon = 0.62;
    const double sun = std::hypot((x - 0.5) * 1.33, y - 0.55);
    if (y < horizon) {
        Rgb sky = mix({40, 40, 110}, {250, 150, 60}, y / horizon);
        if (sun < 0.08) {
            sky = mix({255, 240, 180}, sky, sun / 0.08);
        }
        return sky;
    }
    const double wave = 0.5 + 0.5 * std::sin(y * 400.0 + std::sin(x * 30.0) * 2.0);
    Rgb sea = mix({30, 60, 90}, {10, 25, 50}, (y - horizon) / (1 - horizon));
    if (std::abs(x - 0.5) < 0.06 * (1.2 - y) && wave > 0.4) {
        sea = mix(sea, {250, 190, 110}, 0.7);
    }
    return sea;
}

// A striped lighthouse on a rock under a pale sky.
Rgb lighthouse(double x, double y) {
    const double half = 0.07 + 0.05 * y;
    if (y > 0.18 && y < 0.85 && std::abs(x - 0.5) < half) {
        return static_cast<int>(y * 12) % 2 == 0 ? Rgb{200, 30, 30} : Rgb{240, 240, 235};
    }
    if (y > 0.1 && y <= 0.18 && std::abs(x - 0.5) < 0.08) {
        return {255, 230, 120};
    }
    if (y >= 0.85) {
        return mix({90, 80, 70}, {50, 45, 40}, (y - 0.85) / 0.15);
    }
    return mix({150, 190, 230}, {220, 235, 245}, y);
}

// Glazed tiles with soft joints.
Rgb tiles(double x, double y) {
    const double u = x * 6, v = y * 6;
    const double joint = std::min(std::abs(u - std::round(u)), std::abs(v - std::round(v)));
    const bool dark = (static_cast<int>(u) + static_cast<int>(v)) % 2 == 0;
    const Rgb tile = dark ? Rgb{30, 110, 140} : Rgb{235, 225, 200};
    return joint < 0.04 ? Rgb{180, 180, 175} : mix(tile, {255, 255, 255}, 0.15 * (1 - y));
}

bool save(const std::string& file, const RgbRaster& raster) {
    std::ofstream out(file, std::ios::binary);
    out << bildheber::encodeJpeg(raster, false);
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "Usage: bildheber-make-samples DIR\n";
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = save(dir + "/Sonnenuntergang.jpg", draw(1600, 1200, sunset)) &&
                    save(dir + "/Leuchtturm.jpg", draw(900, 1200, lighthouse)) &&
                    save(dir + "/Fliesen.jpg", draw(800, 800, tiles));
    return ok ? 0 : 1;
}
