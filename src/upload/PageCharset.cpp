#include "upload/PageCharset.h"

#include "upload/AsciiCase.h"
#include "upload/AsciiSpace.h"

namespace bildheber {

namespace {

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
    while (pos < tag.size() && !isHtmlWhiteSpace(tag[pos]) && tag[pos] != '>') {
        ++pos;
    }
    return tag.substr(begin, pos - begin);
}

bool endsAttributeName(char c) {
    return isHtmlWhiteSpace(c) || c == '=' || c == '>' || c == '/';
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
        while (afterName < tag.size() && isHtmlWhiteSpace(tag[afterName])) {
            ++afterName;
        }
        if (afterName < tag.size() && tag[afterName] == '=') {
            pos = afterName + 1;
            while (pos < tag.size() && isHtmlWhiteSpace(tag[pos])) {
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
        !isHtmlWhiteSpace(body[kOpen.size()])) {
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
    return isHtmlWhiteSpace(next) || next == '/' || next == '>';
}

}  // namespace

std::string xmlCharset(std::string_view body) {
    if (auto charset = byteOrderMarkCharset(body)) {
        return *charset;
    }
    if (auto encoding = xmlDeclarationEncoding(body)) {
        return *encoding;
    }
    return "UTF-8";
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

}  // namespace bildheber
