#include "imaging/ResizeJpg.h"

#include <memory>

#include "imaging/JpegCompressor.h"
#include "imaging/JpegError.h"
#include "imaging/ScaledDecode.h"
#include "platform/SystemFiles.h"

namespace bildheber {
namespace {

// Encodes the scaled rows as they come, so that not even the scaled picture is held: the same
// rows in the same order give the encoder's bytes for the whole scaled raster.
class UploadEncoder : public ScaledRowSink {
  public:
    void begin(const JpegHeader& header, UploadSize size) override {
        if (size.width > 0 && size.height > 0) {
            compressor_ =
                std::make_unique<JpegCompressor>(size.width, size.height, header.multiScan);
        }
    }
    void row(const std::uint8_t* rgb) override { compressor_->writeRow(rgb); }

    // The encoded file; no bytes for a size with a zero side, as encodeJpeg gives.
    std::string finish() { return compressor_ ? compressor_->finish() : std::string(); }

  private:
    std::unique_ptr<JpegCompressor> compressor_;
};

}  // namespace

std::string reencodeForUpload(std::string_view fileBytes) {
    UploadEncoder encoder;
    decodeScaled(
        fileBytes, [](const JpegHeader& header) { return uploadSize(header.width, header.height); },
        encoder);
    return encoder.finish();
}

void resizeJpg(const std::string& filename, std::string& stream) {
    const std::string fileBytes = readFileBytes(filename);
    std::string encoded;
    try {
        encoded = reencodeForUpload(fileBytes);
    } catch (const JpegError& error) {
        throw JpegError("\"" + filename + "\": " + error.what());
    }
    stream.append(encoded);  // all or nothing: append has the strong guarantee
}

}  // namespace bildheber
