#include "support/RegionalFormats.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <clocale>
#endif

namespace bildheber::test {

#ifdef _WIN32
namespace {
std::wstring userFormat(LCTYPE item) {
    wchar_t value[128] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, value, 128);
    return length > 0 ? std::wstring(value, static_cast<std::size_t>(length - 1)) : L"";
}
std::string narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());  // format pictures are ASCII
}
std::wstring wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}
}  // namespace

GermanRegionalFormats::GermanRegionalFormats()
    : previousDate_(narrow(userFormat(LOCALE_SSHORTDATE))),
      previousTime_(narrow(userFormat(LOCALE_STIMEFORMAT))) {
    available_ = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"dd.MM.yyyy") &&
                 SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH:mm:ss");
}

GermanRegionalFormats::~GermanRegionalFormats() {
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, wide(previousDate_).c_str());
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, wide(previousTime_).c_str());
}
#else
GermanRegionalFormats::GermanRegionalFormats() {
    const char* current = std::setlocale(LC_TIME, nullptr);
    previousTime_ = current != nullptr ? current : "C";
    available_ = std::setlocale(LC_TIME, "de_DE.UTF-8") != nullptr;
}

GermanRegionalFormats::~GermanRegionalFormats() {
    std::setlocale(LC_TIME, previousTime_.c_str());
}
#endif

}  // namespace bildheber::test
