#include <gtest/gtest.h>

#include <filesystem>

#include "imaging/JpegCodec.h"
#include "imaging/JpegTestFiles.h"
#include "imaging/ResizeJpg.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/TestCa.h"
#include "support/TlsTestServer.h"
#include "upload/PostImage.h"
#include "upload/UploadRequest.h"

namespace bildheber {
namespace {

using namespace std::chrono_literals;

// Trusts the test CA the way a user's system store would, for the scope of one test.
class TrustedCaFile {
  public:
    explicit TrustedCaFile(const std::filesystem::path& file) {
        environment_.set("SSL_CERT_FILE", file.string());
    }

  private:
    test::ScopedEnvironment environment_;
};

TEST(ResizeAndPostTest, SendsTheReencodedPictureAsTheFilePart) {
    test::TempDir folder;
    test::TestCa ca;
    const TrustedCaFile trusted(ca.writeCertificate(folder.path() / "ca.pem"));

    const auto photo = folder.path() / "Urlaub am See.jpg";
    test::writeBinaryFile(photo, encodeJpeg(test::photoLikeRaster(1600, 1200), true));
    std::string upload;
    resizeJpg(photo.string(), upload);

    test::TlsTestServer server({ca.issueServerCertificate(), false});
    const std::string page = "<input id=\"codebbs\" value=\"[URL=x][IMG]y[/IMG][/URL]\">";
    server.setReply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                    "\r\n\r\n" + page);
    const LocalTime now{2025, 3, 14, 15, 9, 26, 535};
    UploadOptions options;
    options.endpoint = Endpoint{"localhost", server.port()};
    options.timeouts = SocketTimeouts{5s, 5s};
    options.clock = [&] { return now; };

    EXPECT_EQ(postImage(photo.string(), upload, ExpiryChoice::SixWeeks, options), page);

    const auto requests = server.requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], buildUploadRequest("localhost", {photo.string(), upload},
                                              ExpiryChoice::SixWeeks, now));
    // The file part carries the re-encoded picture, not the file from disk.
    const std::size_t start = requests[0].find(upload);
    ASSERT_NE(start, std::string::npos);
    const std::string sent = requests[0].substr(start, upload.size());
    const JpegHeader header = readJpegHeader(sent);
    EXPECT_EQ(header.width, 1024);
    EXPECT_EQ(header.height, 768);
    EXPECT_TRUE(header.multiScan);
}

}  // namespace
}  // namespace bildheber
