#pragma once

namespace bildheber {

enum class JpegColorSpace { None, Grayscale, YCbCr, Rgb, Cmyk, Ycck, Unknown };

// What a JPEG file's header says: the stored pixel grid, the colour space the codec determined
// from the markers, and whether the picture comes in more than one scan.
struct JpegHeader {
    int width = 0;
    int height = 0;
    JpegColorSpace colorSpace = JpegColorSpace::None;
    bool multiScan = false;  // progressive, or a first scan without all components
};

}  // namespace bildheber
