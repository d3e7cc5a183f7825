#include "imaging/JpegFileSource.h"

#include <type_traits>

#include <jerror.h>

namespace bildheber {
namespace {

constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

// The end marker the codec reads where the data ends early, as its memory source makes one up.
const JOCTET kMadeUpEnd[] = {0xFF, JPEG_EOI};

}  // namespace

static_assert(std::is_standard_layout_v<JpegFileSource>);

JpegFileSource::JpegFileSource(InputFile& file) : file_(&file), buffer_(kPieceBytes) {
    fields_.init_source = &JpegFileSource::onInit;
    fields_.fill_input_buffer = &JpegFileSource::onBufferEmpty;
    fields_.skip_input_data = &JpegFileSource::onSkip;
    fields_.resync_to_restart = &jpeg_resync_to_restart;
    fields_.term_source = &JpegFileSource::onTerminate;
}

void JpegFileSource::attachTo(jpeg_decompress_struct& codec) {
    codec.src = &fields_;
}

void JpegFileSource::rethrowReadFailure() const {
    if (readFailure_) {
        std::rethrow_exception(readFailure_);
    }
}

JpegFileSource& JpegFileSource::of(j_decompress_ptr codec) {
    // fields_ is the first member of a standard-layout class, so the pointers convert.
    return *reinterpret_cast<JpegFileSource*>(codec->src);
}

std::size_t JpegFileSource::readPiece() noexcept {
    if (readFailure_) {
        return 0;
    }
    try {
        return file_->read(reinterpret_cast<char*>(buffer_.data()), buffer_.size());
    } catch (...) {
        readFailure_ = std::current_exception();  // no exception may cross the codec's C frames
        return 0;
    }
}

void JpegFileSource::onInit(j_decompress_ptr) {}

boolean JpegFileSource::onBufferEmpty(j_decompress_ptr codec) {
    JpegFileSource& source = of(codec);
    const std::size_t count = source.readPiece();
    if (count == 0) {
        if (!source.anyBytes_) {
            ERREXIT(codec, JERR_INPUT_EMPTY);
        }
        WARNMS(codec, JWRN_JPEG_EOF);
        source.fields_.next_input_byte = kMadeUpEnd;
        source.fields_.bytes_in_buffer = sizeof kMadeUpEnd;
        return TRUE;
    }
    source.anyBytes_ = true;
    source.fields_.next_input_byte = source.buffer_.data();
    source.fields_.bytes_in_buffer = count;
    return TRUE;
}

void JpegFileSource::onSkip(j_decompress_ptr codec, long count) {
    jpeg_source_mgr& fields = of(codec).fields_;
    if (count <= 0) {
        return;
    }
    auto left = static_cast<std::size_t>(count);
    while (left > fields.bytes_in_buffer) {
        left -= fields.bytes_in_buffer;
        onBufferEmpty(codec);  // at the end, a made-up end marker; the codec then reads that
    }
    fields.next_input_byte += left;
    fields.bytes_in_buffer -= left;
}

void JpegFileSource::onTerminate(j_decompress_ptr) {}

}  // namespace bildheber
