#include "upload/HttpReply.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "upload/AsciiCase.h"
#include "upload/AsciiSpace.h"
#include "upload/UploadError.h"

namespace bildheber {

namespace {

// Header values and list items are trimmed of HTTP's optional white space.
std::string_view trim(std::string_view text) {
    return trimmed(text, kHttpBlanks);
}

// Buffered reading from the source, with the byte budgets that protect against hostile servers.
class ReplyReader {
  public:
    ReplyReader(ByteSource& source, const ReplyLimits& limits)
        : source_(source),
          headerBudget_(limits.maxHeaderBytes),
          framingBudget_(limits.maxBodyBytes),
          maxBody_(limits.maxBodyBytes) {}

    // One line of the header section without its line end (LF or CR LF); nullopt when the peer
    // closed before a complete line.
    std::optional<std::string> headerLine() { return line(headerBudget_); }

    // One line of the chunked coding's framing (sizes, line ends, trailers). Its budget is the
    // body limit, so that a body in tiny chunks is still bounded.
    std::optional<std::string> framingLine() { return line(framingBudget_); }

    // Appends up to `count` body bytes to `body`; returns how many arrived before the close.
    std::size_t appendBody(std::string& body, std::size_t count) {
        std::size_t done = 0;
        while (done < count) {
            if (pos_ == buffer_.size() && !fill()) {
                break;
            }
            const std::size_t take = std::min(count - done, buffer_.size() - pos_);
            moveToBody(body, take);
            done += take;
        }
        return done;
    }

    void appendUntilClose(std::string& body) {
        while (pos_ < buffer_.size() || fill()) {
            moveToBody(body, buffer_.size() - pos_);
        }
    }

    void ensureBodyRoom(const std::string& body, std::size_t more) const {
        if (more > maxBody_ || body.size() > maxBody_ - more) {
            throw UploadError("reply body too large");
        }
    }

  private:
    // Moves `count` buffered bytes to the body. Its capacity doubles along the limit's halves
    // (..., limit / 4, limit / 2, limit), so that it never exceeds the limit: growing by
    // doubling alone could reserve nearly twice the limit for a body just short of it.
    void moveToBody(std::string& body, std::size_t count) {
        ensureBodyRoom(body, count);
        const std::size_t needed = body.size() + count;
        if (needed > body.capacity()) {
            std::size_t capacity = maxBody_;
            while (capacity / 2 >= std::max(needed, kSmallestBody)) {
                capacity /= 2;
            }
            body.reserve(capacity);
        }
        body.append(buffer_, pos_, count);
        pos_ += count;
    }

    std::optional<std::string> line(std::size_t& budget) {
        std::size_t searched = 0;
        for (;;) {
            const auto lf = buffer_.find('\n', pos_ + searched);
            if (lf != std::string::npos) {
                spend(budget, lf + 1 - pos_);
                std::string text = buffer_.substr(pos_, lf - pos_);
                pos_ = lf + 1;
                if (!text.empty() && text.back() == '\r') {
                    text.pop_back();
                }
                return text;
            }
            searched = buffer_.size() - pos_;
            if (searched > budget) {
                throw UploadError("reply header section too large");
            }
            if (!fill()) {
                return std::nullopt;
            }
        }
    }

    bool fill() {
        if (pos_ > 0 && pos_ == buffer_.size()) {
            buffer_.clear();
            pos_ = 0;
        } else if (pos_ > kChunk) {
            buffer_.erase(0, pos_);
            pos_ = 0;
        }
        const std::size_t old = buffer_.size();
        buffer_.resize(old + kChunk);
        const std::size_t got = source_.read(buffer_.data() + old, kChunk);
        buffer_.resize(old + got);
        return got > 0;
    }

    static void spend(std::size_t& budget, std::size_t bytes) {
        if (bytes > budget) {
            throw UploadError("reply header section too large");
        }
        budget -= bytes;
    }

