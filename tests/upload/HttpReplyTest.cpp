#include "upload/HttpReply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

#include "upload/UploadError.h"

namespace bildheber {
namespace {

// Hands out a fixed text in pieces of at most `piece` bytes, as a slow network would.
class PiecewiseSource : public ByteSource {
  public:
    PiecewiseSource(std::string data, std::size_t piece) : data_(std::move(data)), piece_(piece) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min({size, piece_, data_.size() - pos_});
        std::copy_n(data_.data() + pos_, n, buffer);
        pos_ += n;
        return n;
    }

  private:
    std::string data_;
    std::size_t piece_;
    std::size_t pos_ = 0;
};

HttpReply readFrom(const std::string& raw, std::size_t piece = 7, ReplyLimits limits = {}) {
    PiecewiseSource source(raw, piece);
    return readReply(source, limits);
}

// A server that never stops: `head`, then 'x' for ever, in pieces of 16 KiB. Counts its bytes.
class EndlessSource : public ByteSource {
  public:
    explicit EndlessSource(std::string head) : head_(std::move(head)) {}
    std::size_t read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, std::size_t{16384});
        for (std::size_t i = 0; i < n; ++i, ++handedOut_) {
            buffer[i] = handedOut_ < head_.size() ? head_[handedOut_] : 'x';
        }
        return n;
    }
    std::size_t handedOut() const { return handedOut_; }

  private:
    std::string head_;
    std::size_t handedOut_ = 0;
};

