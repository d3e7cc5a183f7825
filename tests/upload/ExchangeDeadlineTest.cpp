// The time limits of one exchange with the image host: each wait for the socket ends at its own
// time-out, and the whole exchange at its deadline, however the peer spreads its bytes out.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/TestCa.h"
#include "support/TlsTestServer.h"
#include "support/TrustedTestCa.h"
#include "upload/PostImage.h"
#include "upload/UploadError.h"

namespace bildheber {
namespace {

using test::ServerStep;
using test::TlsTestServer;
using test::TlsTestServerOptions;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const LocalTime kNow{2024, 12, 31, 9, 8, 7, 6};
const std::string kJpeg("\xFF\xD8\xFF\xE0 picture \xFF\xD9", 14);
const std::string kPage =
    "<html><body><input id=\"codebbs\" value=\"[URL=https://x/1][IMG]https://x/1.jpg[/IMG][/URL]\">"
    "</body></html>";
const std::string kReply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                           std::to_string(kPage.size()) + "\r\n\r\n" + kPage;
// Far more than the socket buffers of both ends hold, so that the client is still sending when
// the server reads slowly.
const std::string kLargePicture(8 << 20, '\xA5');

// A slow server is given the time of a couple of deadlines; anything near the longest wait or
// the whole drip means that the limit did not hold.
constexpr auto kShortDeadline = 500ms;
constexpr auto kShortTimeout = 300ms;
constexpr auto kLongWait = 10s;
constexpr auto kGenerousBound = 4s;

struct Attempt {
    bool succeeded = false;
    std::string result;  // the reply page, or the failure's text
    Clock::duration took{};
};

class ExchangeDeadlineTest : public test::TrustedTestCaSuite {
  protected:
    static std::unique_ptr<TlsTestServer> startServer(std::vector<ServerStep> script,
                                                      std::chrono::milliseconds requestBytePause,
                                                      std::chrono::milliseconds handshakeDelay) {
        auto server = std::make_unique<TlsTestServer>(TlsTestServerOptions{
            ca().issueServerCertificate(), false, requestBytePause, handshakeDelay});
        server->setScript(std::move(script));
        return server;
    }

    static Attempt upload(const std::string& host, std::uint16_t port, const std::string& picture,
                          const SocketTimeouts& timeouts) {
        UploadOptions options;
        options.endpoint = Endpoint{host, port};
        options.timeouts = timeouts;
        options.clock = [] { return kNow; };
        Attempt attempt;
        const auto start = Clock::now();
        try {
            attempt.result = postImage("a.jpg", picture, ExpiryChoice::Never, options);
            attempt.succeeded = true;
        } catch (const UploadError& failure) {
            attempt.result = failure.what();
        }
        attempt.took = Clock::now() - start;
        return attempt;
    }
};

struct SlowServer {
    const char* name;
    std::vector<ServerStep> script;
    std::chrono::milliseconds requestBytePause;
    std::chrono::milliseconds handshakeDelay;
    const std::string& picture;
    SocketTimeouts timeouts;
    std::string expectedFailure;
};

TEST_F(ExchangeDeadlineTest, EndsAtTheDeadlineHoweverSlowlyThePeerGoesOn) {
    const SlowServer cases[] = {
        // Every byte arrives well inside the receive time-out; the whole reply would take 3 s.
        {"reply dripped byte by byte",
         {ServerStep::drip(kReply, 20ms)},
         0ms,
         0ms,
         kJpeg,
         {kLongWait, kShortTimeout, kShortDeadline},
         "time limit of the exchange passed while receiving the reply"},
        {"request read byte by byte",
         {ServerStep::send(kReply)},
         1ms,
         0ms,
         kLargePicture,
         {kLongWait, kLongWait, kShortDeadline},
         "time limit of the exchange passed while sending the request"},
        {"handshake never answered",
         {ServerStep::send(kReply)},
         0ms,
         1h,
         kJpeg,
         {kLongWait, kLongWait, kShortDeadline},
         "time limit of the exchange passed in the TLS handshake with localhost"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto server = startServer(c.script, c.requestBytePause, c.handshakeDelay);
        const Attempt attempt = upload("localhost", server->port(), c.picture, c.timeouts);
        EXPECT_FALSE(attempt.succeeded);
        EXPECT_EQ(attempt.result, c.expectedFailure);
        EXPECT_GE(attempt.took, kShortDeadline);
        EXPECT_LT(attempt.took, kGenerousBound);
    }
}

TEST_F(ExchangeDeadlineTest, EachWaitStillEndsAtItsOwnTimeOut) {
    const SlowServer cases[] = {
        {"silent after the request",
         {ServerStep::pauseFor(1h)},
         0ms,
         0ms,
         kJpeg,
         {kLongWait, kShortTimeout},
         "receive time-out"},
        {"reads nothing of the request",
         {},
         1h,
         0ms,
         kLargePicture,
         {kShortTimeout, kLongWait},
         "send time-out"},
        {"silent in the handshake",
         {},
         0ms,
         1h,
         kJpeg,
         {kLongWait, kShortTimeout},
         "TLS handshake with localhost failed: receive time-out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.timeouts.exchange, SocketTimeouts{}.exchange);
        const auto server = startServer(c.script, c.requestBytePause, c.handshakeDelay);
        const Attempt attempt = upload("localhost", server->port(), c.picture, c.timeouts);
        EXPECT_FALSE(attempt.succeeded);
        EXPECT_EQ(attempt.result, c.expectedFailure);
        EXPECT_LT(attempt.took, kGenerousBound);
    }
}

TEST_F(ExchangeDeadlineTest, ASlowButFinishedExchangeSucceedsWithTheDefaultLimits) {
    const auto server = startServer({ServerStep::drip(kReply, 1ms)}, 0ms, 0ms);
    const Attempt dripped = upload("localhost", server->port(), kJpeg, SocketTimeouts{});
    EXPECT_TRUE(dripped.succeeded) << dripped.result;
    EXPECT_EQ(dripped.result, kPage);

    server->setReply(kReply);
    const Attempt large = upload("127.0.0.1", server->port(), kLargePicture, SocketTimeouts{});
    EXPECT_TRUE(large.succeeded) << large.result;
    const auto requests = server->requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_GT(requests[1].size(), kLargePicture.size());
}

TEST_F(ExchangeDeadlineTest, AHostNameThatCannotBeResolvedFailsWithinTheDeadline) {
    const Attempt attempt =
        upload("bildheber-test.invalid", 443, kJpeg, {kLongWait, kLongWait, kShortDeadline});
    EXPECT_FALSE(attempt.succeeded);
    // Without a name server the look-up fails at once; a name server that never answers is cut
    // off by the deadline. Either way the text names the host.
    EXPECT_NE(attempt.result.find("resolv"), std::string::npos) << attempt.result;
    EXPECT_NE(attempt.result.find("bildheber-test.invalid"), std::string::npos) << attempt.result;
    EXPECT_LT(attempt.took, kGenerousBound);
}

}  // namespace
}  // namespace bildheber
