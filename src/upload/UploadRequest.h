#pragma once

#include <string>
#include <string_view>

#include "platform/LocalClock.h"
#include "upload/ExpiryChoice.h"

namespace bildheber {

// The values of the form fields "datumaktiv", "tag", "monat" and "jahr".
struct ExpiryFields {
    std::string datumaktiv;
    std::string tag;
    std::string monat;
    std::string jahr;
};

ExpiryFields expiryFields(ExpiryChoice expiry, const LocalTime& today);

// "--------" followed by month, day, two-digit year, hour, minute, second (2 digits each) and
// millisecond (3 digits).
std::string multipartBoundary(const LocalTime& now);

// The picture of one upload: the queue entry's path (only its file name is sent) and the bytes
// of the re-encoded JPEG file. One struct, so that the two can never be passed swapped.
struct UploadPicture {
    std::string_view path;
    std::string_view jpegBytes;
};

// The multipart/form-data body with the seven fields in the order the image host expects.
std::string buildUploadBody(const UploadPicture& picture, ExpiryChoice expiry,
                            const LocalTime& now);

// The complete request: request line, the six header lines, the empty line and the body.
std::string buildUploadRequest(std::string_view host, const UploadPicture& picture,
                               ExpiryChoice expiry, const LocalTime& now);

}  // namespace bildheber