TEST(ReadReply, ReadsStatusHeadersAndEveryKindOfBody) {
    struct Case {
        const char* name;
        std::string raw;
        int status;
        std::string body;
    } cases[] = {
        {"content length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more", 200,
         "hello"},
        {"until close", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<p>bis zum Ende</p>",
         200, "<p>bis zum Ende</p>"},
        {"chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
         "4\r\nWiki\r\n5;ext=1\r\npedia\r\nE\r\n in\r\n\r\nchunks.\r\n0\r\n"
         "Trailer: x\r\n\r\n",
         200, "Wikipedia in\r\n\r\nchunks."},
        {"chunked wins over length",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: gzip, Chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         200, "abc"},
        {"interim 100 skipped",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\n"
         "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok",
         201, "ok"},
        {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\nstray bytes", 204, ""},
        {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 3\n\nabc", 200, "abc"},
        {"error status body is read", "HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\nmoved", 302,
         "moved"},
        {"short content length is not a failure",
         "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nab", 200, "ab"},
        {"chunked cut short", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabc", 200,
         "abc"},
        {"empty body", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200, ""},
        {"binary body", std::string("HTTP/1.1 200 OK\r\n\r\na\0b", 22), 200,
         std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
            const HttpReply reply = readFrom(c.raw, piece);
            EXPECT_EQ(reply.status, c.status) << c.name << ", pieces of " << piece;
            EXPECT_EQ(reply.body, c.body) << c.name << ", pieces of " << piece;
        }
    }
}

TEST(ReadReply, KeepsHeadersWithTrimmedValuesAndFoldedLines) {
    const HttpReply reply = readFrom(
        "HTTP/1.1 200 OK\r\ncontent-TYPE:  text/html; charset=utf-8 \r\n\t\r\nX-Long: a\r\n  b\r\n"
        "X-Empty:\r\n c\r\nContent-Length: 0\r\n \r\n\r\n");
    EXPECT_EQ(reply.header("Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(reply.header("x-long"), "a b");
    EXPECT_EQ(reply.header("X-Empty"), "c");  // blank continuation lines add nothing
    EXPECT_EQ(reply.header("Content-Length"), "0");
    EXPECT_EQ(reply.header("Location"), std::nullopt);
}

TEST(ReadReply, FailsOnWhatIsNotAnHttpReply) {
    struct Case {
        const char* name;
        std::string raw;
    } cases[] = {
        {"nothing", ""},
        {"no status line", "<html>hello</html>\r\n\r\n"},
        {"no status code", "HTTP/1.1 OK\r\n\r\n"},
        {"two-digit code", "HTTP/1.1 20 OK\r\n\r\n"},
        {"four-digit code", "HTTP/1.1 2000 OK\r\n\r\n"},
        {"closed within headers", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n"},
        {"closed after interim reply", "HTTP/1.1 100 Continue\r\n\r\n"},
        {"bad content length", "HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nabc"},
        {"negative content length", "HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\nabc"},
        {"bad chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nabc"},
        {"chunk size overflow",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1ffffffffffffffffff\r\nabc"},
        {"chunk without line end",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcdef\r\n0\r\n\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(readFrom(c.raw), UploadError) << c.name;
    }
}

TEST(ReadReply, RefusesHeaderSectionsAndBodiesBeyondTheLimits) {
    const ReplyLimits small{64, 100};
    const std::string bigHeader = "HTTP/1.1 200 OK\r\nX: " + std::string(100, 'a') + "\r\n\r\n";
    const std::string endlessLine = "HTTP/1.1 200 OK\r\nX: " + std::string(10000, 'a');
    const std::string endlessInterim = [] {
        std::string raw;
        for (int i = 0; i < 10; ++i) {
            raw += "HTTP/1.1 100 Continue\r\n\r\n";
        }
        return raw + "HTTP/1.1 200 OK\r\n\r\n";
    }();
    const std::string announced = "HTTP/1.1 200 OK\r\nContent-Length: 101\r\n\r\n";
    const std::string untilClose = "HTTP/1.1 200 OK\r\n\r\n" + std::string(101, 'b');
    std::string tinyChunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 60; ++i) {
        tinyChunks += "1\r\nc\r\n";
    }
    for (const std::string& raw :
         {bigHeader, endlessLine, endlessInterim, announced, untilClose, tinyChunks}) {
        EXPECT_THROW(readFrom(raw, 7, small), UploadError) << raw.substr(0, 60);
    }
    // Exactly at the limits is fine.
    EXPECT_EQ(readFrom("HTTP/1.1 200 OK\r\n\r\n" + std::string(100, 'b'), 7, small).body.size(),
              100u);
}

TEST(ReadReply, GivesUpOnAnEndlessReplyAtTheDefaultLimits) {
    const ReplyLimits limits;
    const std::size_t oneRead = 16384;
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    char tooLargeChunk[32];
    const auto hexEnd = std::to_chars(std::begin(tooLargeChunk), std::end(tooLargeChunk),
                                      limits.maxBodyBytes + 1, 16);
    const struct {
        const char* name;
        std::string head;
        std::size_t mostRead;
    } cases[] = {
        {"body until close", ok + "\r\n", limits.maxBodyBytes + 2 * oneRead},
        {"length beyond the limit",
         ok + "Content-Length: " + std::to_string(limits.maxBodyBytes + 1) + "\r\n\r\n", oneRead},
        {"chunk beyond the limit",
         ok + "Transfer-Encoding: chunked\r\n\r\n" + std::string(tooLargeChunk, hexEnd.ptr) +
             "\r\n",
         oneRead},
        {"endless chunk size line", ok + "Transfer-Encoding: chunked\r\n\r\n1",
         limits.maxBodyBytes + 2 * oneRead},
        {"endless header line", ok + "X-Filler: ", limits.maxHeaderBytes + 2 * oneRead},
    };
    for (const auto& c : cases) {
        EndlessSource source(c.head);
        EXPECT_THROW(readReply(source, limits), UploadError) << c.name;
        EXPECT_LE(source.handedOut(), c.mostRead) << c.name;
    }
}

TEST(ReadReply, TakesMemoryForTheBytesThatArriveNotForTheClaim) {
    const std::size_t limit = ReplyLimits{}.maxBodyBytes;
    const HttpReply claimed = readFrom(
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(limit) + "\r\n\r\nnur das", 65536);
    EXPECT_EQ(claimed.body, "nur das");
    EXPECT_LT(claimed.body.capacity(), std::size_t{65536});
    // Growing by doubling from the first piece would reserve nearly twice the limit.
    const HttpReply full = readFrom("HTTP/1.1 200 OK\r\n\r\n" + std::string(limit, 'b'), 16384);
    EXPECT_EQ(full.body.size(), limit);
    EXPECT_LT(full.body.capacity(), limit + limit / 2);
}

}  // namespace
}  // namespace bildheber
