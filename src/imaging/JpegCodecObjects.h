#pragma once

#include "imaging/JpegErrorManager.h"

namespace bildheber {

// Owners of the codec's objects. A zeroed object is safe to destroy, so the owner may be
// destroyed whether or not jpeg_create_* ran or completed.
struct DecompressObject {
    jpeg_decompress_struct info{};

    DecompressObject() = default;
    ~DecompressObject() { jpeg_destroy_decompress(&info); }
    DecompressObject(const DecompressObject&) = delete;
    DecompressObject& operator=(const DecompressObject&) = delete;

    // libjpeg's own idiom: every codec object starts with the common fields.
    jpeg_common_struct& common() { return *reinterpret_cast<jpeg_common_struct*>(&info); }
};

struct CompressObject {
    jpeg_compress_struct info{};

    CompressObject() = default;
    ~CompressObject() { jpeg_destroy_compress(&info); }
    CompressObject(const CompressObject&) = delete;
    CompressObject& operator=(const CompressObject&) = delete;

    jpeg_common_struct& common() { return *reinterpret_cast<jpeg_common_struct*>(&info); }
};

}  // namespace bildheber
