#include <mutex>

#include "platform/SocketSystem.h"
#include "platform/WindowsText.h"

namespace bildheber::socket_system {

namespace {
SOCKET handleOf(Native socket) {
    return static_cast<SOCKET>(socket);
}
}  // namespace

void start() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);  // a failure shows in the first socket call
    });
}

Native openNonBlocking(const addrinfo& address) {
    const SOCKET socket = WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol,
                                     nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET) {
        return kNone;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) {
        const int error = WSAGetLastError();
        closesocket(socket);
        WSASetLastError(error);
        return kNone;
    }
    return static_cast<Native>(socket);
}

void close(Native socket) {
    closesocket(handleOf(socket));
}

int lastError() {
    return WSAGetLastError();
}

std::string errorText(int error) {
    return windows::systemMessage(static_cast<DWORD>(error));
}

// getaddrinfo reports Winsock error codes, which the system describes like any other.
std::string lookUpErrorText(int error) {
    return windows::systemMessage(static_cast<DWORD>(error));
}

int startConnect(Native socket, const addrinfo& address) {
    return ::connect(handleOf(socket), address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0
               ? 0
               : WSAGetLastError();
}

bool isConnectPending(int error) {
    return error == WSAEWOULDBLOCK;
}

int connectResult(Native socket) {
    int error = 0;
    int size = sizeof error;
    if (getsockopt(handleOf(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                   &size) != 0) {
        return WSAGetLastError();
    }
    return error;
}

// select, not WSAPoll: WSAPoll does not report a connect that failed on some Windows versions,
// select does through the exception set.
int waitReady(Native socket, bool receive, int timeoutMs) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(handleOf(socket), &ready);
    FD_SET(handleOf(socket), &failed);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int count =
        ::select(0, receive ? &ready : nullptr, receive ? nullptr : &ready, &failed, &timeout);
    return count == 0 ? 0 : 1;  // an error counts as ready: the next call on the socket tells
}

}  // namespace bildheber::socket_system
