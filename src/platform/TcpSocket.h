#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Deadline.h"

namespace bildheber {

// Resolving, connecting or waiting failed; what() says what and why.
class NetworkError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The text of a failure because an exchange's time limit passed; `activity` says where the
// exchange was, such as "while sending the request".
inline std::string exchangeTimeLimitPassed(const std::string& activity) {
    return "time limit of the exchange passed " + activity;
}

enum class SocketWait { Ready, TimedOut, DeadlinePassed };
enum class SocketDirection { Receive, Send };

// True when `host` is an IPv4 address in dotted form, which needs no look-up.
bool isIpv4Literal(const std::string& host);

// A connected, non-blocking TCP socket over IPv4, closed on destruction. A peer that closes
// while we write makes the write fail; it never ends the program.
class TcpSocket {
  public:
    // Resolves `host` and connects to its addresses in turn. Like a blocking connect, each try
    // waits as long as the system's own attempt lasts, but nothing waits past `deadline`.
    // Throws NetworkError.
    TcpSocket(const std::string& host, std::uint16_t port, const Deadline& deadline);
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Waits until the socket can receive or send, at most `timeout` and never past `deadline`.
    // An error or hang-up counts as ready: the next call on the socket reports it.
    SocketWait waitUntilReady(SocketDirection direction, std::chrono::milliseconds timeout,
                              const Deadline& deadline) const;

    // The system's handle, for the TLS library to read and write.
    int nativeHandle() const { return static_cast<int>(handle_); }

  private:
    std::intptr_t handle_ = -1;
};

}  // namespace bildheber
