#include "support/ImageHostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string_view>

extern char** environ;

namespace bildheber::test {

namespace {
constexpr const char* kScript = BILDHEBER_IMGHOST_SCRIPT;
constexpr std::string_view kListening = "listening on https://127.0.0.1:";
constexpr std::string_view kTrust = "trust: export SSL_CERT_FILE=";
}  // namespace

ImageHostProcess::ImageHostProcess(const std::filesystem::path& dataFolder) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    output_.reset(::fdopen(fds[0], "r"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const std::string data = dataFolder.string();
    const char* argv[] = {kScript, "--listen", "127.0.0.1:0", "--data", data.c_str(), nullptr};
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, kScript, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (error != 0) {
        throw std::runtime_error(std::string("cannot start ") + kScript);
    }
    pid_ = pid;
    readStartLines();
    drain_ = std::thread([this] {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, output_.get()) != nullptr) {
            later_ += buffer;
        }
    });
}

int ImageHostProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, &status_, 0);
        pid_ = -1;
    }
    if (drain_.joinable()) {
        drain_.join();
    }
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void ImageHostProcess::readStartLines() {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, output_.get()) != nullptr) {
        std::string line(buffer);
        start_ += line;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        if (line.starts_with(kTrust)) {
            certificate_ = line.substr(kTrust.size());
        }
        if (line.starts_with(kListening)) {
            port_ = static_cast<std::uint16_t>(std::stoi(line.substr(kListening.size())));
            return;
        }
    }
    throw std::runtime_error("the image host ended before listening:\n" + start_);
}

}  // namespace bildheber::test
