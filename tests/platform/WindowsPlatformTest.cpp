// The Windows platform layer against the real system (under Wine in CI).

#include <winsock2.h>
#include <ws2tcpip.h>
// windows.h after winsock2.h, which must come first.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "platform/Charsets.h"
#include "platform/LocalClock.h"
#include "platform/ProgramFolders.h"
#include "platform/SystemFiles.h"
#include "platform/TcpSocket.h"
#include "platform/TrustStore.h"
#include "support/RegionalFormats.h"
#include "support/TempDir.h"

namespace bildheber {
namespace {

std::string utf8PathOf(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(WindowsFiles, HandleNamesBeyondTheAnsiCodePage) {
    test::TempDir folder;
    const std::string name =
        "\xCE\xA9mega \xC3\x9C"
        "ber.jpg";  // Ωmega Über.jpg
    const std::string path = utf8PathOf(folder.path()) + "\\" + name;

    EXPECT_TRUE(writeWholeFile(path, "picture", OutputFile::Mode::Replace));
    EXPECT_TRUE(isExistingFile(path));
    EXPECT_EQ(getFileSize(path), 7);
    EXPECT_EQ(readFileBytes(path), "picture");
    EXPECT_EQ(folderEntries(utf8PathOf(folder.path())), std::vector<std::string>{name});
    EXPECT_TRUE(removeFile(path));
    EXPECT_FALSE(isExistingFile(path));
    EXPECT_EQ(getFileSize(path), -1);
}

TEST(WindowsFiles, WriteBytesAsTheyAreAndAppendAtTheEnd) {
    test::TempDir folder;
    const std::string path = utf8PathOf(folder.path() / "log.txt");
    EXPECT_TRUE(writeWholeFile(path, "one\r\n", OutputFile::Mode::CreateNew));
    EXPECT_FALSE(writeWholeFile(path, "two\r\n", OutputFile::Mode::CreateNew));  // exists
    {
        OutputFile log(path, OutputFile::Mode::Append);
        log.writeAll("two\r\n\n");
        log.close();
    }
    EXPECT_EQ(readFileBytes(path), "one\r\ntwo\r\n\n");  // no CR added before LF

    std::filesystem::create_directory(folder.path() / "folder.txt");
    try {
        OutputFile(utf8PathOf(folder.path() / "folder.txt"), OutputFile::Mode::CreateNew);
        FAIL() << "a folder was opened as a file";
    } catch (const FileError& failure) {
        EXPECT_FALSE(failure.alreadyExists());
    }
}

TEST(WindowsFiles, WhileWritingOthersMayReadButNotWrite) {
    test::TempDir folder;
    const std::filesystem::path path = folder.path() / "log.txt";
    OutputFile log(utf8PathOf(path), OutputFile::Mode::Replace);
    log.writeAll("entry");
    const auto openFor = [&path](DWORD access) {
        return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const HANDLE reader = openFor(GENERIC_READ);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    EXPECT_EQ(openFor(GENERIC_WRITE), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_THROW(OutputFile(utf8PathOf(path), OutputFile::Mode::Append), FileError);
    log.close();

    // A picture another program holds open for writing is not read half-written.
    const HANDLE writer =
        CreateFileW((folder.path() / "busy.jpg").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_THROW(readFileBytes(utf8PathOf(folder.path() / "busy.jpg")), std::system_error);
    CloseHandle(writer);
}

TEST(WindowsProgram, KnowsItsOwnPathAndFolder) {
    const std::string program = programFilePath();
    EXPECT_TRUE(program.ends_with("\\bildheber_tests.exe")) << program;
    EXPECT_TRUE(isExistingFile(program));

    test::TempDir folder;
    EXPECT_TRUE(mayWriteFolder(utf8PathOf(folder.path())));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));  // the probe leaves nothing
    EXPECT_FALSE(mayWriteFolder(utf8PathOf(folder.path() / "missing")));
    const ProgramFolders beside = programFoldersFor(utf8PathOf(folder.path()));
    EXPECT_EQ(beside.log, utf8PathOf(folder.path()));
    EXPECT_EQ(beside.temporary, utf8PathOf(folder.path()));
}

TEST(WindowsText, TheLogIsInTheAnsiCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "the test expects the Western European ANSI code page";
    EXPECT_EQ(toAnsiCodePage("\xC3\x9C"
                             "ber \xE2\x82\xAC 5"),
              "\xDC"
              "ber \x80 5");
    EXPECT_EQ(toAnsiCodePage("\xCE\xA9 \xE4\xB8\xAD"), "O ?");  // best fit, else "?"
}

TEST(WindowsText, DatesAndTimesFollowTheUsersRegionalFormatsAsTheyAreNow) {
    const LocalTime moment{2019, 3, 5, 14, 7, 33, 250};
    {
        const test::GermanRegionalFormats german;
        ASSERT_TRUE(german.available());
        EXPECT_EQ(shortDateText(moment), "05.03.2019");
        EXPECT_EQ(longTimeText(moment), "14:07:33");
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, L"yyyy-MM-dd");
        SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, L"HH.mm");
        EXPECT_EQ(shortDateText(moment), "2019-03-05");
        EXPECT_EQ(longTimeText(moment), "14.07");
    }
}

TEST(WindowsNetwork, ConnectsOverWinsockAndReportsARefusedConnection) {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    int size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    const std::uint16_t port = ntohs(address.sin_port);

    const Deadline deadline = Deadline::in(std::chrono::seconds(20));
    const TcpSocket connected("127.0.0.1", port, deadline);
    EXPECT_EQ(connected.waitUntilReady(SocketDirection::Send, std::chrono::seconds(5), deadline),
              SocketWait::Ready);
    closesocket(listener);  // now nothing listens on the port

    try {
        const TcpSocket refused("127.0.0.1", port, deadline);
        FAIL() << "connected to a closed port";
    } catch (const NetworkError& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("cannot connect to 127.0.0.1:", 0), 0u)
            << failure.what();
    }
    EXPECT_FALSE(deadline.passed());  // told at once, not by the time limit
}

TEST(WindowsTrust, TakesTheSystemStoreUnlessSslCertFileNamesAnother) {
    _putenv_s("SSL_CERT_FILE", "");
    const std::size_t systemRoots = systemRootCertificates().size();
    _putenv_s("SSL_CERT_FILE", "C:\\ca.pem");
    EXPECT_TRUE(systemRootCertificates().empty());
    _putenv_s("SSL_CERT_FILE", "");
    EXPECT_GT(systemRoots, 0u);
}

}  // namespace
}  // namespace bildheber
