# Cross-compiles for 64-bit Windows with Debian's mingw-w64 and runs what it built with wine64.
#   cmake -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64.cmake
# The libraries come from tools/windows/build-deps.sh, in ${BILDHEBER_WINDOWS_DEPS}/prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_SYSTEM_VERSION 10.0)

set(BILDHEBER_WINDOWS_DEPS_DEFAULT /var/cache/bildheber/windows-deps)
if(DEFINED ENV{BILDHEBER_WINDOWS_DEPS})
  set(BILDHEBER_WINDOWS_DEPS_DEFAULT "$ENV{BILDHEBER_WINDOWS_DEPS}")
endif()
set(BILDHEBER_WINDOWS_DEPS "${BILDHEBER_WINDOWS_DEPS_DEFAULT}" CACHE PATH
    "Folder of tools/windows/build-deps.sh: the Windows libraries in prefix/, the Wine prefix in wine/")
# try_compile() projects read this file again and need the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BILDHEBER_WINDOWS_DEPS)
set(BILDHEBER_WINDOWS_PREFIX "${BILDHEBER_WINDOWS_DEPS}/prefix")
if(NOT IS_DIRECTORY "${BILDHEBER_WINDOWS_PREFIX}")
  message(FATAL_ERROR "No Windows libraries in ${BILDHEBER_WINDOWS_PREFIX}: run tools/windows/build-deps.sh "
    "(as root), or set BILDHEBER_WINDOWS_DEPS to the folder it built them in")
endif()

# The -posix compilers: the win32-thread ones have no std::thread, std::mutex or std::async.
# CMake derives ar, ranlib, windres and the rest from the "x86_64-w64-mingw32-" before the name.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# libgcc, libstdc++ and winpthread linked in, so that a program needs only the DLLs Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Headers, libraries and CMake packages only from our prefix and the mingw-w64 system folder,
# never the Linux ones; programs (nasm, perl, ...) from the build machine.
set(CMAKE_FIND_ROOT_PATH "${BILDHEBER_WINDOWS_PREFIX}" /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# FindOpenSSL then takes libssl.a/libcrypto.a and adds ws2_32 and crypt32 to OpenSSL::Crypto.
set(OPENSSL_ROOT_DIR "${BILDHEBER_WINDOWS_PREFIX}")
set(OPENSSL_USE_STATIC_LIBS TRUE)

# Tests (CTest, gtest_discover_tests) run under wine64 in the Wine prefix build-deps.sh made,
# quiet and without the dialogs offering to install Mono and Gecko.
find_program(BILDHEBER_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(BILDHEBER_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      "${CMAKE_COMMAND}" -E env
      "WINEPREFIX=${BILDHEBER_WINDOWS_DEPS}/wine" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml="
      # the codec's own tools (cjpeg.exe, djpeg.exe), which some tests compare with
      "WINEPATH=Z:${BILDHEBER_WINDOWS_PREFIX}/bin"
      "${BILDHEBER_WINE64}")
else()
  message(WARNING "wine64 not found: the Windows tests cannot run here (tools/windows/build-deps.sh installs it)")
endif()
