#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "upload/ByteSource.h"

namespace bildheber {

struct ReplyLimits {
    // A real reply page is a few KiB; anything far beyond is a hostile or broken server.
    std::size_t maxHeaderBytes = std::size_t{1} << 20;
    // Also the limit of the body's text in UTF-8. Hundreds of times a real page, and still small:
    // the text of a page without forum code is copied into the entry's failure text and the log,
    // so each byte allowed here can cost several at the peak.
    std::size_t maxBodyBytes = std::size_t{1} << 20;
};

struct HttpReply {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;  // in arrival order, values trimmed
    std::string body;                                          // as sent: no content coding undone

    // The value of the first header of that name (names compare without regard to case).
    std::optional<std::string> header(std::string_view name) const;
};

// Reads the final reply from `source`: interim 100 replies are skipped, then the status line,
// the headers and the body (chunked, Content-Length or up to the close; none for 204 and 304).
// A body cut short by the peer's close is returned as far as it arrived. Throws UploadError for an
// unreadable status line, a malformed chunk, or a header section or body beyond `limits`.
HttpReply readReply(ByteSource& source, const ReplyLimits& limits = {});

}  // namespace bildheber
