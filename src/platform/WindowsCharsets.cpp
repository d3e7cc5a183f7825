#include <windows.h>

#include <array>
#include <cctype>

#include "platform/Charsets.h"
#include "platform/Utf8.h"
#include "platform/WindowsText.h"

namespace bildheber {

namespace {

// What Windows can decode by code page, and the few charsets decoded here instead.
enum class Kind { CodePage, Utf8, Utf16Le, Utf16Be, Utf16WithMark, Ascii };
struct Charset {
    Kind kind;
    UINT codePage = 0;
};

// Lower case, with "-", "_", " " and "." dropped, so that "ISO_8859-1" and "iso88591" meet.
std::string comparable(std::string_view name) {
    std::string key;
    for (const char c : name) {
        if (c != '-' && c != '_' && c != ' ' && c != '.') {
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

struct NamedCodePage {
    const char* key;
    UINT codePage;
};
// The charsets web pages use, by their common names and aliases.
constexpr std::array kCodePages = {
    NamedCodePage{"iso88591", 28591},   NamedCodePage{"latin1", 28591},
    NamedCodePage{"l1", 28591},         NamedCodePage{"iso88592", 28592},
    NamedCodePage{"latin2", 28592},     NamedCodePage{"iso88593", 28593},
    NamedCodePage{"iso88594", 28594},   NamedCodePage{"iso88595", 28595},
    NamedCodePage{"iso88596", 28596},   NamedCodePage{"iso88597", 28597},
    NamedCodePage{"iso88598", 28598},   NamedCodePage{"iso88599", 28599},
    NamedCodePage{"latin5", 28599},     NamedCodePage{"iso885913", 28603},
    NamedCodePage{"iso885915", 28605},  NamedCodePage{"latin9", 28605},
    NamedCodePage{"windows1250", 1250}, NamedCodePage{"cp1250", 1250},
    NamedCodePage{"windows1251", 1251}, NamedCodePage{"cp1251", 1251},
    NamedCodePage{"windows1252", 1252}, NamedCodePage{"cp1252", 1252},
    NamedCodePage{"windows1253", 1253}, NamedCodePage{"cp1253", 1253},
    NamedCodePage{"windows1254", 1254}, NamedCodePage{"cp1254", 1254},
    NamedCodePage{"windows1255", 1255}, NamedCodePage{"cp1255", 1255},
    NamedCodePage{"windows1256", 1256}, NamedCodePage{"cp1256", 1256},
    NamedCodePage{"windows1257", 1257}, NamedCodePage{"cp1257", 1257},
    NamedCodePage{"windows1258", 1258}, NamedCodePage{"cp1258", 1258},
    NamedCodePage{"koi8r", 20866},      NamedCodePage{"koi8u", 21866},
    NamedCodePage{"cp437", 437},        NamedCodePage{"ibm437", 437},
    NamedCodePage{"cp850", 850},        NamedCodePage{"ibm850", 850},
    NamedCodePage{"cp866", 866},        NamedCodePage{"ibm866", 866},
    NamedCodePage{"macintosh", 10000},  NamedCodePage{"mac", 10000},
    NamedCodePage{"shiftjis", 932},     NamedCodePage{"sjis", 932},
    NamedCodePage{"windows31j", 932},   NamedCodePage{"cp932", 932},
    NamedCodePage{"eucjp", 20932},      NamedCodePage{"iso2022jp", 50220},
    NamedCodePage{"gb2312", 936},       NamedCodePage{"gbk", 936},
    NamedCodePage{"cp936", 936},        NamedCodePage{"gb18030", 54936},
    NamedCodePage{"big5", 950},         NamedCodePage{"cp950", 950},
    NamedCodePage{"euckr", 949},        NamedCodePage{"cp949", 949},
    NamedCodePage{"tis620", 874},       NamedCodePage{"windows874", 874},
};

std::optional<Charset> charsetNamed(std::string_view name) {
    const std::string key = comparable(name);
    if (key == "utf8") {
        return Charset{Kind::Utf8};
    }
    if (key == "utf16le") {
        return Charset{Kind::Utf16Le};
    }
    if (key == "utf16be") {
        return Charset{Kind::Utf16Be};
    }
    if (key == "utf16") {
        return Charset{Kind::Utf16WithMark};
    }
    if (key == "usascii" || key == "ascii" || key == "ansix341968" || key == "iso646us") {
        return Charset{Kind::Ascii};
    }
    for (const NamedCodePage& entry : kCodePages) {
        if (key == entry.key) {
            return Charset{Kind::CodePage, entry.codePage};
        }
    }
    return std::nullopt;
}

// UTF-16 from bytes; a final odd byte becomes `replacement`. Without a mark, big-endian.
std::string decodeUtf16(std::string_view bytes, bool littleEndian, std::string_view replacement) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        units +=
            static_cast<char16_t>(littleEndian ? first | (second << 8) : (first << 8) | second);
    }
    std::string text = utf8FromUtf16(units);
    if (bytes.size() % 2 != 0) {
        text += replacement;
    }
    return text;
}

std::string decodeAscii(std::string_view bytes, std::string_view replacement) {
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80) {
            text += c;
        } else {
            text += replacement;
        }
    }
    return text;
}

std::optional<std::string> decodeCodePage(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;  // the system has no such code page
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), length);
    return windows::utf8FromWide(wide);
}

}  // namespace

std::optional<std::string> decodeCharset(std::string_view charset, std::string_view bytes,
                                         std::string_view replacement) {
    const std::optional<Charset> known = charsetNamed(charset);
    if (!known) {
        return std::nullopt;
    }
    switch (known->kind) {
        case Kind::Utf8:
            return std::string(bytes);  // the caller replaces what is not well formed
        case Kind::Utf16Le:
            return decodeUtf16(bytes, true, replacement);
        case Kind::Utf16Be:
            return decodeUtf16(bytes, false, replacement);
        case Kind::Utf16WithMark: {
            const bool littleEndian = bytes.starts_with("\xFF\xFE");
            if (littleEndian || bytes.starts_with("\xFE\xFF")) {
                bytes.remove_prefix(2);
            }
            return decodeUtf16(bytes, littleEndian, replacement);
        }
        case Kind::Ascii:
            return decodeAscii(bytes, replacement);
        case Kind::CodePage:
            return decodeCodePage(known->codePage, bytes);
    }
    return std::nullopt;
}

std::string toAnsiCodePage(std::string_view utf8) {
    const std::wstring wide = windows::wideFromUtf8(utf8);  // ill-formed bytes become U+FFFD
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    // Best fit is the default: "ü" stays "ü", "ő" becomes "o", the rest the code page's "?".
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

}  // namespace bildheber
