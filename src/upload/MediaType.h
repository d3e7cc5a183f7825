#pragma once

#include <string>
#include <string_view>

namespace bildheber {

// A Content-Type value, as far as the charset of a reply depends on it.
struct ContentType {
    std::string type;     // lower case, e.g. "text"
    std::string subtype;  // lower case, e.g. "html"
    std::string charset;  // as given; empty when there is none
};

// "text/html; charset=UTF-8": the media type in lower case and the first non-empty charset
// parameter (a quoted value unescaped).
ContentType parseContentType(std::string_view value);

// application/xml, -xml-dtd, -xml-external-parsed-entity, and every non-text "+xml" type.
bool isXmlMediaType(const ContentType& media);
// text/html and text/html-sandboxed.
bool isHtmlMediaType(const ContentType& media);

// The charset parameter; a text type without one is read as Latin-1, or as ASCII for XML text.
std::string charsetOrTextDefault(const ContentType& media);

}  // namespace bildheber
