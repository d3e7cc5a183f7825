#include "imaging/ResizeJpg.h"

#include "imaging/FileBytes.h"
#include "imaging/JpegCodec.h"
#include "imaging/JpegError.h"
#include "imaging/ScaledDecode.h"

namespace bildheber {

std::string reencodeForUpload(std::string_view fileBytes) {
    const ScaledPicture picture = decodeScaled(fileBytes, [](const JpegHeader& header) {
        return uploadSize(header.width, header.height);
    });
    return encodeJpeg(picture.raster, picture.header.multiScan);
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
