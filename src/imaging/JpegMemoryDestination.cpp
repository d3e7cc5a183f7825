#include "imaging/JpegMemoryDestination.h"

#include <type_traits>

#include <jerror.h>

namespace bildheber {
namespace {

// Big enough for most uploads (1024 x 768 at quality 90) after a few doublings.
constexpr std::size_t kInitialBytes = std::size_t{64} << 10;

}  // namespace

static_assert(std::is_standard_layout_v<JpegMemoryDestination>);

JpegMemoryDestination::JpegMemoryDestination() {
    fields_.init_destination = &JpegMemoryDestination::onInit;
    fields_.empty_output_buffer = &JpegMemoryDestination::onBufferFull;
    fields_.term_destination = &JpegMemoryDestination::onTerminate;
}

void JpegMemoryDestination::attachTo(jpeg_compress_struct& codec) {
    codec.dest = &fields_;
}

JpegMemoryDestination& JpegMemoryDestination::of(j_compress_ptr codec) {
    // fields_ is the first member of a standard-layout class, so the pointers convert.
    return *reinterpret_cast<JpegMemoryDestination*>(codec->dest);
}

bool JpegMemoryDestination::grow(std::size_t written) noexcept {
    try {
        bytes_.resize(bytes_.empty() ? kInitialBytes : bytes_.size() * 2);
    } catch (...) {
        return false;  // no exception may cross the codec's C frames
    }
    fields_.next_output_byte = reinterpret_cast<JOCTET*>(bytes_.data()) + written;
    fields_.free_in_buffer = bytes_.size() - written;
    return true;
}

void JpegMemoryDestination::onInit(j_compress_ptr codec) {
    JpegMemoryDestination& self = of(codec);
    self.bytes_.clear();
    if (!self.grow(0)) {
        ERREXIT1(codec, JERR_OUT_OF_MEMORY, 0);
    }
}

// The codec calls this with the whole buffer full, whatever free_in_buffer says.
boolean JpegMemoryDestination::onBufferFull(j_compress_ptr codec) {
    JpegMemoryDestination& self = of(codec);
    if (!self.grow(self.bytes_.size())) {
        ERREXIT1(codec, JERR_OUT_OF_MEMORY, 1);
    }
    return TRUE;
}

void JpegMemoryDestination::onTerminate(j_compress_ptr codec) {
    JpegMemoryDestination& self = of(codec);
    self.bytes_.resize(self.bytes_.size() - self.fields_.free_in_buffer);
}

}  // namespace bildheber
