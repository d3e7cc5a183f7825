#include "platform/CharsetConverter.h"
#include "platform/Charsets.h"

namespace bildheber {

std::optional<std::string> decodeCharset(std::string_view charset, std::string_view bytes,
                                         std::string_view replacement) {
    CharsetConverter decoder("UTF-8", std::string(charset).c_str());
    if (!decoder.isOpen()) {
        return std::nullopt;
    }
    return decoder.convert(bytes, replacement);
}

std::string toAnsiCodePage(std::string_view utf8) {
    CharsetConverter converter("WINDOWS-1252//TRANSLIT", "UTF-8");
    if (!converter.isOpen()) {
        return std::string(utf8);
    }
    return converter.convert(utf8, "?");
}

}  // namespace bildheber
