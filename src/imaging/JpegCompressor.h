#pragma once

#include <cstdint>
#include <string>

#include "imaging/JpegCodecObjects.h"
#include "imaging/JpegErrorManager.h"
#include "imaging/JpegMemoryDestination.h"

namespace bildheber {

// One encoding with the program's fixed settings (JFIF 1.01, quality 90, 2x2 chroma, float DCT;
// baseline with the standard Huffman tables, or the ten-scan progressive script with optimised
// tables), fed row by row. Owns the codec object and its output buffer and releases them on every
// path. Codec errors throw JpegError.
class JpegCompressor {
  public:
    // Starts the file; width and height must be positive.
    JpegCompressor(int width, int height, bool progressive);
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    // Encodes the next row (width * 3 bytes of red, green, blue). The row is only read.
    void writeRow(const std::uint8_t* rgb);
    // Ends the file after the last row and returns its bytes.
    std::string finish();

  private:
    template <typename Step>
    void run(Step&& step) {
        runCodecStep(errors_, codec_.common(), step);
    }

    JpegErrorManager errors_;  // declared first: it outlives the codec object that points to it
    CompressObject codec_;
    JpegMemoryDestination destination_;
};

}  // namespace bildheber
