#include "platform/SystemFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/FileDescriptor.h"
#include "platform/TrustStore.h"

namespace bildheber {

namespace {
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

[[noreturn]] void throwFileError(int error, const std::string& what, const std::string& path) {
    throw std::system_error(error, std::generic_category(), what + " \"" + path + "\"");
}

int openFlags(OutputFile::Mode mode) {
    switch (mode) {
        case OutputFile::Mode::CreateNew:
            return O_EXCL;
        case OutputFile::Mode::Replace:
            return O_TRUNC;
        case OutputFile::Mode::Append:
            return O_APPEND;
    }
    return 0;
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

std::string programFilePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void prepareStandardStreams() {}

std::vector<std::string> systemRootCertificates() {
    return {};
}

bool isExistingFile(const std::string& name) {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) {
        return names;
    }
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    return names;
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::int64_t getFileSize(const std::string& fileName) {
    struct stat info {};
    if (::stat(fileName.c_str(), &info) != 0) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::optional<FileVersion> fileVersion(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileVersion{
        static_cast<std::int64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::string readFileBytes(const std::string& path) {
    // POSIX has no share modes: nothing keeps others from writing while we read.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        throwFileError(errno, "cannot open", path);
    }
    std::string bytes;
    struct stat info {};
    if (::fstat(file.get(), &info) == 0 && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));  // a hint; the loop reads it all
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throwFileError(errno, "cannot read", path);
        }
        if (count == 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

OutputFile::OutputFile(const std::string& path, Mode mode)
    : handle_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | openFlags(mode), 0644)) {
    if (handle_ >= 0) {
        return;
    }
    const int error = errno;
    if (error == EEXIST && mode == Mode::CreateNew && isFolder(path)) {
        throw FileError(std::strerror(EISDIR), false);
    }
    throw FileError(std::strerror(error), error == EEXIST);
}

OutputFile::~OutputFile() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

void OutputFile::writeAll(std::string_view bytes) {
    if (!bildheber::writeAll(static_cast<int>(handle_), bytes)) {
        throw FileError(std::strerror(errno), false);
    }
}

void OutputFile::close() {
    if (::close(static_cast<int>(std::exchange(handle_, -1))) != 0) {
        throw FileError(std::strerror(errno), false);
    }
}

}  // namespace bildheber
