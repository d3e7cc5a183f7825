#include "platform/SystemFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <system_error>

namespace bildheber {

namespace {
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};
}  // namespace

std::string programFilePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
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

}  // namespace bildheber
