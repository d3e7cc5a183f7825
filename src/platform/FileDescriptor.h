#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

namespace bildheber {

// An owned POSIX file descriptor (or none, -1), closed on destruction.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }

    // Closes the descriptor owned so far, if any (ignoring the result), and owns `fd` instead.
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = fd;
    }

    // Gives up ownership: the caller closes the descriptor.
    int release() { return std::exchange(fd_, -1); }

    // Closes now; false (errno set) when closing reported an error, such as a delayed write error.
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

  private:
    int fd_ = -1;
};

// Writes all bytes to the descriptor; false (errno set) on failure.
inline bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = EIO;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace bildheber
