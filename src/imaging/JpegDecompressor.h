#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "imaging/JpegCodecObjects.h"
#include "imaging/JpegErrorManager.h"
#include "imaging/JpegHeader.h"

namespace bildheber {

// One decoding of a JPEG file held in memory, with the program's decoder settings, row by row.
// Owns the codec object and releases it on every path. Codec errors throw JpegError.
class JpegDecompressor {
  public:
    // `fileBytes` must stay alive while this object is used; zero bytes fail ("Empty input file").
    explicit JpegDecompressor(std::string_view fileBytes);
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    // Reads the markers up to and including the first scan header. Data that ends before that
    // point fails, although the codec itself would only warn.
    JpegHeader readHeader();

    // Starts full-size decoding to red, green, blue; call after readHeader.
    void start();
    int width() const { return static_cast<int>(codec_.info.output_width); }
    int height() const { return static_cast<int>(codec_.info.output_height); }

    // Decodes the next row into `rgb` (width() * 3 bytes).
    void readRow(std::uint8_t* rgb);
    // Decodes the next row and drops it (no colour conversion of our own).
    void skipRow();
    // Reads the rest of the file up to its end marker; call after the last row.
    void finish();

  private:
    // How the codec's output rows become RGB.
    enum class Output { Rgb, GrayLevels, Cmyk };

    void readCodecRow(JSAMPROW target);

    template <typename Step>
    void run(Step&& step) {
        runCodecStep(errors_, codec_.common(), step);
    }

    // Declared before the codec object, which points to them.
    JpegErrorManager errors_;
    jpeg_progress_mgr progress_{};  // watches the scan count
    DecompressObject codec_;
    Output output_ = Output::Rgb;
    std::vector<JSAMPLE> codecRow_;  // one row as the codec delivers it
};

}  // namespace bildheber
