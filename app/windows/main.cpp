// bildheber.exe: the window a forum member starts on Windows.

#include <windows.h>

#include <clocale>
#include <exception>

#include "platform/SystemFiles.h"
#include "ui/win32/Win32MainWindow.h"
#include "ui/win32/WindowsDesktop.h"
#include "upload/PostImage.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    try {
        bildheber::WindowsDesktop desktop;
        bildheber::win32::TForm1 form(desktop, [](std::string_view path, std::string_view jpeg,
                                                  bildheber::ExpiryChoice expiry) {
            return bildheber::postImage(path, jpeg, expiry);
        });
        desktop.setOwner(form.window());
        form.FormCreate(bildheber::programArguments(argc, argv));
        form.show(SW_SHOWNORMAL);
        return bildheber::win32::TForm1::runMessageLoop();
    } catch (const std::exception& failure) {
        MessageBoxA(nullptr, failure.what(), "Bildheber", MB_OK | MB_ICONERROR);
        return 1;
    }
}
