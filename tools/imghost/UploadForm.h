#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imghost/CalendarDate.h"
#include "imghost/HttpRequest.h"
#include "imghost/Multipart.h"

namespace bildheber::imghost {

// What an upload asks for, taken from its seven form fields "scale", "alt", "datumaktiv",
// "tag", "monat", "jahr" and "file".
struct UploadForm {
    std::string_view jpeg;    // the file part's bytes, pointing into the request body
    std::string displayName;  // the decoded file name, for pages only
    // The last day the picture is kept ("datumaktiv" 1 with "tag", "monat", "jahr"); a day the
    // month does not have counts as the month's last day. Nothing for "datumaktiv" 0.
    std::optional<CalendarDate> keepUntil;
};

// Reads the fields from the parts. Every one of the seven fields must be there exactly once
// (others are ignored); text values may be quoted-printable. Throws BadRequest for a missing or
// repeated field, a bad expiry value, or a file that does not start like a JPEG (FF D8).
UploadForm readUploadForm(const std::vector<FormPart>& parts);

// The same for a request: boundary from its Content-Type, then the body's parts.
UploadForm readUploadForm(const RequestHead& head, std::string_view body);

}  // namespace bildheber::imghost
