#pragma once

#include <string>
#include <string_view>

#include "upload/ExpiryChoice.h"
#include "upload/LocalTimestamp.h"

namespace bildheber {

// The values of the form fields "datumaktiv", "tag", "monat" and "jahr".
struct ExpiryFields {
    std::string datumaktiv;
    std::string tag;
    std::string monat;
    std::string jahr;
};

ExpiryFields expiryFields(ExpiryChoice expiry, const LocalTimestamp& today);

// "--------" followed by month, day, two-digit year, hour, minute, second (2 digits each) and
// millisecond (3 digits).
std::string multipartBoundary(const LocalTimestamp& now);

// The multipart/form-data body with the seven fields in the order the image host expects.
std::string buildUploadBody(std::string_view path, std::string_view jpegBytes, ExpiryChoice expiry,
                            const LocalTimestamp& now);

// The complete request: request line, the six header lines, the empty line and the body.
std::string buildUploadRequest(std::string_view host, std::string_view path,
                               std::string_view jpegBytes, ExpiryChoice expiry,
                               const LocalTimestamp& now);

}  // namespace bildheber
