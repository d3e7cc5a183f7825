#include "imghost/EncodedWords.h"

#include <algorithm>
#include <optional>

#include "imghost/AsciiText.h"

namespace bildheber::imghost {

namespace {

struct EncodedWord {
    std::size_t length = 0;  // characters of the text that the word takes, "=?" to "?="
    std::string decoded;     // UTF-8
};

int base64Value(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

std::optional<std::string> decodeBase64(std::string_view text) {
    while (!text.empty() && text.back() == '=') {
        text.remove_suffix(1);
    }
    std::string bytes;
    unsigned bits = 0;
    int bitCount = 0;
    for (const char c : text) {
        const int value = base64Value(c);
        if (value < 0) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<unsigned>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes += static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    return bytes;
}

std::optional<std::string> decodeQ(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            bytes += ' ';
        } else if (text[i] != '=') {
            bytes += text[i];
        } else if (i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                   hexDigitValue(text[i + 2]) >= 0) {
            bytes +=
                static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

std::string latin1ToUtf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::optional<std::string> toUtf8(std::string_view charset, std::string bytes) {
    // RFC 2231 lets a language follow the charset after "*".
    const std::string name = toLowerAscii(charset.substr(0, charset.find('*')));
    if (name == "utf-8" || name == "us-ascii") {
        return bytes;
    }
    if (name == "iso-8859-1" || name == "latin1") {
        return latin1ToUtf8(bytes);
    }
    return std::nullopt;
}

// Reads the encoded word at the start of `text`, which starts with "=?".
std::optional<EncodedWord> readEncodedWord(std::string_view text) {
    const std::size_t charsetEnd = text.find('?', 2);
    if (charsetEnd == std::string_view::npos || charsetEnd + 2 >= text.size() ||
        text[charsetEnd + 2] != '?') {
        return std::nullopt;
    }
    const std::size_t payloadStart = charsetEnd + 3;
    const std::size_t payloadEnd = text.find("?=", payloadStart);
    if (payloadEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view charset = text.substr(2, charsetEnd - 2);
    const std::string_view payload = text.substr(payloadStart, payloadEnd - payloadStart);
    if (!isToken(charset) || payload.find_first_of(" \t\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    const char encoding = text[charsetEnd + 1];
    std::optional<std::string> bytes;
    if (encoding == 'B' || encoding == 'b') {
        bytes = decodeBase64(payload);
    } else if (encoding == 'Q' || encoding == 'q') {
        bytes = decodeQ(payload);
    }
    if (!bytes) {
        return std::nullopt;
    }
    std::optional<std::string> decoded = toUtf8(charset, std::move(*bytes));
    if (!decoded) {
        return std::nullopt;
    }
    return EncodedWord{payloadEnd + 2, std::move(*decoded)};
}

std::size_t blankRunLength(std::string_view text) {
    const std::size_t end = text.find_first_not_of(" \t\r\n");
    return end == std::string_view::npos ? text.size() : end;
}

}  // namespace

std::string decodeEncodedWords(std::string_view text) {
    std::string out;
    bool afterEncodedWord = false;
    while (!text.empty()) {
        const std::size_t blanks = afterEncodedWord ? blankRunLength(text) : 0;
        const std::string_view next = text.substr(blanks);
        if (next.starts_with("=?")) {
            if (std::optional<EncodedWord> word = readEncodedWord(next)) {
                out += word->decoded;  // blanks between two encoded words are dropped
                text = next.substr(word->length);
                afterEncodedWord = true;
                continue;
            }
        }
        // No encoded word here: the blanks and one more character are plain text.
        const std::size_t plain = std::min(text.size(), blanks + 1);
        out += text.substr(0, plain);
        text.remove_prefix(plain);
        afterEncodedWord = false;
    }
    return out;
}

}  // namespace bildheber::imghost
