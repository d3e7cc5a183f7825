#include "upload/HeaderFileName.h"

#include <gtest/gtest.h>

#include <string>

namespace bildheber {
namespace {

TEST(EncodeHeaderFileName, EncodesOnlyTheWordsThatNeedIt) {
    struct Case {
        std::string name;
        std::string expected;
    } cases[] = {
        {"Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"Mein B\xC3\xA4r.jpg", "Mein =?UTF-8?B?QsOkci5qcGc=?="},
        // Neighbouring words with special characters form one encoded run, blank included.
        {"\xC3\x84pfel und B\xC3\xA4r \xC3\xB6l.jpg",
         "=?UTF-8?B?w4RwZmVs?= und =?UTF-8?B?QsOkciDDtmwuanBn?="},
        // Quote, backslash and control characters would break the quoted header value.
        {"a\"b.jpg", "=?UTF-8?B?YSJiLmpwZw==?="},
        {"a\\b.jpg", "=?UTF-8?B?YVxiLmpwZw==?="},
        {"zeile\nzwei.jpg", "=?UTF-8?B?emVpbGUKendlaS5qcGc=?="},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encodeHeaderFileName(c.name), c.expected) << c.name;
    }
}

// Decodes "=?UTF-8?B?...?=" words separated by CR LF SP back into bytes.
std::string decodeEncodedWords(const std::string& header) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t pos = 0;
    while ((pos = header.find("=?UTF-8?B?", pos)) != std::string::npos) {
        const std::size_t start = pos + 10;
        const std::size_t end = header.find("?=", start);
        unsigned bits = 0;
        int count = 0;
        for (std::size_t i = start; i < end && header[i] != '='; ++i) {
            bits = (bits << 6) | static_cast<unsigned>(alphabet.find(header[i]));
            count += 6;
            if (count >= 8) {
                count -= 8;
                out += static_cast<char>((bits >> count) & 0xFF);
            }
        }
        pos = end + 2;
    }
    return out;
}

// True when `bytes` is a sequence of complete UTF-8 characters.
bool holdsWholeCharacters(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(EncodeHeaderFileName, SplitsLongNamesIntoWordsOfAtMost75CharactersAtCharacterBoundaries) {
    std::string name;
    for (int i = 0; i < 40; ++i) {
        name += "\xC3\xA4";  // 80 bytes of two-byte characters
    }
    name += "\xE2\x82\xAC.jpg";  // a three-byte character near a split point
    const std::string encoded = encodeHeaderFileName(name);

    std::size_t start = 0;
    int words = 0;
    for (;;) {
        const std::size_t end = encoded.find("\r\n ", start);
        const std::string word = encoded.substr(start, end - start);
        EXPECT_LE(word.size(), 75u) << word;
        ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u) << word;
        EXPECT_TRUE(holdsWholeCharacters(decodeEncodedWords(word))) << word;
        ++words;
        if (end == std::string::npos) {
            break;
        }
        start = end + 3;
    }
    EXPECT_EQ(words, 2);
    EXPECT_EQ(decodeEncodedWords(encoded), name);
}

}  // namespace
}  // namespace bildheber
