#include "imghost/UploadForm.h"

#include <array>
#include <charconv>

#include "imghost/AsciiText.h"
#include "imghost/BadRequest.h"
#include "imghost/DisplayName.h"

namespace bildheber::imghost {

namespace {

constexpr std::array<std::string_view, 7> kFieldNames = {"scale", "alt",  "datumaktiv", "tag",
                                                         "monat", "jahr", "file"};

std::string decodeQuotedPrintable(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.substr(i + 1, 2) == "\r\n") {
            i += 2;  // soft line break
        } else if (i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
                   hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            throw BadRequest("malformed quoted-printable value");
        }
    }
    return out;
}

bool isIdentityEncoding(std::string_view encoding) {
    return encoding.empty() || equalsIgnoringAsciiCase(encoding, "binary") ||
           equalsIgnoringAsciiCase(encoding, "8bit") || equalsIgnoringAsciiCase(encoding, "7bit");
}

std::string textValue(const FormPart& part) {
    const std::string encoding = part.header("Content-Transfer-Encoding").value_or("");
    if (equalsIgnoringAsciiCase(encoding, "quoted-printable")) {
        return decodeQuotedPrintable(part.content);
    }
    if (!isIdentityEncoding(encoding)) {
        throw BadRequest("unsupported Content-Transfer-Encoding in field \"" + part.name + "\"");
    }
    return std::string(part.content);
}

// The parts of the seven fields, in the order of kFieldNames.
std::array<const FormPart*, 7> findFields(const std::vector<FormPart>& parts) {
    std::array<const FormPart*, 7> found{};
    for (const FormPart& part : parts) {
        for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
            if (part.name != kFieldNames[i]) {
                continue;
            }
            if (found[i] != nullptr) {
                throw BadRequest("repeated field \"" + part.name + "\"");
            }
            found[i] = &part;
        }
    }
    for (std::size_t i = 0; i < kFieldNames.size(); ++i) {
        if (found[i] == nullptr) {
            throw BadRequest("missing field \"" + std::string(kFieldNames[i]) + "\"");
        }
    }
    return found;
}

int numberField(const FormPart& part, int low, int high) {
    const std::string text = textValue(part);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (!isDigits(text) || error != std::errc() || end != text.data() + text.size() ||
        value < low || value > high) {
        throw BadRequest("field \"" + part.name + "\" must be a number from " +
                         std::to_string(low) + " to " + std::to_string(high));
    }
    return value;
}

std::optional<CalendarDate> keepUntil(const FormPart& active, const FormPart& day,
                                      const FormPart& month, const FormPart& year) {
    const std::string flag = textValue(active);
    if (flag == "0") {
        return std::nullopt;  // kept for good; the date fields are not looked at
    }
    if (flag != "1") {
        throw BadRequest("field \"datumaktiv\" must be 0 or 1");
    }
    return fitToMonth(numberField(year, 1, 9999), numberField(month, 1, 12),
                      numberField(day, 1, 31));
}

std::string_view jpegContent(const FormPart& file) {
    if (!isIdentityEncoding(file.header("Content-Transfer-Encoding").value_or(""))) {
        throw BadRequest("unsupported Content-Transfer-Encoding of the file");
    }
    if (!file.content.starts_with("\xFF\xD8")) {
        throw BadRequest("the file is not a JPEG picture");
    }
    return file.content;
}

}  // namespace

UploadForm readUploadForm(const std::vector<FormPart>& parts) {
    const auto [scale, alt, active, day, month, year, file] = findFields(parts);
    textValue(*scale);  // not used, but must be readable like the others
    textValue(*alt);
    UploadForm form;
    form.keepUntil = keepUntil(*active, *day, *month, *year);
    form.jpeg = jpegContent(*file);
    form.displayName = displayFileName(file->fileName.value_or(""));
    return form;
}

UploadForm readUploadForm(const RequestHead& head, std::string_view body) {
    const std::optional<std::string> contentType = head.header("Content-Type");
    if (!contentType) {
        throw BadRequest("Content-Type missing");
    }
    return readUploadForm(parseFormData(body, formDataBoundary(*contentType)));
}

}  // namespace bildheber::imghost
