#pragma once

// The few socket calls that differ between POSIX and Windows, so that TcpSocket.cpp is written
// once. Each system implements them in its own file.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#endif

#include <cstdint>
#include <string>

namespace bildheber::socket_system {

using Native = std::intptr_t;  // a descriptor, or a Windows SOCKET
inline constexpr Native kNone = -1;

// Once per process before the first socket: Winsock's start-up; on POSIX SIGPIPE is ignored, so
// that a peer that closes while we write ends the attempt, not the program.
void start();
// A non-blocking socket for the address, not inherited by child processes; kNone on failure.
Native openNonBlocking(const addrinfo& address);
void close(Native socket);
// The error of the last failed call on this thread.
int lastError();
std::string errorText(int error);
// The text of a getaddrinfo failure.
std::string lookUpErrorText(int error);
// Starts connecting: 0 when connected at once, else the error; see isConnectPending.
int startConnect(Native socket, const addrinfo& address);
bool isConnectPending(int error);
// The outcome of a connect that was pending and is now ready: 0 or the error.
int connectResult(Native socket);
// Waits at most `timeoutMs` for the socket to be readable, or writable; an error or hang-up
// counts as ready. 1 ready, 0 timed out, -1 interrupted (try again); throws nothing, and an
// unusable socket reports ready so that the next call on it tells why.
int waitReady(Native socket, bool receive, int timeoutMs);

}  // namespace bildheber::socket_system
