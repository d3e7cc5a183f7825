#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bildheber::imghost {

struct RequestLimits {
    std::size_t maxHeadBytes = std::size_t{64} << 10;  // request line and headers
    std::size_t maxBodyBytes = std::size_t{32} << 20;  // a re-encoded photo is far smaller
};

struct RequestHead {
    std::string method;   // "GET", "POST", ...
    std::string target;   // as sent, such as "/imghost/i/NAME.jpg?x"
    std::string version;  // "HTTP/1.0" or "HTTP/1.1"
    std::vector<std::pair<std::string, std::string>> headers;  // arrival order, values trimmed

    // The value of the first header of that name (names compare without regard to case).
    std::optional<std::string> header(std::string_view name) const;
    // The target without its query.
    std::string_view path() const;
};

// Where the body starts in the bytes received so far (just past the empty line), or nothing
// while the header section is still incomplete. Throws BadRequest once the header section has
// grown past the limit without ending.
std::optional<std::size_t> findBodyStart(std::string_view received, const RequestLimits& limits);

// Parses the header section up to and including its empty line. Lines end with CR LF; folded
// header lines, control characters and malformed names are refused with BadRequest.
RequestHead parseRequestHead(std::string_view head);

// The number of body bytes that follow the head: Content-Length, which POST requires. Throws
// BadRequest for a missing, malformed, conflicting or oversized length and for Transfer-Encoding.
std::size_t bodyLength(const RequestHead& head, const RequestLimits& limits);

struct HttpRequest {
    RequestHead head;
    std::string_view body;
};

// The three steps above on a request received whole; bytes beyond the announced body or a body
// cut short are refused as well. For tests and the fuzzer; the server reads piece by piece.
HttpRequest parseWholeRequest(std::string_view bytes, const RequestLimits& limits = {});

}  // namespace bildheber::imghost
