#include "upload/PostImage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "support/TempDir.h"
#include "support/TestCa.h"
#include "support/TlsTestServer.h"
#include "support/TrustedTestCa.h"
#include "upload/UploadError.h"
#include "upload/UploadRequest.h"

namespace bildheber {
namespace {

using test::ServerStep;
using test::TlsTestServer;
using namespace std::chrono_literals;

const LocalTime kNow{2024, 12, 31, 9, 8, 7, 6};
const std::string kJpeg("\xFF\xD8\xFF\xE0 picture \x00\r\n\xFF\xD9", 17);
const std::string kPage =
    "<html><body><input id=\"codebbs\" value=\"[URL=https://x/1][IMG]https://x/1.jpg[/IMG][/URL]\">"
    "</body></html>";

std::string okReply(const std::string& body, const std::string& contentType = "text/html") {
    return "HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class PostImageTest : public test::TrustedTestCaSuite {
  protected:
    static std::unique_ptr<TlsTestServer> startServer(bool tls10Only = false) {
        return std::make_unique<TlsTestServer>(
            test::TlsTestServerOptions{ca().issueServerCertificate(), tls10Only});
    }

    static UploadOptions optionsFor(const TlsTestServer& server, std::string host = "localhost") {
        UploadOptions options;
        options.endpoint = Endpoint{std::move(host), server.port()};
        options.timeouts = SocketTimeouts{2s, 2s};
        options.clock = [] { return kNow; };
        return options;
    }
};

TEST_F(PostImageTest, SendsTheExactRequestAndReturnsTheReplyPage) {
    auto server = startServer();
    server->setReply(okReply(kPage));
    const std::string text = postImage("/home/anna/Mein B\xC3\xA4r.jpg", kJpeg,
                                       ExpiryChoice::TwelveMonths, optionsFor(*server));
    EXPECT_EQ(text, kPage);
    const auto requests = server->requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0],
              buildUploadRequest("localhost", {"/home/anna/Mein B\xC3\xA4r.jpg", kJpeg},
                                 ExpiryChoice::TwelveMonths, kNow));
}

TEST_F(PostImageTest, AcceptsEveryWellFormedSuccessReply) {
    struct Case {
        const char* name;
        std::vector<ServerStep> script;
        std::string expected;
    } cases[] = {
        {"interim 100 first",
         {ServerStep::send("HTTP/1.1 100 Continue\r\n\r\n"), ServerStep::send(okReply(kPage))},
         kPage},
        {"chunked in several writes",
         {ServerStep::send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n<html"),
          ServerStep::pauseFor(50ms), ServerStep::send("\r\n7\r\n></html\r\n0\r\n\r\n")},
         "<html></html"},
        {"until close without close_notify",
         {ServerStep::send("HTTP/1.0 200 OK\r\n\r\nbis zum Ende"), ServerStep::closeAbruptly()},
         "bis zum Ende"},
        {"content length not fulfilled",
         {ServerStep::send("HTTP/1.1 200 OK\r\nContent-Length: 999\r\n\r\nnur ein Teil")},
         "nur ein Teil"},
        {"no content", {ServerStep::send("HTTP/1.1 204 No Content\r\n\r\n")}, ""},
        {"empty body", {ServerStep::send(okReply(""))}, ""},
        {"charset from header",
         {ServerStep::send(okReply("B\xC3\xA4r", "text/html; charset=UTF-8"))},
         "B\xC3\xA4r"},
        // Without a charset each byte is one character: the UTF-8 bytes come back as Latin-1.
        {"no charset", {ServerStep::send(okReply("B\xC3\xA4r"))}, "B\xC3\x83\xC2\xA4r"},
    };
    auto server = startServer();
    for (auto& c : cases) {
        server->setScript(c.script);
        EXPECT_EQ(postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(*server)), c.expected)
            << c.name;
    }
}

