#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "imaging/JpegCodec.h"
#include "support/FakePlatform.h"
#include "support/FakeWindow.h"
#include "support/TempDir.h"
#include "support/TestCa.h"
#include "support/TestPictures.h"
#include "support/TlsTestServer.h"
#include "support/TrustedTestCa.h"
#include "upload/PostImage.h"
#include "upload/UploadJob.h"

namespace bildheber::test {

// A job with a recording window and platform, the program "installed" in a temp folder, and a
// real TLS image host on loopback that answers each upload with a page holding a forum code.
class JobFixture : public TrustedTestCaSuite {
  protected:
    JobFixture() {
        server.setReply(page("[URL=https://x/default][IMG]https://x/default.jpg[/IMG][/URL]"));
    }

    static std::string page(const std::string& code) {
        const std::string body = "<html><input id=\"codebbs\" value=\"" + code + "\"></html>";
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    }

    static std::string codeFor(int n) {
        return "[URL=https://x/" + std::to_string(n) + "][IMG]https://x/" + std::to_string(n) +
               ".jpg[/IMG][/URL]";
    }

    // A real JPEG file of the given size in the test folder.
    std::string writeJpeg(const std::string& name, int width = 64, int height = 48) const {
        return writeJpegFile(folder.path() / name, width, height);
    }

    std::string writeFile(const std::string& name, const std::string& bytes) const {
        const auto path = folder.path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    std::string logContent() const {
        std::ifstream in(job.logfilename(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    Uploader uploader() {
        return [this](std::string_view path, std::string_view jpeg, ExpiryChoice expiry) {
            UploadOptions options;
            options.endpoint = Endpoint{"localhost", server.port()};
            options.timeouts = uploadTimeouts;
            return postImage(path, jpeg, expiry, options);
        };
    }

    // Read at each upload, so that a test may shorten them before the run.
    SocketTimeouts uploadTimeouts{std::chrono::seconds(5), std::chrono::seconds(5)};
    TempDir folder;
    FakePlatform platform{(folder.path() / "Bildheber").string()};  // "installed" there
    FakeWindow window;
    TlsTestServer server{TlsTestServerOptions{ca().issueServerCertificate()}};
    UploadJob job{window, platform, uploader()};
};

}  // namespace bildheber::test
