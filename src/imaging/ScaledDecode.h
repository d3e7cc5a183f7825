#pragma once

#include <functional>
#include <string_view>

#include "imaging/JpegHeader.h"
#include "imaging/ResizeJpg.h"
#include "imaging/RgbRaster.h"

namespace bildheber {

struct ScaledPicture {
    JpegHeader header;
    RgbRaster raster;
};

// decodeJpeg followed by scaleNearest to `targetSize(header)`, in one pass over the rows: every
// row is decoded, in order and with the same settings, so the codec's state (chroma upsampling,
// dithering) evolves exactly as in a full decode, but only the rows that point sampling selects
// are kept. The result is identical to scaleNearest(decodeJpeg(bytes), ...) without ever holding
// the full-size picture. Throws JpegError like readJpegHeader and decodeJpeg, and whatever
// `targetSize` throws.
ScaledPicture decodeScaled(std::string_view fileBytes,
                           const std::function<UploadSize(const JpegHeader&)>& targetSize);

}  // namespace bildheber
