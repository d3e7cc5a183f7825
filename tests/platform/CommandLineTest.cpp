#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bildheber {
namespace {

TEST(SplitCommandLine, SplitsLikeTheWindowsProgramStart) {
    struct Case {
        std::u16string line;
        std::vector<std::u16string> arguments;
    } cases[] = {
        {u"Bildheber.exe", {}},
        {u"\"C:\\Program Files\\Bildheber.exe\" a.jpg", {u"a.jpg"}},
        {u"Bildheber.exe C:\\a.jpg D:\\b.jpg", {u"C:\\a.jpg", u"D:\\b.jpg"}},
        {u"Bildheber.exe \"C:\\Meine Bilder\\Urlaub 2014.jpg\"",
         {u"C:\\Meine Bilder\\Urlaub 2014.jpg"}},
        // Quotes may stand inside an argument; they are dropped.
        {u"B C:\\Meine\" \"Bilder\\x.jpg", {u"C:\\Meine Bilder\\x.jpg"}},
        // Tabs and other control characters separate; runs of them count once.
        {u"B \t a.jpg\x01\x1f"
         u"b.jpg   ",
         {u"a.jpg", u"b.jpg"}},
        // Empty quote pairs where an argument would begin are skipped.
        {u"B \"\" a.jpg \"\"\"\" \"\"b.jpg", {u"a.jpg", u"b.jpg"}},
        // No escapes: a backslash before a quote is an ordinary character.
        {u"B \"C:\\dir\\\" x.jpg", {u"C:\\dir\\", u"x.jpg"}},
        // An unclosed quote runs to the end.
        {u"B \"C:\\a b.jpg", {u"C:\\a b.jpg"}},
        {u"B a.jpg \"", {u"a.jpg"}},
        {u"", {}},
        {u"   ", {}},
        {u"B \xE4pfel.jpg", {u"\xE4pfel.jpg"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitCommandLine(c.line), c.arguments)
            << std::string(c.line.begin(), c.line.end());
    }
}

}  // namespace
}  // namespace bildheber
