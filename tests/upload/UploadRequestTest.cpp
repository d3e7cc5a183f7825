#include "upload/UploadRequest.h"

#include <gtest/gtest.h>

#include <string>

namespace bildheber {
namespace {

LocalTime at(int year, int month, int day, int hour = 12, int minute = 0, int second = 0,
             int millisecond = 0) {
    return LocalTime{year, month, day, hour, minute, second, millisecond};
}

TEST(ExpiryFields, FollowTheImageHostsCalendarRules) {
    struct Case {
        ExpiryChoice expiry;
        LocalTime today;
        const char* datumaktiv;
        const char* tag;
        const char* monat;
        const char* jahr;
    } cases[] = {
        {ExpiryChoice::Never, at(2024, 2, 29), "0", "31", "12", "2100"},
        {ExpiryChoice::Never, at(2031, 7, 4), "0", "31", "12", "2100"},
        {ExpiryChoice::TwelveMonths, at(2024, 2, 29), "1", "28", "2", "2025"},
        {ExpiryChoice::TwelveMonths, at(2024, 3, 31), "1", "31", "3", "2025"},
        {ExpiryChoice::TwelveMonths, at(2024, 1, 5), "1", "5", "1", "2025"},
        {ExpiryChoice::SixWeeks, at(2024, 2, 29), "1", "28", "4", "2024"},
        {ExpiryChoice::SixWeeks, at(2024, 1, 30), "1", "30", "3", "2024"},
        // The day is not fitted to the target month: the image host gets "31 September".
        {ExpiryChoice::SixWeeks, at(2024, 7, 31), "1", "31", "9", "2024"},
        {ExpiryChoice::SixWeeks, at(2024, 10, 31), "1", "31", "12", "2024"},
        {ExpiryChoice::SixWeeks, at(2024, 11, 30), "1", "30", "1", "2025"},
        {ExpiryChoice::SixWeeks, at(2024, 12, 30), "1", "30", "2", "2025"},
        {ExpiryChoice::SixWeeks, at(2024, 12, 31), "1", "31", "2", "2025"},
    };
    for (const auto& c : cases) {
        const ExpiryFields fields = expiryFields(c.expiry, c.today);
        SCOPED_TRACE(std::to_string(static_cast<int>(c.expiry)) + " on " +
                     std::to_string(c.today.day) + "." + std::to_string(c.today.month) + "." +
                     std::to_string(c.today.year));
        EXPECT_EQ(fields.datumaktiv, c.datumaktiv);
        EXPECT_EQ(fields.tag, c.tag);
        EXPECT_EQ(fields.monat, c.monat);
        EXPECT_EQ(fields.jahr, c.jahr);
    }
}

TEST(MultipartBoundary, IsEightHyphensAndTheZeroPaddedLocalTime) {
    EXPECT_EQ(multipartBoundary(at(2014, 3, 5, 14, 7, 9, 45)), "--------030514140709045");
    EXPECT_EQ(multipartBoundary(at(2009, 12, 31, 23, 59, 59, 999)), "--------123109235959999");
    EXPECT_EQ(multipartBoundary(at(2100, 1, 1, 0, 0, 0, 0)), "--------010100000000000");
}

// A photo's full path as the system names it; only its file name goes into the request.
#ifdef _WIN32
constexpr const char* kPhotoPath = "C:\\Users\\anna\\Mein B\xC3\xA4r.jpg";
#else
constexpr const char* kPhotoPath = "/home/anna/Mein B\xC3\xA4r.jpg";
#endif

// The image host receives exactly these bytes; any change to them is a change of the protocol.
TEST(BuildUploadRequest, ProducesTheExactRequestBytes) {
    const std::string jpeg("\xFF\xD8\x00\r\n--\xFF\xD9", 9);  // binary, with NUL and CR LF
    const std::string request =
        buildUploadRequest("bilder.example.org", {kPhotoPath, jpeg}, ExpiryChoice::SixWeeks,
                           at(2024, 12, 31, 9, 8, 7, 6));
    const std::string body =
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"scale\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "0.5\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"alt\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"datumaktiv\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "1\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"tag\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "31\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"monat\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "2\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"jahr\"\r\n"
        "Content-Type: text/plain\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "2025\r\n"
        "----------123124090807006\r\n"
        "Content-Disposition: form-data; name=\"file\"; filename=\"Mein "
        "=?UTF-8?B?QsOkci5qcGc=?=\"\r\n"
        "Content-Type: image/jpeg\r\n"
        "Content-Transfer-Encoding: binary\r\n"
        "\r\n" +
        jpeg +
        "\r\n"
        "----------123124090807006--\r\n";
    const std::string expected =
        "POST /imghost/ HTTP/1.0\r\n"
        "Content-Type: multipart/form-data; boundary=--------123124090807006\r\n"
        "Content-Length: " +
        std::to_string(body.size()) +
        "\r\n"
        "Host: bilder.example.org\r\n"
        "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
        "Accept-Encoding: identity\r\n"
        "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
        "\r\n" +
        body;
    EXPECT_EQ(request, expected);
}

TEST(BuildUploadBody, SendsAnEmptyPictureAsAnEmptyFilePart) {
    const std::string body = buildUploadBody({"x.jpg", ""}, ExpiryChoice::Never, at(2024, 1, 1));
    EXPECT_NE(
        body.find("filename=\"x.jpg\"\r\nContent-Type: image/jpeg\r\n"
                  "Content-Transfer-Encoding: binary\r\n\r\n\r\n----------010124120000000--\r\n"),
        std::string::npos);
}

}  // namespace
}  // namespace bildheber
