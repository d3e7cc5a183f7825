#include "upload/MediaType.h"

#include "upload/AsciiCase.h"
#include "upload/AsciiSpace.h"

namespace bildheber {

namespace {

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
        while (pos < parameters.size() && isHtmlWhiteSpace(parameters[pos])) {
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

bool endsWithPlusXml(std::string_view subtype) {
    return subtype.ends_with("+xml");
}

}  // namespace

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

}  // namespace bildheber
