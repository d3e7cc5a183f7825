#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bildheber::bench {

// A photo-like JPEG written for the benchmark: smooth light, textured detail and sensor noise,
// encoded with the program's own settings (quality 90, 2x2 chroma).
struct BenchPicture {
    std::string name;  // "4000x3000 baseline"
    int width = 0;
    int height = 0;
    bool progressive = false;
    std::filesystem::path file;
    std::string bytes;
};

// One photo-like JPEG of that size, encoded with the program's settings.
std::string photoLikeJpeg(int width, int height, bool progressive = false);

// The benchmark's pictures, written into `folder`.
std::vector<BenchPicture> makeBenchPictures(const std::filesystem::path& folder);

}  // namespace bildheber::bench
