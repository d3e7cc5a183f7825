#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bildheber {

// True when the file name ends in ".jpg" or ".jpeg", in any letter case.
bool hasJpegExtension(std::string_view fileName);

// How far a picture would have to be reduced, in steps of 10 %, to fit 400 x 300 pixels.
struct FitScale {
    int scalex = 100;
    int scaley = 100;
    int fit() const { return scaley < scalex ? scaley : scalex; }
};
FitScale fitScale(int width, int height);

// The texts of a queue entry: "1464 KB", "4000x3000", "10%".
std::string sizeText(std::int64_t bytes);
std::string pixelText(int width, int height);
std::string scaleText(int percent);

}  // namespace bildheber
