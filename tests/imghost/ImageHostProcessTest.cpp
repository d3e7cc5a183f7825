// End to end: the real bildheber-imghost binary on a free loopback port, the program's own upload
// code as its client.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "imghost/CalendarDate.h"
#include "support/ImageHostProcess.h"
#include "support/TempDir.h"
#include "upload/ForumCode.h"
#include "upload/HttpReply.h"
#include "upload/PostImage.h"
#include "upload/TlsConnection.h"
#include "upload/UploadRequest.h"

extern char** environ;

namespace bildheber {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::ImageHostProcess;

class RecordingStatusLine : public StatusLine {
  public:
    void setStatusText(const std::string& text) override { last = text; }
    std::string last;
};

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A picture-like payload of 200 KB with every byte value, the boundary's dashes and line breaks.
std::string samplePicture() {
    std::string bytes = "\xFF\xD8\xFF\xE0";
    for (int i = 0; bytes.size() < 200'000; ++i) {
        bytes += static_cast<char>((i * 7919) & 0xFF);
        if (i % 1000 == 0) {
            bytes += "\r\n--------\r\n";
        }
    }
    return bytes + "\xFF\xD9";
}

// One request over TLS, checked against the host's certificate, and its reply.
HttpReply roundTrip(std::uint16_t port, const std::string& request) {
    TlsConnection connection("localhost", port, SocketTimeouts{10s, 10s});
    connection.writeAll(request);
    return readReply(connection);
}

HttpReply get(std::uint16_t port, const std::string& path) {
    return roundTrip(port, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
}

// The path part of the picture address in a forum code, such as "/imghost/i/NAME.jpg".
std::string picturePathIn(const std::string& code, std::uint16_t port) {
    const std::string prefix = "[IMG]https://localhost:" + std::to_string(port);
    const std::size_t start = code.find(prefix);
    const std::size_t end = code.find("[/IMG]");
    if (start == std::string::npos || end == std::string::npos || end < start) {
        ADD_FAILURE() << "no picture address in " << code;
        return {};
    }
    return code.substr(start + prefix.size(), end - start - prefix.size());
}

class ImghostProcessTest : public ::testing::Test {
  protected:
    void TearDown() override { unsetenv("SSL_CERT_FILE"); }

    // Trusts the host's own certificate as a user would, through SSL_CERT_FILE.
    static void trust(const ImageHostProcess& host) {
        ASSERT_FALSE(host.certificate().empty()) << host.startOutput();
        setenv("SSL_CERT_FILE", host.certificate().c_str(), 1);
    }

    // Uploads like the program and returns the forum code from the answer.
    static std::string upload(const ImageHostProcess& host, const std::string& picture,
                              ExpiryChoice expiry, const LocalTimestamp& today) {
        UploadOptions options;
        options.endpoint = Endpoint{"localhost", host.port()};
        options.timeouts = SocketTimeouts{10s, 10s};
        options.clock = [today] { return today; };
        const std::string page =
            postImage("C:\\Bilder\\Mein B\xC3\xA4r.jpg", picture, expiry, options);
        RecordingStatusLine status;
        const std::string code = extractForumCode(page, status);
        EXPECT_EQ(status.last, "Forumscode erhalten.") << page;
        return code;
    }

    test::TempDir folder_;
};

TEST_F(ImghostProcessTest, TakesTheProgramsUploadAndServesTheSameBytes) {
    ImageHostProcess host(folder_.path() / "data");
    trust(host);
    const std::string picture = samplePicture();
    const LocalTimestamp today = LocalTimestamp::now();

    const std::string code = upload(host, picture, ExpiryChoice::TwelveMonths, today);
    const std::string path = picturePathIn(code, host.port());
    ASSERT_TRUE(path.starts_with("/imghost/i/") && path.ends_with(".jpg")) << code;
    const std::string name = path.substr(11, path.size() - 15);
    EXPECT_EQ(code, "[URL=https://localhost:" + std::to_string(host.port()) + "/imghost/p/" + name +
                        "][IMG]https://localhost:" + std::to_string(host.port()) + path +
                        "[/IMG][/URL]");

    const HttpReply served = get(host.port(), path);
    EXPECT_EQ(served.status, 200);
    EXPECT_EQ(served.header("Content-Type"), "image/jpeg");
    EXPECT_TRUE(served.body == picture) << "the served picture differs from the uploaded one";

    const HttpReply page = get(host.port(), "/imghost/p/" + name);
    EXPECT_EQ(page.status, 200);
    EXPECT_NE(page.body.find("Mein B\xC3\xA4r.jpg"), std::string::npos) << page.body;

    const ExpiryFields fields = expiryFields(ExpiryChoice::TwelveMonths, today);
    const imghost::CalendarDate keepUntil =
        imghost::fitToMonth(std::stoi(fields.jahr), std::stoi(fields.monat), std::stoi(fields.tag));
    EXPECT_EQ(readFile(folder_.path() / "data" / "pictures" / (name + ".info")),
              "keep-until: " + imghost::isoDate(keepUntil) + "\nname: Mein B\xC3\xA4r.jpg\n");

    EXPECT_EQ(host.stop(), 0) << "SIGTERM must end the host cleanly";
    EXPECT_NE(host.laterOutput().find("stopped"), std::string::npos) << host.laterOutput();
}

TEST_F(ImghostProcessTest, AnswersMalformedRequestsWith400AndGoesOnServing) {
    ImageHostProcess host(folder_.path() / "data");
    trust(host);
    const LocalTimestamp today = LocalTimestamp::now();
    struct Case {
        const char* name;
        std::string request;
    };
    const Case cases[] = {
        {"garbage", "GARBAGE\r\n\r\n"},
        {"body over 32 MiB announced",
         "POST /imghost/ HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=x\r\n"
         "Content-Length: 999999999\r\n\r\n"},
        {"form without multipart", "POST /imghost/ HTTP/1.0\r\nContent-Length: 3\r\n\r\na=1"},
        {"upload of a GIF",
         buildUploadRequest("localhost", "x.gif", "GIF89a\x01\x00", ExpiryChoice::Never, today)},
    };
    for (const Case& c : cases) {
        const HttpReply reply = roundTrip(host.port(), c.request);
        EXPECT_EQ(reply.status, 400) << c.name;
        EXPECT_TRUE(reply.body.starts_with("bad request: ")) << c.name << ": " << reply.body;
    }

    // A client that speaks no TLS at all, and one that goes away without a word.
    for (const std::string_view plain : {"GET / HTTP/1.0\r\n\r\n", ""}) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(host.port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        [[maybe_unused]] const auto sent = ::send(fd, plain.data(), plain.size(), MSG_NOSIGNAL);
        ::close(fd);
    }

    EXPECT_EQ(get(host.port(), "/imghost/i/20250101-000000-1-00000000.jpg").status, 404);
    const std::string code = upload(host, samplePicture(), ExpiryChoice::Never, today);
    EXPECT_EQ(get(host.port(), picturePathIn(code, host.port())).status, 200);
    EXPECT_EQ(host.stop(), 0);
}

TEST_F(ImghostProcessTest, KeepsItsCertificateAndPicturesAcrossRestarts) {
    const fs::path data = folder_.path() / "data";
    const std::string picture = samplePicture();
    std::string path;
    std::string certificate;
    {
        ImageHostProcess first(data);
        trust(first);
        EXPECT_NE(first.startOutput().find("created self-signed certificate"), std::string::npos)
            << first.startOutput();
        certificate = readFile(first.certificate());
        path = picturePathIn(upload(first, picture, ExpiryChoice::Never, LocalTimestamp::now()),
                             first.port());
        EXPECT_EQ(first.stop(), 0);
    }
    ImageHostProcess second(data);
    trust(second);
    EXPECT_NE(second.startOutput().find("reusing self-signed certificate"), std::string::npos)
        << second.startOutput();
    EXPECT_EQ(readFile(second.certificate()), certificate);
    // The code named the old port; the picture is there under the same path on the new one.
    const HttpReply served = get(second.port(), path);
    EXPECT_EQ(served.status, 200);
    EXPECT_TRUE(served.body == picture);
}

}  // namespace
}  // namespace bildheber
