#include "imaging/FileBytes.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

namespace bildheber {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void throwFileError(int error, const std::string& what, const std::string& path) {
    throw std::system_error(error, std::generic_category(), what + " \"" + path + "\"");
}

}  // namespace

std::string readFileBytes(const std::string& path) {
    // Read-only. POSIX has no share modes; a Windows build would open with FILE_SHARE_READ so
    // that nobody writes the file while it is read.
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throwFileError(errno, "cannot open", path);
    }
    std::string bytes;
    std::error_code sizeUnknown;
    const auto expectedSize = std::filesystem::file_size(path, sizeUnknown);
    if (!sizeUnknown) {
        bytes.reserve(static_cast<std::size_t>(expectedSize));  // a hint; the loop reads it all
    }
    char buffer[1 << 16];
    std::size_t count = 0;
    do {
        count = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, count);
    } while (count == sizeof buffer);
    if (std::ferror(file.get())) {
        throwFileError(errno != 0 ? errno : EIO, "cannot read", path);
    }
    return bytes;
}

}  // namespace bildheber
