#pragma once

#include <string>

namespace bildheber {

// One row of the upload queue, its texts in column order.
struct UploadEntry {
    std::string path;
    std::string sizeText;   // "1464 KB"
    std::string pixelText;  // "4000x3000"
    std::string scaleText;  // "10%"
    std::string status = "-";
    std::string forumCode;
};

// The values of UploadEntry::status.
namespace entry_status {
inline constexpr const char* kQueued = "-";
inline constexpr const char* kSending = "Sende Datei...";
inline constexpr const char* kDone = "Fertig.";
inline constexpr const char* kError = "Error!";
}  // namespace entry_status

}  // namespace bildheber
