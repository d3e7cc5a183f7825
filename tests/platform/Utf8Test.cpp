#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace bildheber {
namespace {

TEST(Utf16Conversion, RoundTripsEveryKindOfCharacter) {
    const std::string text =
        "a\xC3\xBC\xE2\x82\xAC\xF0\x9F\x93\xB7 \xCE\xA9mega.jpg";  // a ü € 📷 Ωmega
    const std::u16string wide = u"a\u00FC\u20AC\U0001F4F7 \u03A9mega.jpg";
    EXPECT_EQ(utf16FromUtf8(text), wide);
    EXPECT_EQ(utf8FromUtf16(wide), text);
}

TEST(Utf16Conversion, ReplacesWhatHasNoFormInTheOther) {
    struct Case {
        std::u16string wide;
        const char* utf8;
    } fromWide[] = {
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx"},  // lone high surrogate
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},          // lone low surrogate
    };
    for (const auto& c : fromWide) {
        EXPECT_EQ(utf8FromUtf16(c.wide), c.utf8);
    }
    struct Back {
        const char* utf8;
        std::u16string wide;
    } fromUtf8[] = {
        {"\xDC"
         "ber.jpg",
         u"\uFFFDber.jpg"},                       // a Latin-1 byte
        {"\xE2\x82", u"\uFFFD\uFFFD"},            // cut off
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
    };
    for (const auto& c : fromUtf8) {
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.wide) << c.utf8;
    }
}

}  // namespace
}  // namespace bildheber
