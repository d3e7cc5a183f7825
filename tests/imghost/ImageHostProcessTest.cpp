// The local image host end to end: the real bildheber-imghost script on a free loopback port, the
// program's own upload and TLS code (which checks the host's certificate and name) as its client.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/JpegCodec.h"
#include "support/ImageHostProcess.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "upload/ForumCode.h"
#include "upload/HttpReply.h"
#include "upload/PostImage.h"
#include "upload/TlsConnection.h"
#include "upload/UploadRequest.h"

namespace bildheber {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::ImageHostProcess;

const SocketTimeouts kTimeouts{10s, 10s, 30s};
const ExpiryFields kForGood{"0", "31", "12", "2100"};

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

// An upload with the form the program sends, but with the file name parameter as given.
std::string uploadRequest(const std::string& fileName, const std::string& jpeg,
                          const ExpiryFields& expiry = kForGood) {
    const std::string boundary = "------------test4711";
    std::string body;
    const auto field = [&](const std::string& name, const std::string& value) {
        body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
                "\"\r\n\r\n" + value + "\r\n";
    };
    field("scale", "0.5");
    field("alt", "");
    field("datumaktiv", expiry.datumaktiv);
    field("tag", expiry.tag);
    field("monat", expiry.monat);
    field("jahr", expiry.jahr);
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
            fileName + "\"\r\nContent-Type: image/jpeg\r\n\r\n" + jpeg + "\r\n--" + boundary +
            "--\r\n";
    return "POST /imghost/ HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=" + boundary +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One request over TLS, checked against the host's certificate for `host`, and its reply.
HttpReply roundTrip(std::uint16_t port, const std::string& request,
                    const std::string& host = "localhost") {
    TlsConnection connection(host, port, kTimeouts);
    connection.writeAll(request);
    return readReply(connection);
}

HttpReply get(std::uint16_t port, const std::string& path) {
    return roundTrip(port, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\n\r\n");
}

std::string codeIn(const HttpReply& reply) {
    RecordingStatusLine status;
    const std::string code = extractForumCode(reply.body, status);
    EXPECT_EQ(status.last, "Forumscode erhalten.") << reply.status << " " << reply.body;
    return code;
}

// The picture's name in a forum code: "[URL=.../imghost/p/NAME]...".
std::string nameIn(const std::string& code) {
    std::smatch match;
    if (!std::regex_search(code, match, std::regex("/imghost/p/([^\\]]*)\\]"))) {
        ADD_FAILURE() << "no page address in " << code;
        return {};
    }
    return match[1];
}

// A plain TCP connection to the host that sends what it is told, or nothing.
class RawClient {
  public:
    explicit RawClient(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~RawClient() { ::close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(std::string_view bytes) const {
        [[maybe_unused]] const auto sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

  private:
    int fd_;
};

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
                              ExpiryChoice expiry, const LocalTime& today) {
        UploadOptions options;
        options.endpoint = Endpoint{"localhost", host.port()};
        options.timeouts = kTimeouts;
        options.clock = [today] { return today; };
        const std::string page =
            postImage("C:\\Bilder\\Mein B\xC3\xA4r.jpg", picture, expiry, options);
        RecordingStatusLine status;
        const std::string code = extractForumCode(page, status);
        EXPECT_EQ(status.last, "Forumscode erhalten.") << page;
        return code;
    }

    fs::path data() const { return folder_.path() / "data"; }
    fs::path pictures() const { return data() / "pictures"; }

    test::TempDir folder_;
};

TEST_F(ImghostProcessTest, TakesTheProgramsUploadAndServesItsPictureAndPage) {
    ImageHostProcess host(data());
    trust(host);
    const std::string picture = readFile(test::writeJpegFile(folder_.path() / "a.jpg", 320, 240));
    const LocalTime today = LocalTime::now();

    // The program sends the file name as RFC 2047 encoded words; the host shows it decoded.
    const std::string code = upload(host, picture, ExpiryChoice::TwelveMonths, today);
    const std::string name = nameIn(code);
    EXPECT_TRUE(std::regex_match(name, std::regex("[0-9]{8}-[0-9]{6}-[0-9]+-[0-9a-f]{8}"))) << name;
    const std::string base = "https://localhost:" + std::to_string(host.port()) + "/imghost/";
    EXPECT_EQ(code,
              "[URL=" + base + "p/" + name + "][IMG]" + base + "i/" + name + ".jpg[/IMG][/URL]");

    const HttpReply served = get(host.port(), "/imghost/i/" + name + ".jpg");
    EXPECT_EQ(served.status, 200);
    EXPECT_EQ(served.header("Content-Type"), "image/jpeg");
    EXPECT_TRUE(served.body == picture) << "the served picture differs from the uploaded one";
    const RgbRaster decoded = decodeJpeg(served.body);
    EXPECT_EQ(decoded.width, 320);
    EXPECT_EQ(decoded.height, 240);

    const HttpReply page = get(host.port(), "/imghost/p/" + name + "?from=test");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.header("Content-Type"), "text/html; charset=UTF-8");
    EXPECT_EQ(codeIn(page), code);
    EXPECT_NE(page.body.find("<p>Mein B\xC3\xA4r.jpg</p>"), std::string::npos) << page.body;

    const ExpiryFields fields = expiryFields(ExpiryChoice::TwelveMonths, today);
    char keepUntil[16];
    std::snprintf(keepUntil, sizeof keepUntil, "%04d-%02d-%02d", std::stoi(fields.jahr),
                  std::stoi(fields.monat), std::stoi(fields.tag));
    EXPECT_EQ(readFile(pictures() / (name + ".info")),
              "keep-until: " + std::string(keepUntil) + "\nname: Mein B\xC3\xA4r.jpg\n");

    EXPECT_EQ(host.stop(), 0) << "SIGTERM must end the host cleanly";
    const std::string& log = host.laterOutput();
    EXPECT_NE(log.find("stored " + name + " ("), std::string::npos) << log;
    EXPECT_NE(log.find("POST /imghost/ -> 200\n"), std::string::npos) << log;
    EXPECT_NE(log.find("GET /imghost/i/" + name + ".jpg -> 200\n"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("stopped\n")) << log;
}

TEST_F(ImghostProcessTest, AnswersWhatItCannotServeWithAnErrorAndGoesOnServing) {
    ImageHostProcess host(data());
    trust(host);
    const LocalTime today = LocalTime::now();
    const std::string stored =
        "/imghost/i/" + nameIn(codeIn(roundTrip(host.port(), uploadRequest("a.jpg", "\xFF\xD8")))) +
        ".jpg";
    const std::string overLimit =
        "POST /imghost/ HTTP/1.0\r\nContent-Type: multipart/form-data; "
        "boundary=x\r\nContent-Length: 33554433\r\n\r\n";
    std::string unclosed = uploadRequest("a.jpg", "\xFF\xD8");
    unclosed.replace(unclosed.size() - 4, 2, "\r\n");  // the closing "--" of the last boundary
    std::string noYear = uploadRequest("a.jpg", "\xFF\xD8");
    noYear.replace(noYear.find("name=\"jahr\""), 11, "name=\"year\"");  // the same length
    struct Case {
        const char* name;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"garbage", "GARBAGE\r\n\r\n", 400},
        {"no HTTP version", "GET /imghost/\r\n\r\n", 400},
        {"header line without colon", "GET " + stored + " HTTP/1.0\r\nbroken\r\n\r\n", 400},
        {"chunked", "POST /imghost/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 400},
        {"POST without length", "POST /imghost/ HTTP/1.0\r\n\r\n", 400},
        {"body over 32 MiB announced", overLimit, 400},
        {"body over 32 MiB on its way", overLimit + std::string(1 << 20, 'x'), 400},
        {"form without multipart", "POST /imghost/ HTTP/1.0\r\nContent-Length: 3\r\n\r\na=1", 400},
        {"multipart not closed", unclosed, 400},
        {"field missing", noYear, 400},
        {"month 13", uploadRequest("a.jpg", "\xFF\xD8", {"1", "1", "13", "2030"}), 400},
        {"upload of a GIF",
         buildUploadRequest("localhost", {"x.gif", "GIF89a\x01\x00"}, ExpiryChoice::Never, today),
         400},
        {"unknown picture", "GET /imghost/i/20250101-000000-1-00000000.jpg HTTP/1.0\r\n\r\n", 404},
        {"unknown page", "GET /imghost/p/20250101-000000-1-00000000 HTTP/1.0\r\n\r\n", 404},
        {"path traversal", "GET /imghost/i/../../../etc/passwd.jpg HTTP/1.0\r\n\r\n", 404},
        {"encoded traversal", "GET /imghost/i/..%2F..%2Fdata%2Fsecret.jpg HTTP/1.0\r\n\r\n", 404},
        {"picture without .jpg", "GET " + stored.substr(0, stored.size() - 4) + " HTTP/1.0\r\n\r\n",
         404},
        {"other path", "GET / HTTP/1.0\r\n\r\n", 404},
        {"GET of the upload path", "GET /imghost/ HTTP/1.0\r\n\r\n", 405},
        {"POST to a picture", "POST " + stored + " HTTP/1.0\r\nContent-Length: 0\r\n\r\n", 405},
    };
    for (const Case& c : cases) {
        const HttpReply reply = roundTrip(host.port(), c.request);
        EXPECT_EQ(reply.status, c.status) << c.name << ": " << reply.body;
        EXPECT_EQ(reply.header("Content-Type"), "text/plain; charset=UTF-8") << c.name;
        if (c.status == 400) {
            EXPECT_TRUE(reply.body.starts_with("bad request: ")) << c.name << ": " << reply.body;
        }
    }

    // A client that speaks no TLS at all, and one that goes away without a word.
    RawClient(host.port()).send("GET / HTTP/1.0\r\n\r\n");
    RawClient{host.port()};

    const std::string code = upload(host, samplePicture(), ExpiryChoice::Never, today);
    EXPECT_EQ(get(host.port(), "/imghost/i/" + nameIn(code) + ".jpg").status, 200);
    EXPECT_EQ(host.stop(), 0);
}

TEST_F(ImghostProcessTest, ShowsTheSentFileNameDecodedButNeverUsesItAsAPath) {
    ImageHostProcess host(data());
    trust(host);
    const std::string picture = samplePicture();
    struct Case {
        std::string sent;
        std::string shown;  // as it stands in the page's HTML
    };
    const Case cases[] = {
        {"../../outside.jpg", "outside.jpg"},
        {"=?UTF-8?B?Li5cLi5cb3V0c2lkZS5qcGc=?=", "outside.jpg"},  // "..\\..\\outside.jpg"
        {"=?UTF-8?B?Li4vLi4vb3V0c2lkZS5qcGc=?=", "outside.jpg"},  // "../../outside.jpg"
        // Two encoded words on a folded line: the blanks between them are dropped.
        {"=?UTF-8?B?TWVpbiBC?=\r\n =?UTF-8?B?w6RyLmpwZw==?=", "Mein B\xC3\xA4r.jpg"},
        {"=?ISO-8859-1?Q?B=E4r_Foto.jpg?=", "B\xC3\xA4r Foto.jpg"},
        {"<b>bold.jpg", "&lt;b&gt;bold.jpg"},
        {"=?UTF-8?B?YQpiLmpwZw==?=", "a?b.jpg"},  // "a", line break, "b.jpg"
    };
    std::vector<std::string> names;
    for (const Case& c : cases) {
        const HttpReply reply = roundTrip(host.port(), uploadRequest(c.sent, picture));
        ASSERT_EQ(reply.status, 200) << c.sent << ": " << reply.body;
        const std::string name = nameIn(codeIn(reply));
        const HttpReply page = get(host.port(), "/imghost/p/" + name);
        EXPECT_NE(page.body.find("<p>" + c.shown), std::string::npos) << c.sent << page.body;
        EXPECT_TRUE(get(host.port(), "/imghost/i/" + name + ".jpg").body == picture) << c.sent;
        names.push_back(name);
    }

    // Nothing but the host's own names in the picture folder, nothing written outside it.
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) {
        const fs::path& file = entry.path();
        if (file.parent_path() == pictures()) {
            const std::string stem = file.stem().string();
            EXPECT_TRUE(std::find(names.begin(), names.end(), stem) != names.end()) << file;
            EXPECT_TRUE(file.extension() == ".jpg" || file.extension() == ".info") << file;
            ++files;
        } else {
            EXPECT_TRUE(file == data() || file.parent_path() == data()) << file;
        }
    }
    EXPECT_EQ(files, 2 * std::size(cases));
}

TEST_F(ImghostProcessTest, KeepsPicturesUntilTheirLastDayAndThenRemovesThem) {
    struct Case {
        ExpiryFields fields;
        std::string keepUntil;
        bool expired;
    };
    const Case cases[] = {
        {kForGood, "never", false},
        {{"1", "31", "2", "2099"}, "2099-02-28", false},  // a day the month lacks: its last
        {{"1", "29", "2", "2096"}, "2096-02-29", false},
        {{"1", "31", "9", "2098"}, "2098-09-30", false},
        {{"1", "1", "1", "2000"}, "2000-01-01", true},
    };
    std::vector<std::string> names;
    {
        ImageHostProcess host(data());
        trust(host);
        for (const Case& c : cases) {
            const std::string name = nameIn(
                codeIn(roundTrip(host.port(), uploadRequest("a.jpg", "\xFF\xD8", c.fields))));
            EXPECT_EQ(readFile(pictures() / (name + ".info")),
                      "keep-until: " + c.keepUntil + "\nname: a.jpg\n");
            // An expired picture is gone at once, even before its files are removed.
            const int status = c.expired ? 404 : 200;
            EXPECT_EQ(get(host.port(), "/imghost/i/" + name + ".jpg").status, status);
            EXPECT_EQ(get(host.port(), "/imghost/p/" + name).status, status);
            names.push_back(name);
        }
    }

    ImageHostProcess restarted(data());
    trust(restarted);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const bool removed = restarted.startOutput().find("expired: removed " + names[i] + "\n") !=
                             std::string::npos;
        EXPECT_EQ(removed, cases[i].expired) << restarted.startOutput();
        EXPECT_EQ(fs::exists(pictures() / (names[i] + ".jpg")), !cases[i].expired);
        EXPECT_EQ(fs::exists(pictures() / (names[i] + ".info")), !cases[i].expired);
    }
    EXPECT_EQ(get(restarted.port(), "/imghost/i/" + names[0] + ".jpg").status, 200);
}

TEST_F(ImghostProcessTest, KeepsItsCertificateAndPicturesAcrossRestarts) {
    const std::string picture = samplePicture();
    std::string name;
    std::string certificate;
    {
        ImageHostProcess first(data());
        trust(first);
        EXPECT_NE(first.startOutput().find("created self-signed certificate for localhost: "),
                  std::string::npos)
            << first.startOutput();
        certificate = readFile(first.certificate());
        name = nameIn(upload(first, picture, ExpiryChoice::Never, LocalTime::now()));
        EXPECT_EQ(first.stop(), 0);
    }
    EXPECT_EQ(fs::status(data() / "localhost-key.pem").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ImageHostProcess second(data());
    trust(second);
    EXPECT_NE(second.startOutput().find("reusing self-signed certificate"), std::string::npos)
        << second.startOutput();
    EXPECT_EQ(readFile(second.certificate()), certificate);
    // The code named the old port; the picture is there under the same path on the new one, and
    // the certificate holds for the address as well as for the name.
    const std::string path = "/imghost/i/" + name + ".jpg";
    const HttpReply served = roundTrip(
        second.port(), "GET " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n", "127.0.0.1");
    EXPECT_EQ(served.status, 200);
    EXPECT_TRUE(served.body == picture);
}

TEST_F(ImghostProcessTest, AStalledClientDoesNotHoldUpAnother) {
    ImageHostProcess host(data());
    trust(host);
    // Each of these would hold a host that serves one connection at a time for its idle time-out
    // of 10 s at least; the dripping one for good.
    const RawClient silent(host.port());
    const RawClient dripping(host.port());
    const std::jthread drip([&](const std::stop_token& stop) {
        dripping.send(std::string_view("\x16\x03\x01\x02\x00", 5));  // a 512-byte handshake record
        for (int i = 0; i < 200 && !stop.stop_requested(); ++i) {
            std::this_thread::sleep_for(50ms);
            dripping.send("\x01");
        }
    });

    const auto start = std::chrono::steady_clock::now();
    const TlsConnection quiet("localhost", host.port(), kTimeouts);  // handshake, then nothing
    const std::string code = upload(host, samplePicture(), ExpiryChoice::Never, LocalTime::now());
    const HttpReply served = get(host.port(), "/imghost/i/" + nameIn(code) + ".jpg");
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(served.status, 200);
    EXPECT_LT(elapsed, 5s) << "the other client was served only once the stalled ones gave up";
}

}  // namespace
}  // namespace bildheber
