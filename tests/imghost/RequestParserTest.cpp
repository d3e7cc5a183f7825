#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "imghost/BadRequest.h"
#include "imghost/HttpRequest.h"
#include "imghost/UploadForm.h"
#include "upload/UploadRequest.h"

namespace bildheber::imghost {
namespace {

// A JPEG-like payload with the bytes that trip naive parsers: CR LF, "--", NUL, quotes.
const std::string kJpeg("\xFF\xD8\xFF\xE0\r\n--\r\n\r\n\0\"x\"\r\n--------\xFF\xD9", 28);
const LocalTimestamp kNow{2024, 7, 31, 14, 7, 9, 45};

UploadForm parseClientRequest(const std::string& request) {
    const HttpRequest parsed = parseWholeRequest(request);
    return readUploadForm(parsed.head, parsed.body);
}

TEST(ImghostRequestParser, ReadsTheRequestTheProgramSends) {
    const std::string request = buildUploadRequest("localhost", "C:\\Bilder\\Mein B\xC3\xA4r.jpg",
                                                   kJpeg, ExpiryChoice::TwelveMonths, kNow);
    const HttpRequest parsed = parseWholeRequest(request);
    EXPECT_EQ(parsed.head.method, "POST");
    EXPECT_EQ(parsed.head.path(), "/imghost/");
    EXPECT_EQ(parsed.head.version, "HTTP/1.0");
    EXPECT_EQ(parsed.head.header("host"), "localhost");

    const UploadForm form = readUploadForm(parsed.head, parsed.body);
    EXPECT_EQ(form.jpeg, kJpeg);
    EXPECT_EQ(form.displayName, "Mein B\xC3\xA4r.jpg");
    EXPECT_EQ(form.keepUntil, (CalendarDate{2025, 7, 31}));
}

TEST(ImghostRequestParser, TakesTheExpiryDateOfEveryChoice) {
    struct Case {
        const char* name;
        ExpiryChoice choice;
        LocalTimestamp today;
        std::optional<CalendarDate> keepUntil;
    };
    const Case cases[] = {
        {"never", ExpiryChoice::Never, kNow, std::nullopt},
        {"twelve months from 29 February",
         ExpiryChoice::TwelveMonths,
         {2024, 2, 29},
         CalendarDate{2025, 2, 28}},
        {"six weeks across the year's end",
         ExpiryChoice::SixWeeks,
         {2024, 12, 30},
         CalendarDate{2025, 2, 28}},  // 30 February counts as the month's last day
        {"six weeks to 31 September",
         ExpiryChoice::SixWeeks,
         {2024, 7, 31},
         CalendarDate{2024, 9, 30}},
        {"six weeks to 30 March", ExpiryChoice::SixWeeks, {2024, 1, 30}, CalendarDate{2024, 3, 30}},
    };
    for (const Case& c : cases) {
        const std::string request =
            buildUploadRequest("localhost", "a.jpg", kJpeg, c.choice, c.today);
        EXPECT_EQ(parseClientRequest(request).keepUntil, c.keepUntil) << c.name;
    }
}

TEST(ImghostRequestParser, DecodesLongFileNamesFoldedOverSeveralLines) {
    // Over 45 bytes of non-ASCII text become several encoded words on continuation lines.
    std::string name;
    for (int i = 0; i < 40; ++i) {
        name += "\xC3\xA4";
    }
    name +=
        " Foto \xE2\x80\x9E"
        "Zitat\xE2\x80\x9C.jpg";
    const std::string request =
        buildUploadRequest("localhost", "C:\\" + name, kJpeg, ExpiryChoice::Never, kNow);
    ASSERT_NE(request.find("?=\r\n =?UTF-8?B?"), std::string::npos) << "the name must be folded";
    EXPECT_EQ(parseClientRequest(request).displayName, name);
}

// The client's real body, edited, under a head with the matching Content-Length.
std::string clientBody() {
    return buildUploadBody("a.jpg", kJpeg, ExpiryChoice::TwelveMonths, kNow);
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::string postWith(const std::string& body,
                     const std::string& contentType = "multipart/form-data; boundary=" +
                                                      multipartBoundary(kNow)) {
    return "POST /imghost/ HTTP/1.0\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The reason a request is refused with, or nothing if it is accepted.
std::optional<std::string> refusal(const std::string& request) {
    try {
        parseClientRequest(request);
        return std::nullopt;
    } catch (const BadRequest& error) {
        return error.what();
    }
}

TEST(ImghostRequestParser, RefusesMalformedRequestsWithAReason) {
    const std::string boundary = multipartBoundary(kNow);
    const std::string body = clientBody();
    const std::string head =
        "POST /imghost/ HTTP/1.0\r\nContent-Type: multipart/form-data; "
        "boundary=" +
        boundary + "\r\n";
    const std::string tooLongHeader = "X-Filler: " + std::string(64 * 1024, 'x') + "\r\n";
    struct Case {
        const char* name;
        std::string request;
        const char* reason;
    };
    const Case cases[] = {
        {"no request line", "\r\n\r\n", "malformed request line"},
        {"request line with four words", "POST /imghost/ x HTTP/1.0\r\n\r\n",
         "malformed request line"},
        {"target not a path", "POST imghost HTTP/1.0\r\n\r\n", "malformed request target"},
        {"unknown protocol", "POST /imghost/ HTTP/2.0\r\n\r\n", "unsupported HTTP version"},
        {"lines ending in LF only", "POST /imghost/ HTTP/1.0\nHost: x\n\n",
         "header section does not end"},
        {"header without colon", "POST /imghost/ HTTP/1.0\r\nHost x\r\n\r\n",
         "malformed header line"},
        {"blank before the colon", "POST /imghost/ HTTP/1.0\r\nHost : x\r\n\r\n",
         "malformed header line"},
        {"folded header", head + " folded\r\nContent-Length: 0\r\n\r\n", "folded header line"},
        {"control character in a value", head + "X-A: a\x01z\r\nContent-Length: 0\r\n\r\n",
         "control character"},
        {"header section over 64 KiB", head + tooLongHeader + "\r\n", "header section too large"},
        {"no Content-Length", head + "\r\n" + body, "Content-Length missing"},
        {"Content-Length not a number", head + "Content-Length: 12a\r\n\r\n",
         "malformed Content-Length"},
        {"negative Content-Length", head + "Content-Length: -1\r\n\r\n",
         "malformed Content-Length"},
        {"Content-Length over 32 MiB", head + "Content-Length: 33554433\r\n\r\n", "too large"},
        {"Content-Length of 20 digits", head + "Content-Length: 99999999999999999999\r\n\r\n",
         "malformed Content-Length"},
        {"two different Content-Lengths", head + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nx",
         "conflicting"},
        {"chunked body", head + "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n", "Transfer-Encoding"},
        {"body shorter than announced", postWith(body).substr(0, postWith(body).size() - 1),
         "body shorter"},
        {"bytes after the body", postWith(body) + "x", "bytes after the body"},
        {"not multipart", postWith(body, "application/x-www-form-urlencoded"),
         "not multipart/form-data"},
        {"no boundary", postWith(body, "multipart/form-data"), "without a boundary"},
        {"boundary too long",
         postWith(body, "multipart/form-data; boundary=" + std::string(71, 'a')),
         "malformed multipart boundary"},
        {"unterminated quoted boundary", postWith(body, "multipart/form-data; boundary=\"abc"),
         "unterminated quoted string"},
        {"other boundary than the body's", postWith(body, "multipart/form-data; boundary=other"),
         "without a boundary line"},
        {"no closing boundary line",
         postWith(body.substr(0, body.rfind("\r\n--" + boundary + "--"))), "not closed"},
        {"garbage after a boundary",
         postWith(replaced(body, "--" + boundary + "\r\n", "--" + boundary + "x\r\n")),
         "malformed multipart boundary line"},
        {"part without header end",
         postWith("--" + boundary + "\r\nContent-Disposition: form-data; name=\"scale\"\r\n--" +
                  boundary + "--\r\n"),
         "part header section"},
        {"part without Content-Disposition",
         postWith(replaced(body, "Content-Disposition: form-data; name=\"alt\"", "X-Nothing: 1")),
         "without Content-Disposition"},
        {"part that is no form-data",
         postWith(replaced(body, "form-data; name=\"alt\"", "attachment; name=\"alt\"")),
         "not form-data"},
        {"part without name",
         postWith(replaced(body, "form-data; name=\"alt\"", "form-data; filename=\"alt\"")),
         "without a field name"},
        {"part header line without colon",
         postWith(replaced(body, "Content-Type: text/plain", "Content-Type text/plain")),
         "malformed part header line"},
        {"missing field", postWith(replaced(body, "name=\"jahr\"", "name=\"year\"")),
         "missing field \"jahr\""},
        {"repeated field", postWith(replaced(body, "name=\"alt\"", "name=\"scale\"")),
         "repeated field \"scale\""},
        {"datumaktiv neither 0 nor 1", postWith(replaced(body, "\r\n\r\n1\r\n", "\r\n\r\n2\r\n")),
         "\"datumaktiv\" must be"},
        {"month 13", postWith(replaced(body, "\r\n\r\n7\r\n", "\r\n\r\n13\r\n")),
         "\"monat\" must be a number from 1 to 12"},
        {"day 0", postWith(replaced(body, "\r\n\r\n31\r\n", "\r\n\r\n0\r\n")), "\"tag\" must be"},
        {"year with a sign", postWith(replaced(body, "\r\n\r\n2025\r\n", "\r\n\r\n+2025\r\n")),
         "\"jahr\" must be"},
        {"malformed quoted-printable",
         postWith(replaced(body, "\r\n\r\n0.5\r\n", "\r\n\r\n0=5\r\n")), "quoted-printable"},
        {"file that is no JPEG", postWith(replaced(body, "\xFF\xD8\xFF\xE0", "GIF8")),
         "not a JPEG"},
        {"file in base64",
         postWith(replaced(body, "Content-Transfer-Encoding: binary",
                           "Content-Transfer-Encoding: base64")),
         "Content-Transfer-Encoding of the file"},
    };
    for (const Case& c : cases) {
        const std::optional<std::string> reason = refusal(c.request);
        ASSERT_TRUE(reason.has_value()) << c.name;
        EXPECT_NE(reason->find(c.reason), std::string::npos) << c.name << ": " << *reason;
    }
}

TEST(ImghostRequestParser, AcceptsWhatOtherClientsSendToo) {
    const std::string boundary = "XyZ";
    const std::string browserBody =
        "preamble\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=\"scale\"\r\n\r\n0.5\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=\"alt\"\r\n\r\n\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=\"datumaktiv\"\r\n\r\n1\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=\"tag\"\r\n\r\n30\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=\"monat\"\r\n\r\n2\r\n--XyZ  \r\n"
        "Content-Disposition: form-data; name=\"jahr\"\r\n\r\n2024\r\n--XyZ\r\n"
        "content-disposition: FORM-DATA; name=\"ignored\"\r\n\r\nx\r\n--XyZ\r\n"
        "Content-Disposition: form-data; name=file; filename=\"C:\\\\Fotos\\\\x.jpg\"\r\n"
        "Content-Type: image/jpeg\r\n\r\n\xFF\xD8\xFF\r\n--XyZ--\r\nepilogue";
    const std::string request =
        "POST /imghost/?lang=de HTTP/1.1\r\nHost: localhost:8443\r\n"
        "content-type: Multipart/Form-Data; boundary=\"" +
        boundary + "\"\r\ncontent-length: " + std::to_string(browserBody.size()) + "\r\n\r\n" +
        browserBody;
    const HttpRequest parsed = parseWholeRequest(request);
    EXPECT_EQ(parsed.head.path(), "/imghost/");
    const UploadForm form = readUploadForm(parsed.head, parsed.body);
    EXPECT_EQ(form.jpeg, "\xFF\xD8\xFF");
    EXPECT_EQ(form.displayName, "x.jpg");  // only the last part of a Windows path
    EXPECT_EQ(form.keepUntil, (CalendarDate{2024, 2, 29}));
}

}  // namespace
}  // namespace bildheber::imghost