    static constexpr std::size_t kChunk = std::size_t{16} << 10;
    static constexpr std::size_t kSmallestBody = std::size_t{4} << 10;
    ByteSource& source_;
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t headerBudget_;
    std::size_t framingBudget_;
    std::size_t maxBody_;
};

// "HTTP/1.1 200 OK" gives 200. Anything without "HTTP/", a version and a three-digit code is not
// a status line.
int parseStatusLine(std::string_view line) {
    if (line.substr(0, 5) != "HTTP/") {
        throw UploadError("reply has no HTTP status line");
    }
    const auto blank = line.find(' ');
    if (blank == std::string_view::npos) {
        throw UploadError("reply status line has no status code");
    }
    std::string_view rest = line.substr(blank);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const bool threeDigits =
        rest.size() >= 3 &&
        std::all_of(rest.begin(), rest.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }) &&
        (rest.size() == 3 || rest[3] == ' ' || rest[3] == '\t');
    if (!threeDigits) {
        throw UploadError("reply status line has no status code");
    }
    return (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
}

void readHeaders(ReplyReader& reader, HttpReply& reply) {
    for (;;) {
        auto line = reader.headerLine();
        if (!line) {
            throw UploadError("connection closed within the reply headers");
        }
        if (line->empty()) {
            return;
        }
        if ((line->front() == ' ' || line->front() == '\t') && !reply.headers.empty()) {
            // An old-style continuation line belongs to the header before it.
            auto& value = reply.headers.back().second;
            const std::string_view more = trim(*line);
            if (!more.empty()) {
                value += value.empty() ? "" : " ";
                value += more;
            }
            continue;
        }
        const auto colon = line->find(':');
        if (colon == std::string::npos) {
            continue;  // not a header line; nothing to learn from it
        }
        reply.headers.emplace_back(std::string(trim(std::string_view(*line).substr(0, colon))),
                                   std::string(trim(std::string_view(*line).substr(colon + 1))));
    }
}

HttpReply readStatusAndHeaders(ReplyReader& reader) {
    for (;;) {
        std::optional<std::string> line;
        do {
            line = reader.headerLine();  // tolerate empty lines before a status line
        } while (line && line->empty());
        if (!line) {
            throw UploadError("connection closed without a reply");
        }
        HttpReply reply;
        reply.status = parseStatusLine(*line);
        readHeaders(reader, reply);
        if (reply.status != 100) {
            return reply;
        }
    }
}

bool isChunked(const HttpReply& reply) {
    const auto codings = reply.header("Transfer-Encoding");
    if (!codings) {
        return false;
    }
    const auto comma = codings->rfind(',');
    const std::string_view last =
        trim(comma == std::string::npos ? std::string_view(*codings)
                                        : std::string_view(*codings).substr(comma + 1));
    return equalsIgnoringAsciiCase(last, "chunked");
}

std::optional<std::size_t> contentLength(const HttpReply& reply) {
    const auto value = reply.header("Content-Length");
    if (!value) {
        return std::nullopt;
    }
    std::size_t length = 0;
    const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), length);
    if (error != std::errc() || end != value->data() + value->size() || value->empty()) {
        throw UploadError("malformed Content-Length in the reply");
    }
    return length;
}

std::size_t parseChunkSize(std::string_view line) {
    const auto end = std::min(line.find(';'), line.size());  // chunk extensions are ignored
    const std::string_view digits = trim(line.substr(0, end));
    std::size_t size = 0;
    const auto [stop, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), size, 16);
    if (digits.empty() || error != std::errc() || stop != digits.data() + digits.size()) {
        throw UploadError("malformed chunk size in the reply");
    }
    return size;
}

// Chunked transfer coding. A body cut short by the peer's close ends with what arrived.
void readChunkedBody(ReplyReader& reader, std::string& body) {
    for (;;) {
        const auto sizeLine = reader.framingLine();
        if (!sizeLine) {
            return;
        }
        const std::size_t size = parseChunkSize(*sizeLine);
        if (size == 0) {
            break;
        }
        reader.ensureBodyRoom(body, size);
        if (reader.appendBody(body, size) < size) {
            return;
        }
        const auto end = reader.framingLine();  // the line end after the chunk data
        if (!end) {
            return;
        }
        if (!end->empty()) {
            throw UploadError("malformed chunk in the reply");
        }
    }
    // Trailer fields up to the empty line; their content is not needed.
    for (auto line = reader.framingLine(); line && !line->empty(); line = reader.framingLine()) {
    }
}

bool hasBody(int status) {
    return status != 204 && status != 304 && (status < 100 || status > 199);
}

}  // namespace

std::optional<std::string> HttpReply::header(std::string_view name) const {
    for (const auto& [key, value] : headers) {
        if (equalsIgnoringAsciiCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
}

HttpReply readReply(ByteSource& source, const ReplyLimits& limits) {
    ReplyReader reader(source, limits);
    HttpReply reply = readStatusAndHeaders(reader);
    if (!hasBody(reply.status)) {
        return reply;
    }
    if (isChunked(reply)) {
        readChunkedBody(reader, reply.body);
    } else if (const auto length = contentLength(reply)) {
        // Only a claim: the body takes memory as its bytes arrive, not as announced.
        reader.ensureBodyRoom(reply.body, *length);
        reader.appendBody(reply.body, *length);
    } else {
        reader.appendUntilClose(reply.body);
    }
    return reply;
}

}  // namespace bildheber
