#pragma once

#include <string>
#include <string_view>

namespace bildheber {

struct UploadSize {
    int width = 0;
    int height = 0;
};

// The size a picture is uploaded at: 1024 wide for landscape and square pictures, 768 high for
// portrait ones, the other side in proportion (rounded half to even). Throws JpegError for a
// picture without pixels.
UploadSize uploadSize(int width, int height);

// The upload's bytes for a JPEG file held in memory: decoded, point-sampled to uploadSize and
// encoded, progressive exactly when the source is multi-scan. Empty when a side of the upload
// size is 0. Throws JpegError.
std::string reencodeForUpload(std::string_view fileBytes);

// Re-encodes the JPEG file `filename` at its upload size and appends the bytes to `stream` in
// one piece; progressive exactly when the source is multi-scan. On failure (JpegError, or
// std::system_error when the file cannot be read) nothing is appended.
void resizeJpg(const std::string& filename, std::string& stream);

}  // namespace bildheber
