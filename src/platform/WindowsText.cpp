#include "platform/WindowsText.h"

#include "platform/Utf8.h"

namespace bildheber::windows {

// wchar_t is UTF-16 on Windows, so the portable conversions serve.
std::wstring wideFromUtf8(std::string_view utf8) {
    const std::u16string wide = utf16FromUtf8(utf8);
    return std::wstring(wide.begin(), wide.end());
}

std::string utf8FromWide(std::wstring_view wide) {
    return utf8FromUtf16(std::u16string(wide.begin(), wide.end()));
}

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) {
        return "Windows error " + std::to_string(error);
    }
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    return utf8FromWide(message);
}

}  // namespace bildheber::windows
