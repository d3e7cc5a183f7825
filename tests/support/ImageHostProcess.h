#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace bildheber::test {

// The local image host (bildheber-imghost) as a child process on a free loopback port. Its
// standard output is read up to the "listening on" line; the rest is read away by a thread, so
// that the host never blocks on a full pipe.
class ImageHostProcess {
  public:
    explicit ImageHostProcess(const std::filesystem::path& dataFolder);
    ~ImageHostProcess() { stop(); }
    ImageHostProcess(const ImageHostProcess&) = delete;
    ImageHostProcess& operator=(const ImageHostProcess&) = delete;

    // Sends SIGTERM and waits; the exit code, or -1 if it did not exit normally.
    int stop();

    std::uint16_t port() const { return port_; }
    // The host's self-signed certificate, to be trusted through SSL_CERT_FILE.
    const std::filesystem::path& certificate() const { return certificate_; }
    const std::string& startOutput() const { return start_; }
    // What the host printed after starting; complete after stop().
    const std::string& laterOutput() const { return later_; }

  private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    void readStartLines();

    int pid_ = -1;
    int status_ = 0;
    std::unique_ptr<std::FILE, FileCloser> output_;
    std::thread drain_;
    std::string start_;
    std::string later_;
    std::uint16_t port_ = 0;
    std::filesystem::path certificate_;
};

}  // namespace bildheber::test
