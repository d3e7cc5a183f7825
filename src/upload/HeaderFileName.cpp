#include "upload/HeaderFileName.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bildheber {

namespace {

// An encoded word is "=?UTF-8?B?" + base64 + "?=", at most 75 characters: 63 for base64, which is
// 15 groups of four characters, each carrying three bytes.
constexpr std::string_view kPrefix = "=?UTF-8?B?";
constexpr std::string_view kSuffix = "?=";
constexpr std::size_t kMaxBytesPerWord = 45;

// Bytes that cannot stand as they are between the double quotes of the header: everything
// outside printable ASCII, and the quote and backslash, which would end or escape the string.
bool needsEncoding(unsigned char c) {
    return c < 32 || c > 126 || c == '"' || c == '\\';
}

bool wordNeedsEncoding(std::string_view word) {
    for (const char c : word) {
        if (needsEncoding(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto byte = k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t k = 0; k < 4; ++k) {
            out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

// Length of the longest prefix of `text` that has at most `limit` bytes and does not end inside
// a UTF-8 sequence, so that every encoded word holds whole characters. Bytes that are not valid
// UTF-8 are treated as single characters.
std::size_t characterBoundary(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80 && limit - cut < 3) {
        --cut;
    }
    return cut == 0 ? limit : cut;
}

std::string encodeRun(std::string_view run) {
    std::string out;
    while (!run.empty()) {
        const std::size_t take = characterBoundary(run, kMaxBytesPerWord);
        if (!out.empty()) {
            out += "\r\n ";
        }
        out += kPrefix;
        out += base64(run.substr(0, take));
        out += kSuffix;
        run.remove_prefix(take);
    }
    return out;
}

std::vector<std::string_view> splitAtBlanks(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = text.find(' ', start);
        words.push_back(text.substr(start, blank - start));
        if (blank == std::string_view::npos) {
            return words;
        }
        start = blank + 1;
    }
}

}  // namespace

std::string encodeHeaderFileName(std::string_view fileName) {
    if (!wordNeedsEncoding(fileName)) {
        return std::string(fileName);
    }
    // Words are kept apart by single blanks; a run of neighbouring words that need encoding is
    // encoded as one piece, blanks between them included, so that decoding gives them back.
    const auto words = splitAtBlanks(fileName);
    std::string out;
    std::size_t i = 0;
    while (i < words.size()) {
        if (i > 0) {
            out += ' ';
        }
        if (!wordNeedsEncoding(words[i])) {
            out += words[i++];
            continue;
        }
        const char* runBegin = words[i].data();
        std::size_t j = i;
        while (j + 1 < words.size() && wordNeedsEncoding(words[j + 1])) {
            ++j;
        }
        const char* runEnd = words[j].data() + words[j].size();
        out += encodeRun(std::string_view(runBegin, static_cast<std::size_t>(runEnd - runBegin)));
        i = j + 1;
    }
    return out;
}

}  // namespace bildheber
