#include "imaging/EntryFacts.h"

#include "platform/Paths.h"

namespace bildheber {

namespace {

std::string upperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// The first of 100, 90, ..., 10 at which the truncated product fits the limit; 10 at least.
int scaleToFit(std::int64_t size, std::int64_t limit) {
    int scale = 100;
    while (scale > 0 && size * scale / 100 > limit) {
        scale -= 10;
    }
    return scale < 10 ? 10 : scale;
}

}  // namespace

bool hasJpegExtension(std::string_view fileName) {
    const std::string extension = upperAscii(extensionOf(fileName));
    return extension == ".JPG" || extension == ".JPEG";
}

FitScale fitScale(int width, int height) {
    return FitScale{scaleToFit(width, 400), scaleToFit(height, 300)};
}

std::string sizeText(std::int64_t bytes) {
    return std::to_string(bytes / 1024) + " KB";
}

std::string pixelText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string scaleText(int percent) {
    return std::to_string(percent) + "%";
}

}  // namespace bildheber
