#pragma once

#include <string>

#include "imaging/JpegErrorManager.h"

namespace bildheber {

// Where the encoder writes: a buffer owned by this object, grown as the codec fills it. Unlike the
// codec's own memory destination, which frees and replaces its buffer behind the caller's back and
// reports the live one only at the very end, no pointer here can go stale: if the codec fails
// half-way, the destructor releases exactly what was allocated.
class JpegMemoryDestination {
  public:
    JpegMemoryDestination();
    JpegMemoryDestination(const JpegMemoryDestination&) = delete;
    JpegMemoryDestination& operator=(const JpegMemoryDestination&) = delete;

    // Makes this the destination of `codec`; call after jpeg_create_compress.
    void attachTo(jpeg_compress_struct& codec);

    // The bytes of the file; complete once the codec has finished (jpeg_finish_compress).
    std::string takeBytes() { return std::move(bytes_); }

  private:
    static void onInit(j_compress_ptr codec);
    static boolean onBufferFull(j_compress_ptr codec);
    static void onTerminate(j_compress_ptr codec);
    static JpegMemoryDestination& of(j_compress_ptr codec);

    // Makes room behind the bytes written so far; false when memory ran out.
    bool grow(std::size_t written) noexcept;

    jpeg_destination_mgr fields_{};  // first member: the codec sees a pointer to it
    std::string bytes_;
};

}  // namespace bildheber
