#include "imghost/PictureStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>

#include "imghost/PictureName.h"

namespace bildheber::imghost {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPictureExtension = ".jpg";
constexpr std::string_view kInfoExtension = ".info";
constexpr std::string_view kPartSuffix = ".part";
constexpr int kNameAttempts = 8;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void failOn(const fs::path& file, const std::string& what) {
    throw StoreError(what + " " + file.string() + ": " + std::strerror(errno));
}

// Creates `file`, which must not exist yet, with the given bytes. False if it already exists.
bool writeNewFile(const fs::path& file, std::string_view bytes) {
    FilePtr out(std::fopen(file.c_str(), "wbx"));
    if (!out) {
        if (errno == EEXIST) {
            return false;
        }
        failOn(file, "cannot create");
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
    if (std::fclose(out.release()) != 0 || !written) {
        failOn(file, "cannot write");
    }
    return true;
}

std::optional<std::string> readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

void removeQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

}  // namespace

PictureStore::PictureStore(fs::path folder) : folder_(std::move(folder)) {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error) {
        throw StoreError("cannot create the folder " + folder_.string() + ": " + error.message());
    }
}

std::string PictureStore::add(std::string_view jpeg, const PictureInfo& info,
                              const LocalDateTime& now) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = makePictureName(now, ++counter_, random_());
        // The sidecar's exclusive creation claims the name, even against another host process.
        if (!writeNewFile(infoPath(name), formatPictureInfo(info))) {
            continue;
        }
        fs::path part = picturePath(name);
        part += kPartSuffix;
        try {
            removeQuietly(part);
            if (!writeNewFile(part, jpeg)) {
                throw StoreError("cannot create " + part.string());
            }
            std::error_code error;
            fs::rename(part, picturePath(name), error);
            if (error) {
                throw StoreError("cannot rename " + part.string() + ": " + error.message());
            }
        } catch (...) {
            removeQuietly(part);
            removeQuietly(infoPath(name));
            throw;
        }
        return name;
    }
    throw StoreError("no free picture name in " + folder_.string());
}

std::optional<PictureInfo> PictureStore::find(std::string_view name) const {
    if (!isPictureName(name)) {
        return std::nullopt;
    }
    std::error_code error;
    if (!fs::is_regular_file(picturePath(name), error)) {
        return std::nullopt;
    }
    const std::optional<std::string> text = readFile(infoPath(name));
    return text ? parsePictureInfo(*text) : std::nullopt;
}

std::optional<std::string> PictureStore::readJpeg(std::string_view name) const {
    if (!isPictureName(name)) {
        return std::nullopt;
    }
    return readFile(picturePath(name));
}

std::vector<std::string> PictureStore::removeExpired(const CalendarDate& today) {
    std::vector<std::string> expired;
    std::error_code error;
    for (fs::directory_iterator entry(folder_, error), end; !error && entry != end;
         entry.increment(error)) {
        const fs::path& file = entry->path();
        const std::string name = file.stem().string();
        if (file.extension() != kInfoExtension || !isPictureName(name)) {
            continue;
        }
        const std::optional<std::string> text = readFile(file);
        const std::optional<PictureInfo> info = text ? parsePictureInfo(*text) : std::nullopt;
        if (info && info->keepUntil && *info->keepUntil < today) {
            expired.push_back(name);
        }
    }
    for (const std::string& name : expired) {
        // Picture first: without it the name is no longer served, whatever happens next.
        removeQuietly(picturePath(name));
        removeQuietly(infoPath(name));
    }
    return expired;
}

fs::path PictureStore::picturePath(std::string_view name) const {
    return folder_ / (std::string(name) + std::string(kPictureExtension));
}

fs::path PictureStore::infoPath(std::string_view name) const {
    return folder_ / (std::string(name) + std::string(kInfoExtension));
}

}  // namespace bildheber::imghost
