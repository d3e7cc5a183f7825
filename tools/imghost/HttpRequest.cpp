#include "imghost/HttpRequest.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "imghost/AsciiText.h"
#include "imghost/BadRequest.h"

namespace bildheber::imghost {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";

bool isTargetChar(char c) {
    return c > 32 && c < 127;
}

// Header values may hold blanks, tabs and bytes above 127, but no other control characters: a
// stray CR, LF or NUL there is a sign of request smuggling or a broken client.
bool isValueChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 32 && byte != 127);
}

std::vector<std::string_view> splitLines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const std::size_t end = head.find(kCrLf);
        if (end == std::string_view::npos) {
            throw BadRequest("header section does not end with an empty line");
        }
        lines.push_back(head.substr(0, end));
        head.remove_prefix(end + kCrLf.size());
    }
    return lines;
}

void parseRequestLine(std::string_view line, RequestHead& head) {
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
    if (second == std::string_view::npos || line.find(' ', second + 1) != std::string_view::npos) {
        throw BadRequest("malformed request line");
    }
    const std::string_view method = line.substr(0, first);
    const std::string_view target = line.substr(first + 1, second - first - 1);
    const std::string_view version = line.substr(second + 1);
    if (!isToken(method)) {
        throw BadRequest("malformed method");
    }
    if (target.empty() || target.front() != '/' ||
        !std::all_of(target.begin(), target.end(), isTargetChar)) {
        throw BadRequest("malformed request target");
    }
    if (version != "HTTP/1.0" && version != "HTTP/1.1") {
        throw BadRequest("unsupported HTTP version");
    }
    head.method = method;
    head.target = target;
    head.version = version;
}

std::pair<std::string, std::string> parseHeaderLine(std::string_view line) {
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        throw BadRequest("folded header line");
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !isToken(line.substr(0, colon))) {
        throw BadRequest("malformed header line");
    }
    const std::string_view value = line.substr(colon + 1);
    if (!std::all_of(value.begin(), value.end(), isValueChar)) {
        throw BadRequest("control character in a header value");
    }
    return {std::string(line.substr(0, colon)), std::string(trimBlanks(value))};
}

std::size_t parseLength(std::string_view text, const RequestLimits& limits) {
    // Ten digits cannot overflow std::size_t here and are far beyond any body we take.
    if (!isDigits(text) || text.size() > 10) {
        throw BadRequest("malformed Content-Length");
    }
    std::uint64_t length = 0;
    std::from_chars(text.data(), text.data() + text.size(), length);
    if (length > limits.maxBodyBytes) {
        throw BadRequest("body too large");
    }
    return static_cast<std::size_t>(length);
}

}  // namespace

std::optional<std::string> RequestHead::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringAsciiCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string_view RequestHead::path() const {
    const std::string_view whole = target;
    return whole.substr(0, whole.find('?'));
}

std::optional<std::size_t> findBodyStart(std::string_view received, const RequestLimits& limits) {
    const std::size_t end = received.substr(0, limits.maxHeadBytes).find(kHeadEnd);
    if (end != std::string_view::npos) {
        return end + kHeadEnd.size();
    }
    if (received.size() >= limits.maxHeadBytes) {
        throw BadRequest("header section too large");
    }
    return std::nullopt;
}

RequestHead parseRequestHead(std::string_view head) {
    if (!head.ends_with(kHeadEnd)) {
        throw BadRequest("header section does not end with an empty line");
    }
    head.remove_suffix(kCrLf.size());  // the empty line
    const std::vector<std::string_view> lines = splitLines(head);
    RequestHead parsed;
    parseRequestLine(lines.front(), parsed);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        parsed.headers.push_back(parseHeaderLine(lines[i]));
    }
    return parsed;
}

std::size_t bodyLength(const RequestHead& head, const RequestLimits& limits) {
    if (head.header("Transfer-Encoding")) {
        throw BadRequest("Transfer-Encoding is not supported; send Content-Length");
    }
    std::optional<std::size_t> length;
    for (const auto& [name, value] : head.headers) {
        if (!equalsIgnoringAsciiCase(name, "Content-Length")) {
            continue;
        }
        const std::size_t thisLength = parseLength(value, limits);
        if (length && *length != thisLength) {
            throw BadRequest("conflicting Content-Length headers");
        }
        length = thisLength;
    }
    if (!length && head.method == "POST") {
        throw BadRequest("Content-Length missing");
    }
    return length.value_or(0);
}

HttpRequest parseWholeRequest(std::string_view bytes, const RequestLimits& limits) {
    const std::optional<std::size_t> bodyStart = findBodyStart(bytes, limits);
    if (!bodyStart) {
        throw BadRequest("header section does not end with an empty line");
    }
    HttpRequest request{parseRequestHead(bytes.substr(0, *bodyStart)), {}};
    const std::size_t length = bodyLength(request.head, limits);
    const std::string_view rest = bytes.substr(*bodyStart);
    if (rest.size() < length) {
        throw BadRequest("body shorter than Content-Length");
    }
    if (rest.size() > length) {
        throw BadRequest("bytes after the body");
    }
    request.body = rest;
    return request;
}

}  // namespace bildheber::imghost
