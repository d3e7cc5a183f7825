#include "upload/ReplyCharset.h"

#include "upload/Utf8.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <vector>

#include "upload/AsciiCase.h"

namespace bildheber {

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\r\f";

bool isWhiteSpace(char c) {
    return kWhiteSpace.find(c) != std::string_view::npos;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

// ---- Content-Type values -------------------------------------------------------------------

struct ContentType {
    std::string type;     // lower case, e.g. "text"
    std::string subtype;  // lower case, e.g. "html"
    std::string charset;  // as given; empty when there is none
};

// A quoted-string parameter value whose opening quote is at `pos`; a backslash escapes the next
// character. Leaves `pos` behind the closing quote (or at the end).
std::string readQuotedValue(std::string_view text, std::size_t& pos) {
    std::string value;
    for (++pos; pos < text.size() && text[pos] != '"'; ++pos) {
        if (text[pos] == '\\' && pos + 1 < text.size()) {
            ++pos;
        }
        value += text[pos];
    }
    if (pos < text.size()) {
        ++pos;
    }
    return value;
}

// The first non-empty charset in the parameters after the media type ("a=b; charset=x").
std::string charsetParameter(std::string_view parameters) {
    std::size_t pos = 0;
    while (pos < parameters.size()) {
        const auto nameEnd = parameters.find_first_of("=;", pos);
        if (nameEnd == std::string_view::npos) {
            break;
        }
        const auto name = trimmed(parameters.substr(pos, nameEnd - pos));
        pos = nameEnd + 1;
        if (parameters[nameEnd] == ';') {
            continue;
        }
        while (pos < parameters.size() && isWhiteSpace(parameters[pos])) {
            ++pos;
        }
        std::string value;
        if (pos < parameters.size() && parameters[pos] == '"') {
            value = readQuotedValue(parameters, pos);
            pos = parameters.find(';', pos);
        } else {
            const auto valueEnd = parameters.find(';', pos);
            value = parameters.substr(pos, valueEnd - pos);
            pos = valueEnd;
        }
        const auto charset = trimmed(value);
        if (equalsIgnoringAsciiCase(name, "charset") && !charset.empty()) {
            return std::string(charset);
        }
        if (pos != std::string_view::npos) {
            ++pos;
        }
    }
    return {};
}

ContentType parseContentType(std::string_view value) {
    const auto mediaEnd = value.find(';');
    const auto media = toLowerAscii(trimmed(value.substr(0, mediaEnd)));
    ContentType result;
    const auto slash = media.find('/');
    if (slash != std::string::npos) {
        result.type = trimmed(std::string_view(media).substr(0, slash));
        result.subtype = trimmed(std::string_view(media).substr(slash + 1));
    }
    if (mediaEnd != std::string_view::npos) {
        result.charset = charsetParameter(value.substr(mediaEnd + 1));
    }
    return result;
}

bool endsWithPlusXml(std::string_view subtype) {
    return subtype.ends_with("+xml");
}

bool isXmlMediaType(const ContentType& media) {
    if (media.type == "application" && (media.subtype == "xml" || media.subtype == "xml-dtd" ||
                                        media.subtype == "xml-external-parsed-entity")) {
        return true;
    }
    return media.type != "text" && endsWithPlusXml(media.subtype);
}

bool isHtmlMediaType(const ContentType& media) {
    return media.type == "text" && (media.subtype == "html" || media.subtype == "html-sandboxed");
}

// The charset parameter; a text type without one is read as Latin-1, or as ASCII for XML text.
std::string charsetOrTextDefault(const ContentType& media) {
    if (!media.charset.empty() || media.type != "text") {
        return media.charset;
    }
    if (media.subtype == "xml" || media.subtype == "xml-external-parsed-entity" ||
        endsWithPlusXml(media.subtype)) {
        return "us-ascii";
    }
    return "ISO-8859-1";
}

// ---- Tag attributes (meta elements, XML declaration) ---------------------------------------

struct Attribute {
    std::string_view name;
    std::string_view value;
};

// One attribute value starting at `pos`: quoted with " or ', or unquoted up to white space or
// '>'. An unclosed quote runs to the end, as in a browser.
std::string_view readAttributeValue(std::string_view tag, std::size_t& pos) {
    if (pos < tag.size() && (tag[pos] == '"' || tag[pos] == '\'')) {
        const auto close = tag.find(tag[pos], pos + 1);
        const auto value = tag.substr(pos + 1, close - (pos + 1));
        pos = close == std::string_view::npos ? tag.size() : close + 1;
        return value;
    }
    const auto begin = pos;
    while (pos < tag.size() && !isWhiteSpace(tag[pos]) && tag[pos] != '>') {
        ++pos;
    }
    return tag.substr(begin, pos - begin);
}

bool endsAttributeName(char c) {
    return isWhiteSpace(c) || c == '=' || c == '>' || c == '/';
}

// Calls onAttribute for each name[=value] in `tag` (the text after the tag name) up to the '>'
// that ends the tag outside quotes. Returns the length up to and including that '>' (or the
// whole length). Every step consumes at least one character, so the scan is linear.
template <typename OnAttribute>
std::size_t forEachAttribute(std::string_view tag, OnAttribute onAttribute) {
    std::size_t pos = 0;
    while (pos < tag.size()) {
        if (tag[pos] == '>') {
            return pos + 1;
        }
        if (endsAttributeName(tag[pos])) {
            ++pos;
            continue;
        }
        const auto nameBegin = pos;
        while (pos < tag.size() && !endsAttributeName(tag[pos])) {
            ++pos;
        }
        Attribute attribute{tag.substr(nameBegin, pos - nameBegin), {}};
        auto afterName = pos;
        while (afterName < tag.size() && isWhiteSpace(tag[afterName])) {
            ++afterName;
        }
        if (afterName < tag.size() && tag[afterName] == '=') {
            pos = afterName + 1;
            while (pos < tag.size() && isWhiteSpace(tag[pos])) {
                ++pos;
            }
            attribute.value = readAttributeValue(tag, pos);
        }
        onAttribute(attribute);
    }
    return tag.size();
}

// ---- XML replies ---------------------------------------------------------------------------

// The charset named by a byte-order mark, if the body starts with one.
std::optional<std::string> byteOrderMarkCharset(std::string_view body) {
    struct Mark {
        std::string_view bytes;
        const char* charset;
    };
    // UTF-32LE before UTF-16LE: its mark starts with the UTF-16LE one.
    static constexpr Mark kMarks[] = {
        {std::string_view("\xEF\xBB\xBF", 3), "UTF-8"},
        {std::string_view("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
        {std::string_view("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
        {std::string_view("\xFF\xFE", 2), "UTF-16LE"},
        {std::string_view("\xFE\xFF", 2), "UTF-16BE"},
    };
    for (const auto& mark : kMarks) {
        if (body.starts_with(mark.bytes)) {
            return mark.charset;
        }
    }
    return std::nullopt;
}

// The encoding pseudo-attribute of an XML declaration at the very start of the body.
std::optional<std::string> xmlDeclarationEncoding(std::string_view body) {
    constexpr std::string_view kOpen = "<?xml";
    if (!body.starts_with(kOpen) || body.size() == kOpen.size() ||
        !isWhiteSpace(body[kOpen.size()])) {
        return std::nullopt;
    }
    const auto close = body.find("?>", kOpen.size());
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<std::string> encoding;
    forEachAttribute(body.substr(kOpen.size(), close - kOpen.size()), [&](const Attribute& a) {
        if (!encoding && a.name == "encoding" && !trimmed(a.value).empty()) {
            encoding = std::string(trimmed(a.value));
        }
    });
    return encoding;
}

std::string xmlCharset(std::string_view body) {
    if (auto charset = byteOrderMarkCharset(body)) {
        return *charset;
    }
    if (auto encoding = xmlDeclarationEncoding(body)) {
        return *encoding;
    }
    return "UTF-8";
}

// ---- Meta elements of HTML replies ---------------------------------------------------------

// The attributes of one meta element that can declare the page's charset.
struct MetaElement {
    std::optional<std::string_view> charset;
    std::optional<std::string_view> httpEquiv;
    std::optional<std::string_view> content;
    std::size_t length = 0;  // of the text after "<meta", up to and including its '>'
};

MetaElement readMetaElement(std::string_view afterTagName) {
    MetaElement meta;
    meta.length = forEachAttribute(afterTagName, [&meta](const Attribute& a) {
        // As in a browser, the first of several attributes with one name counts.
        if (equalsIgnoringAsciiCase(a.name, "charset") && !meta.charset) {
            meta.charset = a.value;
        } else if (equalsIgnoringAsciiCase(a.name, "http-equiv") && !meta.httpEquiv) {
            meta.httpEquiv = a.value;
        } else if (equalsIgnoringAsciiCase(a.name, "content") && !meta.content) {
            meta.content = a.value;
        }
    });
    return meta;
}

// What a meta element declares: a charset of its own, or a Content-Type that replaces the
// header's (media type and charset alike).
std::optional<ContentType> declaredContentType(const MetaElement& meta, const ContentType& header) {
    if (meta.charset && !trimmed(*meta.charset).empty()) {
        ContentType declared = header;
        declared.charset = trimmed(*meta.charset);
        return declared;
    }
    if (meta.httpEquiv && meta.content &&
        equalsIgnoringAsciiCase(trimmed(*meta.httpEquiv), "content-type")) {
        return parseContentType(*meta.content);
    }
    return std::nullopt;
}

constexpr std::string_view kMetaTag = "<meta";

bool startsMetaElement(std::string_view text) {
    if (text.size() <= kMetaTag.size() || !startsWithIgnoringAsciiCase(text, kMetaTag)) {
        return false;
    }
    const char next = text[kMetaTag.size()];
    return isWhiteSpace(next) || next == '/' || next == '>';
}

// The first declaration by a meta element in the head of an HTML page. The scan ends at the
// first "<body" or "</head>"; comments are skipped. Every step moves forward, so it is linear.
std::optional<ContentType> pageDeclaration(std::string_view body, const ContentType& header) {
    std::size_t pos = 0;
    while ((pos = body.find('<', pos)) != std::string_view::npos) {
        const auto rest = body.substr(pos);
        if (rest.starts_with("<!--")) {
            const auto commentEnd = body.find("-->", pos + 4);
            if (commentEnd == std::string_view::npos) {
                return std::nullopt;
            }
            pos = commentEnd + 3;
        } else if (startsWithIgnoringAsciiCase(rest, "<body") ||
                   startsWithIgnoringAsciiCase(rest, "</head>")) {
            return std::nullopt;
        } else if (startsMetaElement(rest)) {
            const auto meta = readMetaElement(rest.substr(kMetaTag.size()));
            if (auto declared = declaredContentType(meta, header)) {
                return declared;
            }
            pos += kMetaTag.size() + meta.length;
        } else {
            ++pos;
        }
    }
    return std::nullopt;
}

// ---- Decoding ------------------------------------------------------------------------------

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

// One iconv conversion descriptor from a charset to UTF-8, closed with its owner.
class Utf8Decoder {
  public:
    explicit Utf8Decoder(const std::string& charset)
        : handle_(iconv_open("UTF-8", charset.c_str())) {}
    ~Utf8Decoder() {
        if (isOpen()) {
            iconv_close(handle_);
        }
    }
    Utf8Decoder(const Utf8Decoder&) = delete;
    Utf8Decoder& operator=(const Utf8Decoder&) = delete;

    bool isOpen() const { return handle_ != reinterpret_cast<iconv_t>(std::intptr_t{-1}); }

    // Invalid and truncated sequences become U+FFFD; decoding resumes one byte further on.
    std::string decode(std::string_view bytes) {
        std::string text;
        text.reserve(bytes.size() + bytes.size() / 2);
        while (!bytes.empty()) {
            const Step step = convertStep(bytes, text);
            bytes.remove_prefix(step.consumed);
            if (step.stuck && !bytes.empty()) {
                text += kReplacementCharacter;
                bytes.remove_prefix(1);
            }
        }
        flush(text);
        return text;
    }

  private:
    // Invalid input costs one call per byte, and a call's cost may grow with the input it is
    // given (sanitizers check the whole range), so each call sees at most this much.
    static constexpr std::size_t kInputWindow = 4096;

    struct Step {
        std::size_t consumed;
        bool stuck;  // at a sequence that is invalid, or cut off by the end of the input
    };

    // Converts from the start of `input` until the window, the buffer or a bad sequence ends.
    Step convertStep(std::string_view input, std::string& text) {
        const std::size_t window = std::min(input.size(), kInputWindow);
        // iconv's interface takes a non-const input pointer but never writes through it.
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = window;
        char* out = buffer_.data();
        std::size_t outLeft = buffer_.size();
        const auto result = iconv(handle_, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        text.append(buffer_.data(), buffer_.size() - outLeft);
        const std::size_t consumed = window - inLeft;
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            return {consumed, false};
        }
        // A sequence cut off by the window rather than by the input is read by the next step.
        const bool cutByWindow = error == EINVAL && window < input.size() && consumed > 0;
        return {consumed, !cutByWindow};
    }

    // Some decoders hold a character back until they know what follows it.
    void flush(std::string& text) {
        char* out = buffer_.data();
        std::size_t outLeft = buffer_.size();
        iconv(handle_, nullptr, nullptr, &out, &outLeft);
        text.append(buffer_.data(), buffer_.size() - outLeft);
    }

    iconv_t handle_;
    std::vector<char> buffer_ = std::vector<char>(8192);
};

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
    Utf8Decoder decoder{std::string(charset)};
    if (!decoder.isOpen()) {
        return latin1ToUtf8(bytes);
    }
    std::string text = withIllFormedUtf8Replaced(decoder.decode(bytes));
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
