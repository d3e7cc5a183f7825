#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "imaging/JpegHeader.h"
#include "imaging/ResizeJpg.h"
#include "imaging/RgbRaster.h"

namespace bildheber {

// Receives the rows of a picture scaled while it is decoded.
class ScaledRowSink {
  public:
    virtual ~ScaledRowSink() = default;
    // Called once, after the header has been read, with the size the rows will have.
    virtual void begin(const JpegHeader& header, UploadSize size) = 0;
    // Called for every target row, top to bottom; `rgb` holds size.width pixels and is valid only
    // during the call. Not called when a side of the size is 0.
    virtual void row(const std::uint8_t* rgb) = 0;
};

// decodeJpeg followed by scaleNearest to `targetSize(header)`, in one pass over the rows: every
// row is decoded, in order and with the same settings, so the codec's state (chroma upsampling,
// dithering) evolves exactly as in a full decode, but only the rows that point sampling selects
// are sampled and handed on. The rows are those of scaleNearest(decodeJpeg(bytes), ...) without
// the full-size picture ever being held. Throws JpegError like readJpegHeader and decodeJpeg, and
// whatever `targetSize` or the sink throws.
void decodeScaled(std::string_view fileBytes,
                  const std::function<UploadSize(const JpegHeader&)>& targetSize,
                  ScaledRowSink& sink);

struct ScaledPicture {
    JpegHeader header;
    RgbRaster raster;
};

// decodeScaled with the rows collected in a raster.
ScaledPicture decodeScaled(std::string_view fileBytes,
                           const std::function<UploadSize(const JpegHeader&)>& targetSize);

}  // namespace bildheber
