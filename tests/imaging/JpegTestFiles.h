#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/RgbRaster.h"

namespace bildheber::test {

// A deterministic picture with smooth gradients, hard edges and fine noise, like a photo.
RgbRaster photoLikeRaster(int width, int height, unsigned seed = 1);

std::string readBinaryFile(const std::filesystem::path& file);
void writeBinaryFile(const std::filesystem::path& file, std::string_view bytes);

// PPM (P6) bytes of a raster, and a raster from PPM (P6) or PGM (P5, gray copied to R, G, B).
std::string ppmBytes(const RgbRaster& raster);
RgbRaster rasterFromPnm(std::string_view pnmBytes);

// A path as one argument of the command line the tools below are run with.
std::string quoted(const std::filesystem::path& path);

// The codec's command-line tools, run in `folder`. cjpeg gets the raster as PPM, djpeg the JPEG
// bytes; both fail the calling test through an exception when the tool fails to run.
std::string runCjpeg(const std::filesystem::path& folder, const RgbRaster& raster,
                     const std::string& options);
RgbRaster runDjpeg(const std::filesystem::path& folder, std::string_view jpegBytes,
                   const std::string& options);

// A JPEG file whose four channels are flat c, m, y, k, stored as CMYK (Adobe transform 0) or
// YCCK (Adobe transform 2), quality 100, made with the codec directly.
std::string flatFourChannelJpeg(int width, int height, const std::uint8_t cmyk[4], bool ycck);

// One marker segment: the marker byte (0xD8 for FF D8) and the bytes after its length field.
struct JpegSegment {
    std::uint8_t marker = 0;
    std::string payload;
    std::size_t offset = 0;  // of its FF in the file

    // The segment as it stands in the file: marker, length field (but for SOI, EOI) and payload.
    std::size_t size() const { return marker == 0xD8 || marker == 0xD9 ? 2 : payload.size() + 4; }
};
// The markers of a JPEG file in order, skipping entropy-coded data. Throws on broken structure.
std::vector<JpegSegment> jpegSegments(std::string_view bytes);
std::vector<std::uint8_t> markersOf(std::string_view bytes);
// The frame marker (0xC0 baseline, 0xC2 progressive, ...) of a JPEG file.
std::uint8_t frameMarkerOf(std::string_view bytes);

// Building blocks for hand-made headers: a marker segment with its length field, a frame
// header (identifiers 1..n, sampling 1x1, quantisation table 0) and a one-component scan header.
std::string markerSegment(std::uint8_t marker, std::string_view payload);
std::string frameSegment(std::uint8_t marker, int precision, int width, int height, int components);
std::string scanSegment();
inline const std::string kStartOfImage("\xFF\xD8", 2);
inline const std::string kEndOfImage("\xFF\xD9", 2);

// The file with an EXIF segment (orientation "rotate 90 degrees") right after the start marker.
std::string withExifOrientation(std::string_view jpeg);
// The file without any segment of the given marker.
std::string withoutSegments(std::string_view jpeg, std::uint8_t marker);
// The offset just after the first scan header.
std::size_t endOfFirstScanHeader(std::string_view jpeg);
// The file with its frame header claiming width x height; the coded data stays as it is.
std::string withFrameSize(std::string_view jpeg, int width, int height);
// The file with its last scan (header and data) repeated `times` more times before the end marker.
std::string withLastScanRepeated(std::string_view jpeg, int times);
// The file with a stray start-of-image marker halfway into the coded data of its first scan: the
// codec fails there, after it has delivered the rows above.
std::string withStartMarkerInScan(std::string_view jpeg);

// Whether `action` fails with the codec's error `code` ("JPEG-Fehler #<code> (...)").
::testing::AssertionResult failsWithCodecError(const std::function<void()>& action, int code);

}  // namespace bildheber::test
