#include "platform/CharsetConverter.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace bildheber {

namespace {

// Invalid input costs one call per byte, and a call's cost may grow with the input it is given
// (sanitizers check the whole range), so each call sees at most this much.
constexpr std::size_t kInputWindow = 4096;

// iconv_open's failure value, (iconv_t)-1: an integer cast to a pointer is its documented form.
const iconv_t kNotOpen =
    reinterpret_cast<iconv_t>(std::intptr_t{-1});  // NOLINT(performance-no-int-to-ptr)

iconv_t descriptor(void* handle) {
    return static_cast<iconv_t>(handle);
}

}  // namespace

CharsetConverter::CharsetConverter(const char* toCharset, const char* fromCharset)
    : handle_(iconv_open(toCharset, fromCharset)) {}

CharsetConverter::~CharsetConverter() {
    if (isOpen()) {
        iconv_close(descriptor(handle_));
    }
}

bool CharsetConverter::isOpen() const {
    return descriptor(handle_) != kNotOpen;
}

std::string CharsetConverter::convert(std::string_view bytes, std::string_view replacement) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    while (!bytes.empty()) {
        const Step step = convertStep(bytes, out);
        bytes.remove_prefix(step.consumed);
        if (step.stuck && !bytes.empty()) {
            out += replacement;
            bytes.remove_prefix(1);
        }
    }
    flush(out);
    return out;
}

// Converts from the start of `input` until the window, the buffer or a bad sequence ends.
CharsetConverter::Step CharsetConverter::convertStep(std::string_view input, std::string& out) {
    const std::size_t window = std::min(input.size(), kInputWindow);
    // iconv's interface takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = window;
    char* to = buffer_.data();
    std::size_t toLeft = buffer_.size();
    const auto result = iconv(descriptor(handle_), &in, &inLeft, &to, &toLeft);
    const int error = errno;
    out.append(buffer_.data(), buffer_.size() - toLeft);
    const std::size_t consumed = window - inLeft;
    if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
        return {consumed, false};
    }
    // A sequence cut off by the window rather than by the input is read by the next step.
    const bool cutByWindow = error == EINVAL && window < input.size() && consumed > 0;
    return {consumed, !cutByWindow};
}

// Some conversions hold a character back until they know what follows it.
void CharsetConverter::flush(std::string& out) {
    char* to = buffer_.data();
    std::size_t toLeft = buffer_.size();
    iconv(descriptor(handle_), nullptr, nullptr, &to, &toLeft);
    out.append(buffer_.data(), buffer_.size() - toLeft);
}

}  // namespace bildheber
