#pragma once

#include <string>
#include <string_view>

#include "imaging/JpegHeader.h"
#include "imaging/RgbRaster.h"

namespace bildheber {

// Reads the markers up to and including the first scan header. Zero bytes are not parsed: the
// result is then an empty header (0 x 0, no colour space) and no failure. Throws JpegError.
JpegHeader readJpegHeader(std::string_view fileBytes);

// Decodes the whole picture at full size to RGB. Codec warnings (truncated or corrupt data) are
// ignored; codec errors throw JpegError("JPEG-Fehler #<code>").
RgbRaster decodeJpeg(std::string_view fileBytes);

// Point sampling: target pixel (x, y) copies the source pixel that contains its centre.
RgbRaster scaleNearest(const RgbRaster& source, int width, int height);

// A JFIF file with the program's fixed settings (quality 90, 2x2 chroma subsampling, float DCT),
// baseline or progressive. An empty raster gives no bytes.
std::string encodeJpeg(const RgbRaster& raster, bool progressive);

}  // namespace bildheber
