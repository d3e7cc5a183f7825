#include "imghost/Multipart.h"

#include <algorithm>
#include <functional>

#include "imghost/AsciiText.h"
#include "imghost/BadRequest.h"
#include "imghost/HeaderParameters.h"

namespace bildheber::imghost {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::size_t kMaxBoundaryLength = 70;

bool isBoundaryChar(char c) {
    static constexpr std::string_view kPunctuation = "'()+_,-./:=? ";
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           kPunctuation.find(c) != std::string_view::npos;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Finds "CR LF -- boundary" quickly in bodies of many MiB.
class DelimiterFinder {
  public:
    explicit DelimiterFinder(std::string_view boundary)
        : delimiter_("\r\n--" + std::string(boundary)),
          searcher_(delimiter_.begin(), delimiter_.end()) {}

    std::size_t find(std::string_view text, std::size_t from) const {
        const auto found =
            std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), searcher_);
        return found == text.end() ? std::string_view::npos
                                   : static_cast<std::size_t>(found - text.begin());
    }
    std::size_t size() const { return delimiter_.size(); }
    // The delimiter without its leading line break, as the first boundary line has it.
    std::string_view dashBoundary() const {
        return std::string_view(delimiter_).substr(kCrLf.size());
    }

  private:
    std::string delimiter_;
    std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher_;
};

std::vector<std::string> unfoldLines(std::string_view head) {
    std::vector<std::string> lines;
    while (!head.empty()) {
        const std::size_t end = head.find(kCrLf);
        const std::string_view line = head.substr(0, end);
        head.remove_prefix(end == std::string_view::npos ? head.size() : end + kCrLf.size());
        if (!line.empty() && isBlank(line.front())) {
            if (lines.empty()) {
                throw BadRequest("part header section starts with a continuation line");
            }
            lines.back() += line;  // unfolding removes the line break, keeps the blank
            continue;
        }
        lines.emplace_back(line);
    }
    return lines;
}

std::vector<std::pair<std::string, std::string>> parsePartHeaders(std::string_view head) {
    std::vector<std::pair<std::string, std::string>> headers;
    for (const std::string& line : unfoldLines(head)) {
        const std::size_t colon = line.find(':');
        const std::string_view name = std::string_view(line).substr(0, colon);
        if (colon == std::string::npos || !isToken(name)) {
            throw BadRequest("malformed part header line");
        }
        headers.emplace_back(name, trimBlanks(std::string_view(line).substr(colon + 1)));
    }
    return headers;
}

FormPart makePart(std::string_view head, std::string_view content) {
    FormPart part;
    part.headers = parsePartHeaders(head);
    part.content = content;
    const std::optional<std::string> disposition = part.header("Content-Disposition");
    if (!disposition) {
        throw BadRequest("part without Content-Disposition");
    }
    const ParameterizedValue parsed = parseParameterizedValue(*disposition);
    if (!equalsIgnoringAsciiCase(parsed.value, "form-data")) {
        throw BadRequest("part is not form-data");
    }
    const std::optional<std::string> name = parsed.parameter("name");
    if (!name || name->empty()) {
        throw BadRequest("part without a field name");
    }
    part.name = *name;
    part.fileName = parsed.parameter("filename");
    return part;
}

// Where the first boundary line starts: at the very beginning, or after a preamble.
std::size_t firstBoundaryLine(std::string_view body, const DelimiterFinder& delimiters) {
    if (body.starts_with(delimiters.dashBoundary())) {
        return 0;
    }
    const std::size_t found = delimiters.find(body, 0);
    if (found == std::string_view::npos) {
        throw BadRequest("multipart body without a boundary line");
    }
    return found + kCrLf.size();
}

}  // namespace

std::optional<std::string> FormPart::header(std::string_view headerName) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringAsciiCase(key, headerName)) {
            return value;
        }
    }
    return std::nullopt;
}

std::string formDataBoundary(std::string_view contentType) {
    const ParameterizedValue parsed = parseParameterizedValue(contentType);
    if (!equalsIgnoringAsciiCase(parsed.value, "multipart/form-data")) {
        throw BadRequest("Content-Type is not multipart/form-data");
    }
    const std::optional<std::string> boundary = parsed.parameter("boundary");
    if (!boundary) {
        throw BadRequest("multipart Content-Type without a boundary");
    }
    if (boundary->empty() || boundary->size() > kMaxBoundaryLength || boundary->back() == ' ' ||
        !std::all_of(boundary->begin(), boundary->end(), isBoundaryChar)) {
        throw BadRequest("malformed multipart boundary");
    }
    return *boundary;
}

std::vector<FormPart> parseFormData(std::string_view body, std::string_view boundary,
                                    const MultipartLimits& limits) {
    const DelimiterFinder delimiters(boundary);
    std::vector<FormPart> parts;
    std::size_t position = firstBoundaryLine(body, delimiters) + delimiters.dashBoundary().size();
    for (;;) {
        std::string_view rest = body.substr(position);
        if (rest.starts_with("--")) {
            return parts;  // the closing line; what follows is epilogue
        }
        while (!rest.empty() && isBlank(rest.front())) {
            rest.remove_prefix(1);  // transport padding
        }
        if (!rest.starts_with(kCrLf)) {
            throw BadRequest("malformed multipart boundary line");
        }
        rest.remove_prefix(kCrLf.size());
        if (parts.size() == limits.maxParts) {
            throw BadRequest("too many multipart parts");
        }
        // A part without header lines starts with the empty line itself.
        const std::size_t headEnd = rest.starts_with(kCrLf) ? 0 : rest.find(kHeadEnd);
        if (headEnd == std::string_view::npos || headEnd > limits.maxPartHeadBytes) {
            throw BadRequest("malformed or oversized part header section");
        }
        const std::size_t contentStart = headEnd + (headEnd == 0 ? kCrLf.size() : kHeadEnd.size());
        const std::size_t restStart = body.size() - rest.size();
        const std::size_t delimiter = delimiters.find(body, restStart + contentStart);
        if (delimiter == std::string_view::npos) {
            throw BadRequest("multipart body not closed");
        }
        parts.push_back(
            makePart(rest.substr(0, headEnd),
                     body.substr(restStart + contentStart, delimiter - restStart - contentStart)));
        position = delimiter + delimiters.size();
    }
}

}  // namespace bildheber::imghost
