#include "upload/ReplyCharset.h"

#include "platform/Charsets.h"
#include "platform/Utf8.h"
#include "upload/MediaType.h"
#include "upload/PageCharset.h"

namespace bildheber {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";         // U+FEFF
constexpr std::size_t kMaxCharsetNameLength = 40;

// Server-supplied names reach iconv_open only if they look like plain charset names: glibc reads
// suffixes such as "//TRANSLIT" or "//IGNORE" from the name, and a server must not pick those.
bool isPlainCharsetName(std::string_view name) {
    if (name.empty() || name.size() > kMaxCharsetNameLength) {
        return false;
    }
    for (const char c : name) {
        const bool alphanumeric =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alphanumeric && std::string_view("._:+()-").find(c) == std::string_view::npos) {
            return false;
        }
    }
    return true;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

// glibc's UTF-8 and UCS-4 decoders pass on code points beyond U+10FFFF in the old five- and
// six-byte forms; each byte of such a sequence becomes U+FFFD, as for other invalid input.
std::string withIllFormedUtf8Replaced(std::string text) {
    const std::string_view view = text;
    std::size_t pos = 0;
    std::size_t length = 0;
    while (pos < view.size() && (length = utf8SequenceLength(view.substr(pos))) > 0) {
        pos += length;
    }
    if (pos == view.size()) {
        return text;
    }
    std::string clean(view.substr(0, pos));
    while (pos < view.size()) {
        length = utf8SequenceLength(view.substr(pos));
        if (length > 0) {
            clean += view.substr(pos, length);
            pos += length;
        } else {
            clean += kReplacementCharacter;
            ++pos;
        }
    }
    return clean;
}

}  // namespace

std::string replyCharset(std::string_view contentType, std::string_view body) {
    const ContentType header = parseContentType(contentType);
    if (isXmlMediaType(header)) {
        return xmlCharset(body);
    }
    if (isHtmlMediaType(header)) {
        if (auto declared = pageDeclaration(body, header)) {
            return charsetOrTextDefault(*declared);
        }
    }
    return charsetOrTextDefault(header);
}

std::string decodeToUtf8(std::string_view charset, std::string_view bytes) {
    if (!isPlainCharsetName(charset)) {
        return latin1ToUtf8(bytes);
    }
    const std::optional<std::string> decoded = decodeCharset(charset, bytes, kReplacementCharacter);
    if (!decoded) {
        return latin1ToUtf8(bytes);
    }
    std::string text = withIllFormedUtf8Replaced(*decoded);
    // A leading U+FEFF can only come from the byte-order mark of a Unicode charset (Latin-1 or
    // windows-1252 turn those bytes into other characters); it is not part of the page.
    if (text.starts_with(kByteOrderMark)) {
        text.erase(0, kByteOrderMark.size());
    }
    return text;
}

std::string decodeReplyText(std::string_view contentType, std::string_view body) {
    return decodeToUtf8(replyCharset(contentType, body), body);
}

}  // namespace bildheber
