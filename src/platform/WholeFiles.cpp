#include <optional>

#include "platform/SystemFiles.h"

namespace bildheber {

namespace {
[[noreturn]] void failToCreate(const std::string& path, const FileError& failure) {
    throw std::runtime_error("Datei \"" + path + "\" kann nicht erstellt werden. " +
                             failure.what());
}
}  // namespace

bool writeWholeFile(const std::string& path, std::string_view bytes, OutputFile::Mode mode) {
    std::optional<OutputFile> file;
    try {
        file.emplace(path, mode);
    } catch (const FileError& failure) {
        if (failure.alreadyExists()) {
            return false;
        }
        failToCreate(path, failure);
    }
    try {
        file->writeAll(bytes);
        file->close();
    } catch (const FileError& failure) {
        file.reset();      // closed first: an open file cannot be deleted everywhere
        removeFile(path);  // a file cut short must not be used or left behind
        failToCreate(path, failure);
    }
    return true;
}

}  // namespace bildheber
