// HTTP reply reader over arbitrary bytes, handed out in small pieces of varying size as a
// network connection would. Malformed or oversized replies must end in UploadError, nothing else.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "upload/HttpReply.h"
#include "upload/ReplyCharset.h"
#include "upload/UploadError.h"

namespace {

// Hands out the stream in pieces of 1 to 31 bytes; the first input byte picks the sequence of
// sizes, so the fuzzer can explore how lines and chunks are split across reads.
class PiecewiseSource : public bildheber::ByteSource {
  public:
    PiecewiseSource(std::string_view stream, std::uint8_t seed) : stream_(stream), seed_(seed) {}

    std::size_t read(char* buffer, std::size_t size) override {
        seed_ = static_cast<std::uint8_t>(seed_ * 37 + 11);
        const std::size_t piece = std::min({size, stream_.size(), std::size_t{1} + seed_ % 31});
        std::memcpy(buffer, stream_.data(), piece);
        stream_.remove_prefix(piece);
        return piece;
    }

  private:
    std::string_view stream_;
    std::uint8_t seed_;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    PiecewiseSource source(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1),
                           data[0]);
    bildheber::ReplyLimits limits;
    limits.maxHeaderBytes = 4 << 10;
    limits.maxBodyBytes = 64 << 10;
    try {
        const bildheber::HttpReply reply = bildheber::readReply(source, limits);
        if (reply.body.size() > limits.maxBodyBytes) {
            std::abort();
        }
        for (const auto& [name, value] : reply.headers) {
            if (!value.empty() && (isBlank(value.front()) || isBlank(value.back()))) {
                std::abort();  // values are documented as trimmed
            }
        }
        // What the upload does next with a reply.
        bildheber::decodeReplyText(reply.header("Content-Type").value_or(""), reply.body);
    } catch (const bildheber::UploadError&) {
        // A malformed or oversized reply: the expected way to fail.
    }
    return 0;
}
