#include "upload/ReplyCharset.h"

#include <gtest/gtest.h>

#include <string>

namespace bildheber {
namespace {

using namespace std::string_literals;  // "..."s keeps NUL bytes

constexpr std::size_t kOneMiB = std::size_t{1} << 20;
constexpr std::size_t kSixteenMiB = std::size_t{16} << 20;

struct CharsetCase {
    const char* name;
    std::string contentType;
    std::string body;
    std::string charset;
};

TEST(ReplyCharset, TakesTheCharsetFromTheContentType) {
    const CharsetCase cases[] = {
        {"no Content-Type", "", "<html>", ""},
        {"charset parameter", "text/html; charset=UTF-8", "", "UTF-8"},
        {"quoted, any case, white space", " TEXT/HTML ;  Charset = \"utf-8\" ", "", "utf-8"},
        {"after other parameters", "text/plain; format=flowed; charset=windows-1252", "",
         "windows-1252"},
        {"quoted parameter with ; before", "text/plain; x=\"a;charset=b\"; charset=koi8-r", "",
         "koi8-r"},
        {"first charset parameter", "text/plain; charset=koi8-r; charset=utf-8", "", "koi8-r"},
        {"empty charset counts as none", "text/plain; charset=\"\"", "", "ISO-8859-1"},
        {"text without charset", "text/html", "<html>", "ISO-8859-1"},
        {"text/plain without charset", "text/plain", "", "ISO-8859-1"},
        {"text/xml without charset", "text/xml", "<?xml version=\"1.0\"?>", "us-ascii"},
        {"text/xml-external-parsed-entity", "text/xml-external-parsed-entity", "", "us-ascii"},
        {"text +xml subtype", "text/vnd.example+xml", "", "us-ascii"},
        {"text/xml with charset", "text/xml; charset=utf-8", "", "utf-8"},
        {"non-text without charset", "image/jpeg", "", ""},
        {"non-text with charset", "application/octet-stream; charset=koi8-r", "", "koi8-r"},
        {"meta not read outside HTML", "text/plain", "<meta charset=\"utf-8\">", "ISO-8859-1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replyCharset(c.contentType, c.body), c.charset);
    }
}

TEST(ReplyCharset, LetsTheMetaElementsOfAnHtmlPageOverrideTheHeader) {
    const std::string header = "text/html; charset=ISO-8859-2";
    const CharsetCase cases[] = {
        {"meta charset", header, "<html><head><meta charset=\"utf-8\"></head>", "utf-8"},
        {"meta charset without header charset", "text/html", "<meta charset=utf-8>", "utf-8"},
        {"capitals, no quotes, self-closing", header, "<HEAD><META CHARSET=UTF-8 />", "UTF-8"},
        {"single quotes and white space", header, "<meta\n charset = ' koi8-r '>", "koi8-r"},
        {"http-equiv", header,
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">",
         "windows-1252"},
        {"http-equiv, other order and quoting", header,
         "<meta content='text/html;charset=koi8-r' HTTP-EQUIV=content-type>", "koi8-r"},
        {"http-equiv without charset replaces the header's", "text/html; charset=utf-8",
         "<meta http-equiv=\"Content-Type\" content=\"text/html\">", "ISO-8859-1"},
        {"http-equiv with a non-text type and no charset", "text/html; charset=utf-8",
         "<meta http-equiv=\"Content-Type\" content=\"application/x-foo\">", ""},
        {"first declaration wins", header, "<meta charset=koi8-r><meta charset=utf-8>", "koi8-r"},
        {"charset attribute beats http-equiv in one element", header,
         "<meta http-equiv=content-type content=\"text/html; charset=koi8-r\" charset=utf-8>",
         "utf-8"},
        {"other http-equiv skipped", header,
         "<meta http-equiv=\"refresh\" content=\"5; charset=koi8-r\"><meta charset=utf-8>",
         "utf-8"},
        {"empty charset skipped", header, "<meta charset=\"\"><meta charset=utf-8>", "utf-8"},
        {"quoted '>' inside the element", header, "<meta name=\"a>b\" charset=\"utf-8\">", "utf-8"},
        {"other tag starting with meta", header, "<metadata charset=utf-8>", "ISO-8859-2"},
        {"inside a comment", header, "<!-- <meta charset=utf-8> --><title>x</title>", "ISO-8859-2"},
        {"after <body", header, "<head></head><BODY><meta charset=utf-8>", "ISO-8859-2"},
        {"after </head>", header, "<head><title>x</title></HEAD><meta charset=utf-8>",
         "ISO-8859-2"},
        {"text/html-sandboxed reads meta", "text/html-sandboxed", "<meta charset=utf-8>", "utf-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replyCharset(c.contentType, c.body), c.charset);
    }
}

TEST(ReplyCharset, ReadsXmlRepliesByTheirByteOrderMarkOrDeclaration) {
    const CharsetCase cases[] = {
        {"plain XML", "application/xml", "<root/>", "UTF-8"},
        {"header charset does not count", "application/xml; charset=koi8-r", "<r/>", "UTF-8"},
        {"declaration", "application/xhtml+xml; charset=iso-8859-1",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?><html/>", "windows-1252"},
        {"declaration in single quotes", "application/xml",
         "<?xml version='1.0' encoding='koi8-r' standalone='yes'?>", "koi8-r"},
        {"declaration without encoding", "application/xml", "<?xml version=\"1.0\"?>", "UTF-8"},
        {"declaration not at the start", "application/xml",
         " <?xml version=\"1.0\" encoding=\"koi8-r\"?>", "UTF-8"},
        {"meta not read in XHTML", "application/xhtml+xml", "<html><meta charset=\"koi8-r\"/>",
         "UTF-8"},
        {"UTF-8 mark", "application/xml", "\xEF\xBB\xBF<r/>", "UTF-8"},
        {"UTF-16LE mark", "application/xml", "\xFF\xFE<\0"s, "UTF-16LE"},
        {"UTF-16BE mark", "application/xml", "\xFE\xFF\0<"s, "UTF-16BE"},
        {"UTF-32LE mark", "application/xml", "\xFF\xFE\0\0"s, "UTF-32LE"},
        {"UTF-32BE mark", "application/xml", "\0\0\xFE\xFF"s, "UTF-32BE"},
        {"mark before declaration", "application/xml",
         "\xFE\xFF<?xml version='1.0' encoding='koi8-r'?>", "UTF-16BE"},
        {"xml-dtd", "application/xml-dtd", "", "UTF-8"},
        {"xml-external-parsed-entity", "application/xml-external-parsed-entity", "", "UTF-8"},
        {"any +xml type", "image/svg+xml", "", "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replyCharset(c.contentType, c.body), c.charset);
    }
}

struct DecodeCase {
    const char* name;
    std::string charset;
    std::string bytes;
    std::string text;
};

TEST(ReplyCharset, DecodesToUtf8) {
    const DecodeCase cases[] = {
        {"UTF-8", "UTF-8", "Gr\xC3\xBC\xC3\x9F", "Gr\xC3\xBC\xC3\x9F"},
        {"charset name in any case", "utf-8", "\xC3\xBC", "\xC3\xBC"},
        {"ISO-8859-1", "ISO-8859-1", "\xFC", "\xC3\xBC"},
        {"windows-1252 euro sign", "windows-1252", "\x80", "\xE2\x82\xAC"},
        {"koi8-r", "KOI8-R", "\xC1", "\xD0\xB0"},
        {"UTF-16LE", "UTF-16LE", "B\0\xE4\0"s, "B\xC3\xA4"},
        {"empty input", "UTF-8", "", ""},
        {"no charset means Latin-1", "", "\xC3\xBC", "\xC3\x83\xC2\xBC"},
        {"unknown charset means Latin-1", "x-no-such-charset", "\xC3\xBC", "\xC3\x83\xC2\xBC"},
        {"//TRANSLIT suffix is not passed on", "UTF-8//TRANSLIT", "\xC3\xBC", "\xC3\x83\xC2\xBC"},
        {"//IGNORE suffix is not passed on", "UTF-8//IGNORE", "a\xFF", "a\xC3\xBF"},
        {"overlong name", std::string(41, 'U'), "\xFC", "\xC3\xBC"},
        {"invalid UTF-8 byte", "UTF-8",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"sequence cut off at the end, one U+FFFD per byte", "UTF-8", "a\xE2\x82",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"odd byte after UTF-16", "UTF-16LE", "a\0b"s, "a\xEF\xBF\xBD"},
        {"us-ascii high byte", "us-ascii", "a\xE4", "a\xEF\xBF\xBD"},
        {"six-byte form beyond U+10FFFF", "UTF-8", "\xFC\x8A\x8A\x8A\x8A\x8A",
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"surrogate", "UTF-8", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"NUL in UTF-8", "UTF-8", "a\0b"s, "a\0b"s},
        {"NUL in Latin-1", "", "a\0\xE4"s, "a\0\xC3\xA4"s},
        {"NUL in UTF-16LE", "UTF-16LE", "a\0\0\0b\0"s, "a\0b"s},
        {"UTF-8 byte-order mark dropped", "UTF-8", "\xEF\xBB\xBFok", "ok"},
        {"only the first mark dropped", "UTF-8", "\xEF\xBB\xBF\xEF\xBB\xBF", "\xEF\xBB\xBF"},
        {"UTF-16LE byte-order mark dropped", "UTF-16LE", "\xFF\xFEo\0k\0"s, "ok"},
        {"mark bytes in Latin-1 are characters", "ISO-8859-1", "\xEF\xBB\xBF",
         "\xC3\xAF\xC2\xBB\xC2\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeToUtf8(c.charset, c.bytes), c.text);
    }
}

struct ReplyCase {
    const char* name;
    std::string contentType;
    std::string body;
    std::string text;
};

TEST(ReplyCharset, DecodesReplyPages) {
    const std::string utf8Bear = "B\xC3\xA4r";
    const ReplyCase cases[] = {
        {"UTF-8 page without any charset: one character per byte", "text/html",
         "<p>" + utf8Bear + "</p>", "<p>B\xC3\x83\xC2\xA4r</p>"},
        {"UTF-8 page with charset=UTF-8", "text/html; charset=UTF-8", "<p>" + utf8Bear + "</p>",
         "<p>" + utf8Bear + "</p>"},
        {"meta charset overrides the header", "text/html; charset=ISO-8859-1",
         "<meta charset=\"utf-8\">" + utf8Bear, "<meta charset=\"utf-8\">" + utf8Bear},
        {"XML declaration", "application/xhtml+xml",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\x80",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\xE2\x82\xAC"},
        {"XHTML in UTF-16LE with mark", "application/xhtml+xml", "\xFF\xFE<\0p\0>\0"s, "<p>"},
        {"text/xml read as ASCII", "text/xml", "<r>\xE4</r>", "<r>\xEF\xBF\xBD</r>"},
        {"unknown charset read as Latin-1", "text/html; charset=x-unknown", "\xE4", "\xC3\xA4"},
        {"invalid UTF-8 page", "text/html; charset=utf-8", "<p>\xC3(</p>", "<p>\xEF\xBF\xBD(</p>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeReplyText(c.contentType, c.body), c.text);
    }
}

// The page comes from the network: its size and its attribute lengths are up to the server.
TEST(ReplyCharset, HandlesLargePages) {
    const std::string filler(kSixteenMiB, '<');
    const std::string longName(kOneMiB, 'n');
    const CharsetCase cases[] = {
        {"meta after 16 MiB of '<'", "text/html", filler + "<meta charset=utf-8>", "utf-8"},
        {"1 MiB attribute before charset", "text/html",
         "<meta name=\"" + longName + "\" charset=\"koi8-r\">", "koi8-r"},
        {"1 MiB unquoted attribute name", "text/html", "<meta " + longName + " charset=koi8-r>",
         "koi8-r"},
        {"16 MiB quote never closed", "text/html", "<meta name=\"" + filler, "ISO-8859-1"},
        {"16 MiB of unclosed meta elements", "text/html",
         [] {
             std::string metas;
             while (metas.size() < kSixteenMiB) {
                 metas += "<meta a=b ";
             }
             return metas;
         }(),
         "ISO-8859-1"},
        {"16 MiB comment never closed", "text/html", "<!--" + filler, "ISO-8859-1"},
        {"XML declaration never closed", "application/xml", "<?xml " + filler, "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replyCharset(c.contentType, c.body), c.charset);
    }
}

TEST(ReplyCharset, DecodesLargePages) {
    std::string utf8Page;
    while (utf8Page.size() < kSixteenMiB) {
        utf8Page += "B\xC3\xA4r ";
    }
    EXPECT_TRUE(decodeToUtf8("UTF-8", utf8Page) == utf8Page);

    const std::string invalid(kSixteenMiB, '\xFF');
    const std::string decoded = decodeToUtf8("UTF-8", invalid);
    ASSERT_EQ(decoded.size(), 3 * kSixteenMiB);
    EXPECT_EQ(decoded.find_first_not_of("\xEF\xBF\xBD"), std::string::npos);
}

}  // namespace
}  // namespace bildheber
