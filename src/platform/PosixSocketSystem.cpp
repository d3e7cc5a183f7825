#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include "platform/SocketSystem.h"

namespace bildheber::socket_system {

void start() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGPIPE, SIG_IGN);
        }
    });
}

Native openNonBlocking(const addrinfo& address) {
    const int socket = ::socket(
        address.ai_family, address.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address.ai_protocol);
    return socket < 0 ? kNone : socket;
}

void close(Native socket) {
    ::close(static_cast<int>(socket));
}

int lastError() {
    return errno;
}

std::string errorText(int error) {
    return std::strerror(error);
}

std::string lookUpErrorText(int error) {
    return gai_strerror(error);
}

int startConnect(Native socket, const addrinfo& address) {
    return ::connect(static_cast<int>(socket), address.ai_addr, address.ai_addrlen) == 0 ? 0
                                                                                         : errno;
}

bool isConnectPending(int error) {
    return error == EINPROGRESS;
}

int connectResult(Native socket) {
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error;
}

int waitReady(Native socket, bool receive, int timeoutMs) {
    pollfd entry{static_cast<int>(socket), static_cast<short>(receive ? POLLIN : POLLOUT), 0};
    const int ready = ::poll(&entry, 1, timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? -1 : 1;  // anything else: the next call on the socket tells
    }
    return ready > 0 ? 1 : 0;
}

}  // namespace bildheber::socket_system
