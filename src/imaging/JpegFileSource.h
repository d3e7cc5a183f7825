#pragma once

#include <exception>
#include <vector>

#include "imaging/JpegErrorManager.h"
#include "platform/SystemFiles.h"

namespace bildheber {

// Where the decoder reads from: a file, a piece at a time, so that the whole file is never held.
// The codec sees the same bytes, and the same ends, as from its memory source: where the data
// ends early it warns JWRN_JPEG_EOF and reads a made-up end marker; no bytes at all are
// "Empty input file". A failure to read cannot be thrown through the codec's C frames: it is
// kept, the codec is told the data ended, and the decoder's caller gets it from
// rethrowReadFailure once the codec step is over.
class JpegFileSource {
  public:
    explicit JpegFileSource(InputFile& file);
    JpegFileSource(const JpegFileSource&) = delete;
    JpegFileSource& operator=(const JpegFileSource&) = delete;

    // Makes this the source of `codec`; call after jpeg_create_decompress.
    void attachTo(jpeg_decompress_struct& codec);
    // Throws the kept read failure, if any.
    void rethrowReadFailure() const;

  private:
    static void onInit(j_decompress_ptr codec);
    static boolean onBufferEmpty(j_decompress_ptr codec);
    static void onSkip(j_decompress_ptr codec, long count);
    static void onTerminate(j_decompress_ptr codec);
    static JpegFileSource& of(j_decompress_ptr codec);

    // Reads the next piece; 0 at the end of the file or after a failure (kept).
    std::size_t readPiece() noexcept;

    jpeg_source_mgr fields_{};  // first member: the codec sees a pointer to it
    InputFile* file_;
    std::vector<JOCTET> buffer_;
    bool anyBytes_ = false;
    std::exception_ptr readFailure_;
};

}  // namespace bildheber
