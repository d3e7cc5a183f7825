#include "upload/ForumCode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bildheber {
namespace {

constexpr const char* kFoundStatus = "Forumscode erhalten.";
constexpr const char* kMissingStatus = "FATAL: Forumscode in Antwort vom Server nicht gefunden.";
constexpr const char* kCode =
    "[URL=https://bilder.example/a.jpg][IMG]https://bilder.example/a_t.jpg[/IMG][/URL]";

class RecordingStatusLine : public StatusLine {
  public:
    void setStatusText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

std::string failureText(const std::string& reply) {
    return "-Error: codebbs nicht gefunden in >>>" + reply + "<<<";
}

std::string element(const std::string& value) {
    return "<textarea id=\"codebbs\" value=\"" + value + "\"></textarea>";
}

struct FoundCase {
    const char* name;
    std::string reply;
    std::string code;
};

TEST(ForumCode, FindsTheCodeInTheseReplies) {
    const FoundCase cases[] = {
        {"typical page", "<html><body><p>Fertig</p>\n" + element(kCode) + "\n</body></html>",
         kCode},
        {"first of two", element("[URL=a]1[/URL]") + element("[URL=b]2[/URL]"), "[URL=a]1[/URL]"},
        {"later one when the first does not end with [/URL]",
         element("[URL=a]1[/IMG]") + element("[URL=b]2[/URL]"), "[URL=b]2[/URL]"},
        {"nested tags kept whole", element("[URL=x][IMG]y[/IMG][/URL]"),
         "[URL=x][IMG]y[/IMG][/URL]"},
        {"closing tag in small letters keeps its case", element("[url=x]y[/url]"),
         "[url=x]y[/url]"},
        {"attribute names in capitals", "<input ID=\"CODEBBS\" VALUE=\"x[/URL]\">", "x[/URL]"},
        {"all five white-space characters between", "id=\"codebbs\" \t\r\n\f value=\"x[/URL]\"",
         "x[/URL]"},
        {"no white space between", "id=\"codebbs\"value=\"x[/URL]\"", "x[/URL]"},
        {"inside a longer attribute name", "<a data-id=\"codebbs\" value=\"x[/URL]\">", "x[/URL]"},
        {"character references not decoded", element("[URL=a?b=1&amp;c=&quot;2&quot;]y[/URL]"),
         "[URL=a?b=1&amp;c=&quot;2&quot;]y[/URL]"},
        {"line breaks inside the value", element("[URL=a]\r\nb\n[/URL]"), "[URL=a]\r\nb\n[/URL]"},
        {"non-ASCII bytes kept", element("[URL=a]B\xC3\xA4r[/URL]"), "[URL=a]B\xC3\xA4r[/URL]"},
        {"hyphen value is returned and reads as a failure", element("-[/URL]"), "-[/URL]"},
        {"NUL after the element", element(kCode) + std::string("\0tail", 5), kCode},
        {"[/URL] inside and at the end", element("[/URL]x[/URL]"), "[/URL]x[/URL]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingStatusLine status;
        EXPECT_EQ(extractForumCode(c.reply, status), c.code);
        EXPECT_EQ(status.texts, std::vector<std::string>{kFoundStatus});
    }
}

struct MissingCase {
    const char* name;
    std::string reply;
};

TEST(ForumCode, ReportsTheWholeReplyWhenNoCodeMatches) {
    const MissingCase cases[] = {
        {"empty reply", ""},
        {"page without the element", "<html><body>Fehler beim Hochladen</body></html>"},
        {"value is [/URL] alone", element("[/URL]")},
        {"value does not end with [/URL]", element("[URL=a]b[/URL] ")},
        {"empty value", element("")},
        {"another attribute between", "id=\"codebbs\" name=\"c\" value=\"x[/URL]\""},
        {"value before id", "value=\"x[/URL]\" id=\"codebbs\""},
        {"single quotes", "id='codebbs' value='x[/URL]'"},
        {"blank before =", "id =\"codebbs\" value=\"x[/URL]\""},
        {"blank after =", "id=\"codebbs\" value= \"x[/URL]\""},
        {"vertical tab is not white space", "id=\"codebbs\"\vvalue=\"x[/URL]\""},
        {"value never closed", "id=\"codebbs\" value=\"x[/URL]"},
        {"other id", "id=\"codebb\" value=\"x[/URL]\""},
        {"NUL before the element", std::string("<p>\0</p>", 8) + element(kCode)},
        {"NUL inside the value", element(std::string("a\0[/URL]", 8))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingStatusLine status;
        EXPECT_EQ(extractForumCode(c.reply, status), failureText(c.reply));
        EXPECT_EQ(status.texts, std::vector<std::string>{kMissingStatus});
    }
}

// Replies come from the network, so their size is up to the server: the search must stay
// linear and must not recurse per character.
TEST(ForumCode, HandlesLargeReplies) {
    constexpr std::size_t kSixteenMiB = std::size_t{16} << 20;
    constexpr std::size_t kOneMiB = std::size_t{1} << 20;

    struct LargeCase {
        const char* name;
        std::string reply;
        std::string result;
    };
    std::string filler(kSixteenMiB, 'x');
    std::string longValue = std::string(kOneMiB, 'v') + "[/URL]";
    std::string partials;
    while (partials.size() < kSixteenMiB) {
        partials += "id=\"codebbs\" value=\"[URL]x[/IMG]\" id=\"CODEBBS\"\t";
    }
    std::string unclosed = "id=\"codebbs\" value=\"" + filler;

    const LargeCase cases[] = {
        {"code after 16 MiB", filler + element(kCode), kCode},
        {"1 MiB value", element(longValue), longValue},
        {"1 MiB value without [/URL], then a code",
         element(std::string(kOneMiB, 'v')) + element(kCode), kCode},
        {"16 MiB of near misses, then a code", partials + element(kCode), kCode},
        {"16 MiB without a code", filler, failureText(filler)},
        {"16 MiB value never closed", unclosed, failureText(unclosed)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingStatusLine status;
        // EXPECT_TRUE keeps a failure from printing megabytes.
        EXPECT_TRUE(extractForumCode(c.reply, status) == c.result);
    }
}

}  // namespace
}  // namespace bildheber
