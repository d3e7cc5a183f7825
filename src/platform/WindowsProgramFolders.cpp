#include <windows.h>

#include "platform/Paths.h"
#include "platform/ProgramFolders.h"
#include "platform/WindowsText.h"

namespace bildheber {

namespace {

// The user's own folder for programs' data (%LOCALAPPDATA%), with a folder "Bildheber" in it.
std::string localAppDataFolder() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", value, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    return joinPath(windows::utf8FromWide(std::wstring_view(value, length)), "Bildheber");
}

}  // namespace

// Windows decides by access lists that only an attempt reveals: a file that deletes itself on
// closing tells without leaving anything behind.
bool mayWriteFolder(const std::string& folder) {
    const std::string probe = joinPath(folder, "bildheber-write-probe.tmp");
    const windows::KernelHandle file = windows::ownKernelHandle(
        CreateFileW(windows::wideFromUtf8(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return file != nullptr || GetLastError() == ERROR_FILE_EXISTS;
}

ProgramFolders programFoldersFor(const std::string& programFolder) {
    if (mayWriteFolder(programFolder)) {
        return ProgramFolders{programFolder, programFolder};
    }
    const std::string own = localAppDataFolder();
    if (own.empty()) {
        return ProgramFolders{programFolder, programFolder};  // creating the log will say why not
    }
    CreateDirectoryW(windows::wideFromUtf8(own).c_str(), nullptr);  // an existing one is fine
    return ProgramFolders{own, own};
}

}  // namespace bildheber
