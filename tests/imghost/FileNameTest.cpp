#include <gtest/gtest.h>

#include <string>

#include "imghost/DisplayName.h"
#include "imghost/EncodedWords.h"
#include "upload/HeaderFileName.h"

namespace bildheber::imghost {
namespace {

TEST(ImghostFileName, DecodesEncodedWords) {
    struct Case {
        const char* name;
        std::string sent;
        std::string decoded;
    };
    const Case cases[] = {
        {"plain", "Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"one B word after a plain one", "Mein =?UTF-8?B?QsOkci5qcGc=?=", "Mein B\xC3\xA4r.jpg"},
        {"blanks and a fold between two words are dropped",
         "=?UTF-8?B?w6Q=?=\r\n =?utf-8?b?w7Y=?=", "\xC3\xA4\xC3\xB6"},
        {"blanks between a word and plain text stay", "=?UTF-8?B?w6Q=?= x", "\xC3\xA4 x"},
        {"Q encoding", "=?UTF-8?Q?M=C3=BCller_Foto?=", "M\xC3\xBCller Foto"},
        {"ISO-8859-1 becomes UTF-8", "=?ISO-8859-1?Q?B=E4r?=", "B\xC3\xA4r"},
        {"unknown charset kept", "=?KOI8-R?B?w6Q=?=", "=?KOI8-R?B?w6Q=?="},
        {"bad base64 kept", "=?UTF-8?B?w6!?=", "=?UTF-8?B?w6!?="},
        {"unknown encoding kept", "=?UTF-8?X?abc?=", "=?UTF-8?X?abc?="},
        {"unterminated word kept", "=?UTF-8?B?w6Q=", "=?UTF-8?B?w6Q="},
        {"lone marker", "a=?b", "a=?b"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decodeEncodedWords(c.sent), c.decoded) << c.name;
    }
}

TEST(ImghostFileName, GivesBackEveryNameTheProgramEncodes) {
    struct Case {
        std::string name;
        std::string shown;
    };
    const std::string longName = std::string(50, 'x') + " " + std::string(40, '\xE2') + ".jpg";
    const Case cases[] = {
        {"Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"Mein B\xC3\xA4r.jpg", "Mein B\xC3\xA4r.jpg"},
        {"\xC3\x84 \xC3\x96 plain \xC3\x9C.jpg", "\xC3\x84 \xC3\x96 plain \xC3\x9C.jpg"},
        {"say \"cheese\".jpg", "say \"cheese\".jpg"},
        {std::string(20, 'a') + std::string(30, '\xC3') + "\xC3\xA4.jpg",
         std::string(20, 'a') + std::string(30, '?') + "\xC3\xA4.jpg"},  // invalid UTF-8 shown as ?
        {longName, std::string(50, 'x') + " " + std::string(40, '?') + ".jpg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayFileName(encodeHeaderFileName(c.name)), c.shown) << c.name;
    }
}

TEST(ImghostFileName, MakesNamesSafeToShowAndKeep) {
    struct Case {
        const char* name;
        std::string sent;
        std::string shown;
    };
    const Case cases[] = {
        {"folders dropped", "../../etc/passwd", "passwd"},
        {"Windows folders dropped", "C:\\Bilder\\x.jpg", "x.jpg"},
        {"encoded folders dropped", "=?UTF-8?B?Li4vYS5qcGc=?=", "a.jpg"},
        {"line break replaced", "=?UTF-8?B?YQpiLmpwZw==?=", "a?b.jpg"},
        {"NUL and DEL replaced", std::string("a\0b\x7F", 4), "a?b?"},
        {"overlong UTF-8 replaced", "\xC0\xAF", "??"},
        {"surrogate replaced", "\xED\xA0\x80", "???"},
        {"cut to 200 bytes at a character", std::string(199, 'x') + "\xC3\xA4",
         std::string(199, 'x')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(displayFileName(c.sent), c.shown) << c.name;
    }
}

}  // namespace
}  // namespace bildheber::imghost
