#include "support/LoopbackSockets.h"

#include <openssl/bio.h>
#include <openssl/err.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/SocketSystem.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/time.h>
#endif

namespace bildheber::test {

namespace {

using AddressPtr = std::unique_ptr<BIO_ADDR, decltype(&BIO_ADDR_free)>;

// The reason comes from OpenSSL's error queue, where its socket calls put the system's error.
void check(bool ok, const char* what) {
    if (ok) {
        return;
    }
    char reason[256] = "";
    if (const unsigned long code = ERR_get_error(); code != 0) {
        ERR_error_string_n(code, reason, sizeof reason);
    }
    ERR_clear_error();
    throw std::runtime_error(std::string("loopback socket: ") + what +
                             (reason[0] == '\0' ? "" : std::string(": ") + reason));
}

// Winsock's start-up; on POSIX SIGPIPE ignored, so that a peer that goes away while we write
// does not kill the test process.
void startSockets() {
    socket_system::start();
}

AddressPtr loopbackAddress(std::uint16_t port) {
    AddressPtr address(BIO_ADDR_new(), &BIO_ADDR_free);
    in_addr loopback{};
    loopback.s_addr = htonl(INADDR_LOOPBACK);
    check(address != nullptr && BIO_ADDR_rawmake(address.get(), AF_INET, &loopback, sizeof loopback,
                                                 htons(port)) == 1,
          "BIO_ADDR_rawmake");
    return address;
}

// Like the program's own sockets: a test that starts a child process must not hand it ours.
void keepFromChildProcesses(int socket) {
#ifdef _WIN32
    SetHandleInformation(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(socket)),
                         HANDLE_FLAG_INHERIT, 0);
#else
    ::fcntl(socket, F_SETFD, FD_CLOEXEC);
#endif
}

LoopbackSocket openSocket() {
    startSockets();
    LoopbackSocket socket(BIO_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP, 0));
    check(socket.valid(), "BIO_socket");
    keepFromChildProcesses(socket.get());
    return socket;
}

}  // namespace

void LoopbackSocket::reset(int socket) {
    if (socket_ != -1) {
        BIO_closesocket(socket_);
    }
    socket_ = socket;
}

LoopbackSocket listenOnLoopback() {
    LoopbackSocket socket = openSocket();
    // BIO_listen leaves out SO_REUSEADDR on Windows, where it would let others share the port.
    check(BIO_listen(socket.get(), loopbackAddress(0).get(),
                     BIO_SOCK_REUSEADDR | BIO_SOCK_NONBLOCK) == 1,
          "BIO_listen");
    return socket;
}

std::uint16_t localPort(const LoopbackSocket& socket) {
    const AddressPtr address(BIO_ADDR_new(), &BIO_ADDR_free);
    BIO_sock_info_u info{};
    info.addr = address.get();
    check(address != nullptr && BIO_sock_info(socket.get(), BIO_SOCK_INFO_ADDRESS, &info) == 1,
          "BIO_sock_info");
    return ntohs(BIO_ADDR_rawport(address.get()));
}

LoopbackSocket acceptConnection(const LoopbackSocket& listening) {
    LoopbackSocket connection(BIO_accept_ex(listening.get(), nullptr, BIO_SOCK_NONBLOCK));
    if (connection.valid()) {
        keepFromChildProcesses(connection.get());
    }
    ERR_clear_error();  // a client that gave up before we accepted leaves an error here
    return connection;
}

LoopbackSocket connectToLoopback(std::uint16_t port, std::chrono::milliseconds receiveTimeout) {
    LoopbackSocket socket = openSocket();
#ifdef _WIN32
    const DWORD timeout = static_cast<DWORD>(receiveTimeout.count());
#else
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(receiveTimeout.count() / 1000);
    timeout.tv_usec = static_cast<suseconds_t>((receiveTimeout.count() % 1000) * 1000);
#endif
    ::setsockopt(socket.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
    check(BIO_connect(socket.get(), loopbackAddress(port).get(), 0) == 1, "BIO_connect");
    return socket;
}

std::pair<LoopbackSocket, LoopbackSocket> connectedPair() {
    LoopbackSocket listening = openSocket();
    check(BIO_listen(listening.get(), loopbackAddress(0).get(), 0) == 1, "BIO_listen");
    LoopbackSocket one = openSocket();
    // The connection completes in the backlog, before it is accepted.
    check(BIO_connect(one.get(), loopbackAddress(localPort(listening)).get(), 0) == 1,
          "BIO_connect");
    LoopbackSocket other(BIO_accept_ex(listening.get(), nullptr, 0));
    check(other.valid(), "BIO_accept_ex");
    keepFromChildProcesses(other.get());
    return {std::move(one), std::move(other)};
}

SocketReadiness waitUntilReadyOrWoken(int socket, bool receive, const LoopbackSocket& wake,
                                      std::chrono::milliseconds timeout) {
    const bool forever = timeout == kWaitForever;
    const auto milliseconds =
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
#ifdef _WIN32
    fd_set readable;
    fd_set writable;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_SET(static_cast<SOCKET>(socket), receive ? &readable : &writable);
    FD_SET(static_cast<SOCKET>(wake.get()), &readable);
    timeval limit{static_cast<long>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000};
    const int count = ::select(0, &readable, &writable, nullptr, forever ? nullptr : &limit);
    const bool woken = count > 0 && FD_ISSET(static_cast<SOCKET>(wake.get()), &readable);
#else
    pollfd entries[] = {{socket, static_cast<short>(receive ? POLLIN : POLLOUT), 0},
                        {wake.get(), POLLIN, 0}};
    const int count = ::poll(entries, 2, forever ? -1 : static_cast<int>(milliseconds));
    const bool woken = count > 0 && entries[1].revents != 0;
#endif
    if (woken) {
        return SocketReadiness::Woken;
    }
    return count == 0 ? SocketReadiness::TimedOut : SocketReadiness::Ready;
}

void stopSending(int socket) {
#ifdef _WIN32
    ::shutdown(socket, SD_SEND);
#else
    ::shutdown(socket, SHUT_WR);
#endif
}

}  // namespace bildheber::test
