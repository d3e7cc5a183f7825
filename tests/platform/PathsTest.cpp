#include "platform/Paths.h"

#include <gtest/gtest.h>

namespace bildheber {
namespace {

TEST(FileNamePart, TakesWhatFollowsTheLastSeparator) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/home/anna/Bilder/Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"Urlaub.jpg", "Urlaub.jpg"},
        {"/home/anna/", ""},
#ifdef _WIN32
        {"C:\\Bilder\\Urlaub 2014.jpg", "Urlaub 2014.jpg"},
        {"C:Bild.jpg", "Bild.jpg"},
#else
        // Backslash and colon are ordinary characters of a POSIX file name.
        {"/tmp/a\\b:c.jpg", "a\\b:c.jpg"},
#endif
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileNamePart(c.path), c.expected) << c.path;
    }
}

}  // namespace
}  // namespace bildheber
