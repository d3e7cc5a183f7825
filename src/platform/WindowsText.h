#pragma once

// Texts between the program (UTF-8) and the Windows API (UTF-16); only for the Windows files of
// the platform layer.

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

namespace bildheber::windows {

std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);

// The system's description of an error code, in the user's language, without the final line
// break.
std::string systemMessage(DWORD error);

// Owned handles; INVALID_HANDLE_VALUE is stored as none (nullptr).
struct KernelHandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using KernelHandle = std::unique_ptr<void, KernelHandleCloser>;
inline KernelHandle ownKernelHandle(HANDLE handle) {
    return KernelHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct FindHandleCloser {
    void operator()(HANDLE handle) const { FindClose(handle); }
};
using FindHandle = std::unique_ptr<void, FindHandleCloser>;
inline FindHandle ownFindHandle(HANDLE handle) {
    return FindHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace bildheber::windows
