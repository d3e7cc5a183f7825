#pragma once

#include <chrono>
#include <cstdint>
#include <utility>

namespace bildheber::test {

// A socket of OpenSSL's portable socket calls, closed on destruction. They name a socket by an
// int on every system (a Windows SOCKET fits one), as SSL_set_fd does; -1 is none.
class LoopbackSocket {
  public:
    LoopbackSocket() = default;
    explicit LoopbackSocket(int socket) : socket_(socket) {}
    ~LoopbackSocket() { reset(); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;
    LoopbackSocket(LoopbackSocket&& other) noexcept : socket_(std::exchange(other.socket_, -1)) {}
    LoopbackSocket& operator=(LoopbackSocket&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.socket_, -1));
        }
        return *this;
    }

    bool valid() const { return socket_ != -1; }
    int get() const { return socket_; }
    // Closes the socket owned so far, if any, and owns `socket` instead.
    void reset(int socket = -1);

  private:
    int socket_ = -1;
};

// A non-blocking socket listening on 127.0.0.1 at a port the system picks, not inherited by child
// processes. Throws std::runtime_error.
LoopbackSocket listenOnLoopback();
std::uint16_t localPort(const LoopbackSocket& socket);
// The next connection waiting on `listening`, non-blocking and not inherited by child processes;
// none when no connection is waiting.
LoopbackSocket acceptConnection(const LoopbackSocket& listening);
// A blocking connection to 127.0.0.1:`port` whose receives fail after `receiveTimeout` of
// silence, so that a broken server fails a test instead of hanging it. Throws std::runtime_error.
LoopbackSocket connectToLoopback(std::uint16_t port, std::chrono::milliseconds receiveTimeout);
// Both ends of a connection on loopback, blocking: what one sends, the other receives; when one
// is closed, the other stays readable for good. Throws std::runtime_error.
std::pair<LoopbackSocket, LoopbackSocket> connectedPair();

enum class SocketReadiness { Ready, Woken, TimedOut };
inline constexpr std::chrono::milliseconds kWaitForever = std::chrono::milliseconds::max();

// Waits at most `timeout` until `socket` (as SSL_get_fd gives it) can receive, or send, or until
// `wake` can receive. An error or hang-up counts as ready, so that the next call on the socket
// tells; so does a failed wait.
SocketReadiness waitUntilReadyOrWoken(int socket, bool receive, const LoopbackSocket& wake,
                                      std::chrono::milliseconds timeout);
// Ends what we send (a FIN) while we can still receive.
void stopSending(int socket);

}  // namespace bildheber::test
