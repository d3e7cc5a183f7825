#include <windows.h>
// wincrypt.h needs windows.h before it.
#include <fcntl.h>
#include <io.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/CommandLine.h"
#include "platform/Paths.h"
#include "platform/SystemFiles.h"
#include "platform/TrustStore.h"
#include "platform/Utf8.h"
#include "platform/WindowsText.h"

namespace bildheber {

namespace {

using windows::utf8FromWide;
using windows::wideFromUtf8;

[[noreturn]] void throwFileError(DWORD error, const std::string& what, const std::string& path) {
    throw std::system_error(static_cast<int>(error), std::system_category(),
                            what + " \"" + path + "\"");
}

DWORD creationOf(OutputFile::Mode mode) {
    switch (mode) {
        case OutputFile::Mode::CreateNew:
            return CREATE_NEW;
        case OutputFile::Mode::Replace:
            return CREATE_ALWAYS;
        case OutputFile::Mode::Append:
            return OPEN_ALWAYS;
    }
    return CREATE_NEW;
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

struct CertStoreCloser {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using CertStore = std::unique_ptr<void, CertStoreCloser>;

// OutputFile keeps its handle as an integer, the same on every system.
HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

std::string programFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return utf8FromWide(path);
        }
        path.resize(path.size() * 2);  // cut off: try a larger buffer
    }
}

std::vector<std::string> programArguments(int, char**) {
    const wchar_t* line = GetCommandLineW();
    const std::u16string_view wide(reinterpret_cast<const char16_t*>(line), std::wcslen(line));
    std::vector<std::string> arguments;
    for (const std::u16string& argument : splitCommandLine(wide)) {
        arguments.push_back(utf8FromUtf16(argument));
    }
    return arguments;
}

void prepareStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

bool isExistingFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesW(wideFromUtf8(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    const std::wstring pattern = wideFromUtf8(folder.empty() ? "*" : joinPath(folder, "*"));
    WIN32_FIND_DATAW found{};
    const windows::FindHandle search = windows::ownFindHandle(FindFirstFileExW(
        pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(utf8FromWide(name));
        }
    } while (FindNextFileW(search.get(), &found));
    return names;
}

bool removeFile(const std::string& path) {
    return DeleteFileW(wideFromUtf8(path).c_str()) != 0;
}

std::int64_t getFileSize(const std::string& fileName) {
    // Neither read nor write access: only the size is asked for.
    const windows::KernelHandle file = windows::ownKernelHandle(CreateFileW(
        wideFromUtf8(fileName).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) {
        return -1;
    }
    return size.QuadPart;
}

std::optional<FileVersion> fileVersion(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    if (!GetFileAttributesExW(wideFromUtf8(path).c_str(), GetFileExInfoStandard, &facts)) {
        return std::nullopt;
    }
    const auto wide = [](DWORD high, DWORD low) {
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
    };
    return FileVersion{
        wide(facts.nFileSizeHigh, facts.nFileSizeLow),
        wide(facts.ftLastWriteTime.dwHighDateTime, facts.ftLastWriteTime.dwLowDateTime)};
}

std::string readFileBytes(const std::string& path) {
    const windows::KernelHandle file = windows::ownKernelHandle(
        CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        throwFileError(GetLastError(), "cannot open", path);
    }
    std::string bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        bytes.reserve(static_cast<std::size_t>(size.QuadPart));  // a hint; the loop reads it all
    }
    char buffer[1 << 16];
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr)) {
            throwFileError(GetLastError(), "cannot read", path);
        }
        if (count == 0) {
            return bytes;
        }
        bytes.append(buffer, count);
    }
}

OutputFile::OutputFile(const std::string& path, Mode mode) {
    const std::wstring name = wideFromUtf8(path);
    // Appending asks for append access only, so that every write goes to the end.
    const DWORD access = mode == Mode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    const HANDLE file = CreateFileW(name.c_str(), access, FILE_SHARE_READ, nullptr,
                                    creationOf(mode), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle_ = reinterpret_cast<std::intptr_t>(file);
        return;
    }
    const DWORD error = GetLastError();
    const bool exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    if (exists && mode == Mode::CreateNew && isFolder(name)) {
        throw FileError(windows::systemMessage(ERROR_ACCESS_DENIED), false);
    }
    throw FileError(windows::systemMessage(error), exists && mode == Mode::CreateNew);
}

OutputFile::~OutputFile() {
    if (handle_ != -1) {
        CloseHandle(handleOf(handle_));
    }
}

void OutputFile::writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(handle_), bytes.data(), chunk, &written, nullptr) || written == 0) {
            throw FileError(windows::systemMessage(GetLastError()), false);
        }
        bytes.remove_prefix(written);
    }
}

void OutputFile::close() {
    if (!CloseHandle(handleOf(std::exchange(handle_, -1)))) {
        throw FileError(windows::systemMessage(GetLastError()), false);
    }
}

std::vector<std::string> systemRootCertificates() {
    std::vector<std::string> certificates;
    if (std::getenv("SSL_CERT_FILE") != nullptr) {
        return certificates;  // the file named there replaces the system's store
    }
    const CertStore store(CertOpenSystemStoreW(0, L"ROOT"));
    if (!store) {
        return certificates;
    }
    // Each call frees the context it is given, so the walk holds nothing at its end.
    for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store.get(), nullptr);
         certificate != nullptr;
         certificate = CertEnumCertificatesInStore(store.get(), certificate)) {
        certificates.emplace_back(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                                  certificate->cbCertEncoded);
    }
    return certificates;
}

}  // namespace bildheber