TEST_F(PostImageTest, FailsOnEveryReplyThatIsNotASuccess) {
    struct Case {
        const char* name;
        std::vector<ServerStep> script;
    } cases[] = {
        {"redirect with location",
         {ServerStep::send("HTTP/1.1 302 Found\r\nLocation: https://localhost/\r\n\r\n" + kPage)}},
        {"redirect without location", {ServerStep::send("HTTP/1.1 301 Moved\r\n\r\n")}},
        {"not modified", {ServerStep::send("HTTP/1.1 304 Not Modified\r\n\r\n")}},
        {"client error",
         {ServerStep::send("HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nnix")}},
        {"server error", {ServerStep::send("HTTP/1.1 500 Internal Server Error\r\n\r\n" + kPage)}},
        {"only interim replies", {ServerStep::send("HTTP/1.1 100 Continue\r\n\r\n")}},
        {"no status line", {ServerStep::send("<html>" + kPage)}},
        {"unreadable status code", {ServerStep::send("HTTP/1.1 2OO OK\r\n\r\n" + kPage)}},
        {"closed before replying", {ServerStep::closeAbruptly()}},
        {"closed within headers",
         {ServerStep::send("HTTP/1.1 200 OK\r\nContent-"), ServerStep::closeAbruptly()}},
        {"slower than the receive time-out",
         {ServerStep::send("HTTP/1.1 200 OK\r\n"), ServerStep::pauseFor(1500ms),
          ServerStep::send("\r\n" + kPage)}},
    };
    auto server = startServer();
    for (auto& c : cases) {
        server->setScript(c.script);
        UploadOptions options = optionsFor(*server);
        options.timeouts.receive = 500ms;
        EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, options), UploadError)
            << c.name;
    }
}

TEST_F(PostImageTest, RefusesRepliesBeyondTheLimits) {
    auto server = startServer();
    UploadOptions options = optionsFor(*server);
    options.limits = ReplyLimits{1024, 4096};
    server->setReply(okReply(std::string(4097, 'x')));
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, options), UploadError);
    server->setReply("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(2000, 'x') + "\r\n\r\n");
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, options), UploadError);
    // A body within the limit whose text is not: each invalid byte becomes three.
    server->setReply(okReply(std::string(2000, '\xFF'), "text/html; charset=UTF-8"));
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, options), UploadError);
    server->setReply(okReply(std::string(4096, 'x')));
    EXPECT_EQ(postImage("a.jpg", kJpeg, ExpiryChoice::Never, options).size(), 4096u);
}

TEST_F(PostImageTest, TalksToAnOldServerThatOnlySpeaksTls10) {
    auto server = startServer(/*tls10Only=*/true);
    server->setReply(okReply(kPage));
    EXPECT_EQ(postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(*server)), kPage);
    EXPECT_EQ(server->lastProtocol(), "TLSv1");
}

TEST_F(PostImageTest, NegotiatesTheNewestProtocolWithACurrentServer) {
    auto server = startServer();
    server->setReply(okReply(kPage));
    postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(*server));
    EXPECT_EQ(server->lastProtocol(), "TLSv1.3");
    EXPECT_EQ(server->lastServerName(), "localhost");
}

TEST_F(PostImageTest, RefusesAServerWhoseCertificateIsNotTrusted) {
    const test::TestCa strangers("Somebody Else's CA");
    TlsTestServer server(test::TlsTestServerOptions{strangers.issueServerCertificate(), false});
    server.setReply(okReply(kPage));
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(server)), UploadError);
    EXPECT_TRUE(server.requests(0, 0ms).empty()) << "the picture must not reach an impostor";
}

TEST_F(PostImageTest, RefusesACertificateForAnotherHostName) {
    TlsTestServer server(
        test::TlsTestServerOptions{ca().issueServerCertificate({"bilder.example.org"}), false});
    server.setReply(okReply(kPage));
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(server)), UploadError);
    EXPECT_TRUE(server.requests(0, 0ms).empty());
}

TEST_F(PostImageTest, VerifiesAnAddressAgainstTheCertificateAndSendsNoServerName) {
    auto server = startServer();
    server->setReply(okReply(kPage));
    EXPECT_EQ(postImage("a.jpg", kJpeg, ExpiryChoice::Never, optionsFor(*server, "127.0.0.1")),
              kPage);
    EXPECT_EQ(server->lastServerName(), "");
}

TEST_F(PostImageTest, FailsWhenTheServerCannotBeReached) {
    auto server = startServer();
    const std::uint16_t unusedPort = server->port();
    server.reset();  // nobody listens there now
    UploadOptions refused;
    refused.endpoint = Endpoint{"127.0.0.1", unusedPort};
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, refused), UploadError);
    UploadOptions unresolvable;
    unresolvable.endpoint = Endpoint{"bildheber-test.invalid", 443};
    EXPECT_THROW(postImage("a.jpg", kJpeg, ExpiryChoice::Never, unresolvable), UploadError);
}

}  // namespace
}  // namespace bildheber
