#include "upload/UploadRequest.h"

#include <cstdio>
#include <optional>

#include "platform/Paths.h"
#include "upload/HeaderFileName.h"

namespace bildheber {

namespace {

constexpr std::string_view kCrLf = "\r\n";

ExpiryFields datedFields(int day, int month, int year) {
    return {"1", std::to_string(day), std::to_string(month), std::to_string(year)};
}

// The image host takes the day as it is; only a day past the 28th of February is pulled back.
int expiryDay(const LocalTime& today) {
    return (today.month == 2 && today.day > 28) ? 28 : today.day;
}

// The part's boundary line and its Content-Disposition line; a file part also names its file.
void appendPartHeader(std::string& body, std::string_view boundary, std::string_view name,
                      std::optional<std::string_view> fileName = std::nullopt) {
    body += "--";
    body += boundary;
    body += kCrLf;
    body += "Content-Disposition: form-data; name=\"";
    body += name;
    body += '"';
    if (fileName) {  // also when it is empty
        body += "; filename=\"";
        body += *fileName;
        body += '"';
    }
    body += kCrLf;
}

void appendTextField(std::string& body, std::string_view boundary, std::string_view name,
                     std::string_view value) {
    appendPartHeader(body, boundary, name);
    body += "Content-Type: text/plain\r\n";
    body += "Content-Transfer-Encoding: quoted-printable\r\n";
    body += kCrLf;
    body += value;  // digits and "." only: their quoted-printable form is the value itself
    body += kCrLf;
}

void appendFileField(std::string& body, std::string_view boundary, const UploadPicture& picture) {
    const std::string fileName = encodeHeaderFileName(fileNamePart(picture.path));
    appendPartHeader(body, boundary, "file", fileName);
    body += "Content-Type: image/jpeg\r\n";
    body += "Content-Transfer-Encoding: binary\r\n";
    body += kCrLf;
    body += picture.jpegBytes;
    body += kCrLf;
}

}  // namespace

ExpiryFields expiryFields(ExpiryChoice expiry, const LocalTime& today) {
    switch (expiry) {
        case ExpiryChoice::TwelveMonths:
            return datedFields(expiryDay(today), today.month, today.year + 1);
        case ExpiryChoice::SixWeeks: {
            // "6 Wochen" is two calendar months on; the day is not fitted to the target month.
            const bool nextYear = today.month + 2 > 12;
            return datedFields(expiryDay(today), nextYear ? today.month + 2 - 12 : today.month + 2,
                               nextYear ? today.year + 1 : today.year);
        }
        case ExpiryChoice::Never:
            break;
    }
    return {"0", "31", "12", "2100"};
}

std::string multipartBoundary(const LocalTime& now) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d%03d", now.month % 100,
                  now.day % 100, now.year % 100, now.hour % 100, now.minute % 100, now.second % 100,
                  now.millisecond % 1000);
    return std::string("--------") + digits;
}

std::string buildUploadBody(const UploadPicture& picture, ExpiryChoice expiry,
                            const LocalTime& now) {
    const std::string boundary = multipartBoundary(now);
    const ExpiryFields dates = expiryFields(expiry, now);
    std::string body;
    body.reserve(picture.jpegBytes.size() + 1024);
    appendTextField(body, boundary, "scale", "0.5");
    appendTextField(body, boundary, "alt", "");
    appendTextField(body, boundary, "datumaktiv", dates.datumaktiv);
    appendTextField(body, boundary, "tag", dates.tag);
    appendTextField(body, boundary, "monat", dates.monat);
    appendTextField(body, boundary, "jahr", dates.jahr);
    appendFileField(body, boundary, picture);
    body += "--";
    body += boundary;
    body += "--\r\n";
    return body;
}

std::string buildUploadRequest(std::string_view host, const UploadPicture& picture,
                               ExpiryChoice expiry, const LocalTime& now) {
    const std::string body = buildUploadBody(picture, expiry, now);
    std::string request;
    request.reserve(body.size() + 512);
    request += "POST /imghost/ HTTP/1.0\r\n";
    request += "Content-Type: multipart/form-data; boundary=" + multipartBoundary(now) + "\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "Host: " + std::string(host) + "\r\n";
    request += "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
    request += "Accept-Encoding: identity\r\n";
    request += "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    request += kCrLf;
    request += body;
    return request;
}

}  // namespace bildheber
