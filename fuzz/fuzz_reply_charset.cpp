// Charset choice and decoding of a reply: the first line of the input is the Content-Type
// header value, the rest the body. Every result must be valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "upload/ReplyCharset.h"

namespace {

// Well-formed UTF-8 in the sense of RFC 3629: shortest forms, no surrogates, at most U+10FFFF.
// NUL bytes are allowed: they pass through decoding unchanged.
bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++pos;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (pos + length > text.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[pos + i]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        const std::uint32_t shortest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
        if (code < shortest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        pos += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto lineEnd = input.find('\n');
    const std::string_view contentType = input.substr(0, lineEnd);
    const std::string_view body =
        lineEnd == std::string_view::npos ? std::string_view{} : input.substr(lineEnd + 1);

    const std::string charset = bildheber::replyCharset(contentType, body);
    const std::string text = bildheber::decodeToUtf8(charset, body);
    if (!isValidUtf8(text) || text != bildheber::decodeReplyText(contentType, body)) {
        std::abort();
    }
    // The charset from the header line itself, decoded over the whole input: reaches iconv with
    // names the fuzzer spells directly.
    if (!isValidUtf8(bildheber::decodeToUtf8(contentType.substr(0, 48), body))) {
        std::abort();
    }
    return 0;
}
