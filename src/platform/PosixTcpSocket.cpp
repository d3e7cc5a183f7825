#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/FileDescriptor.h"

namespace bildheber {

namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

[[noreturn]] void fail(const std::string& what) {
    throw NetworkError(what);
}

// A peer that closes while we write must end the attempt, not the program.
void ignoreBrokenPipeSignal() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            std::signal(SIGPIPE, SIG_IGN);
        }
    });
}

// ---- Name resolution ----------------------------------------------------------------------------

// getaddrinfo's error code; `found` holds the addresses on success.
int lookUpIpv4(const std::string& host, const std::string& service, int flags, AddrInfoPtr& found) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    const int error = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (error == 0) {
        found.reset(list);
    }
    return error;
}

// A look-up running on a helper thread. The thread holds its own share of it, so it may finish
// after the waiting attempt has given up and gone.
struct PendingLookUp {
    std::string host;
    std::string service;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int error = 0;
    AddrInfoPtr addresses;
};

// getaddrinfo cannot be interrupted, so the name is looked up on a helper thread and the wait
// for it ends at the deadline.
int lookUpBefore(const Deadline& deadline, const std::string& host, const std::string& service,
                 AddrInfoPtr& found) {
    auto pending = std::make_shared<PendingLookUp>();
    pending->host = host;
    pending->service = service;
    try {
        std::thread([pending] {
            AddrInfoPtr addresses;
            const int error = lookUpIpv4(pending->host, pending->service, 0, addresses);
            const std::lock_guard lock(pending->mutex);
            pending->error = error;
            pending->addresses = std::move(addresses);
            pending->done = true;
            pending->finished.notify_all();
        }).detach();
    } catch (const std::system_error& failure) {
        fail("cannot resolve " + host + ": " + failure.what());
    }
    std::unique_lock lock(pending->mutex);
    if (!pending->finished.wait_until(lock, deadline.at(), [&] { return pending->done; })) {
        fail(exchangeTimeLimitPassed("while resolving " + host));
    }
    found = std::move(pending->addresses);
    return pending->error;
}

// An address needs no look-up, and so no thread.
AddrInfoPtr resolveIpv4(const std::string& host, const std::string& service,
                        const Deadline& deadline) {
    AddrInfoPtr addresses;
    const int error = isIpv4Literal(host) ? lookUpIpv4(host, service, AI_NUMERICHOST, addresses)
                                          : lookUpBefore(deadline, host, service, addresses);
    if (error != 0) {
        fail("cannot resolve " + host + ": " + gai_strerror(error));
    }
    return addresses;
}

// ---- Waiting for the socket ---------------------------------------------------------------------

int pollTimeout(std::chrono::milliseconds wait) {
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), INT_MAX));
}

// Waits until `fd` is ready for `events` (POLLIN or POLLOUT), at most `timeout` and never past
// `deadline`. An error or hang-up counts as ready: the next call on the socket reports it.
SocketWait waitForSocket(int fd, short events, std::chrono::milliseconds timeout,
                         const Deadline& deadline) {
    const Deadline waitEnds = Deadline::in(timeout);
    for (;;) {
        if (deadline.passed()) {
            return SocketWait::DeadlinePassed;
        }
        if (waitEnds.passed()) {
            return SocketWait::TimedOut;
        }
        pollfd entry{fd, events, 0};
        const int ready =
            ::poll(&entry, 1, pollTimeout(std::min(waitEnds.remaining(), deadline.remaining())));
        if (ready > 0) {
            return SocketWait::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            fail(std::string("cannot wait for the connection: ") + std::strerror(errno));
        }
    }
}

// ---- Connecting ---------------------------------------------------------------------------------

// Connects the non-blocking `socket` to one address: 0, or the reason it failed. Like a blocking
// connect, it waits as long as the system's own attempt lasts, but never past the deadline.
int connectTo(const FileDescriptor& socket, const addrinfo& address, const std::string& peer,
              const Deadline& deadline) {
    if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    if (waitForSocket(socket.get(), POLLOUT, deadline.remaining(), deadline) != SocketWait::Ready) {
        fail(exchangeTimeLimitPassed("while connecting to " + peer));
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
        return errno;
    }
    return error;
}

// A connected non-blocking socket: every wait on it goes through waitForSocket.
FileDescriptor connectTcp(const std::string& host, std::uint16_t port, const Deadline& deadline) {
    const std::string service = std::to_string(port);
    const std::string peer = host + ":" + service;
    const AddrInfoPtr addresses = resolveIpv4(host, service, deadline);
    int lastError = 0;
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        FileDescriptor socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol));
        if (!socket.valid()) {
            lastError = errno;
            continue;
        }
        lastError = connectTo(socket, *a, peer, deadline);
        if (lastError == 0) {
            return socket;
        }
    }
    fail("cannot connect to " + peer + ": " + std::strerror(lastError));
}

}  // namespace

bool isIpv4Literal(const std::string& host) {
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1;
}

TcpSocket::TcpSocket(const std::string& host, std::uint16_t port, const Deadline& deadline) {
    ignoreBrokenPipeSignal();
    handle_ = connectTcp(host, port, deadline).release();
}

TcpSocket::~TcpSocket() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

SocketWait TcpSocket::waitUntilReady(SocketDirection direction, std::chrono::milliseconds timeout,
                                     const Deadline& deadline) const {
    return waitForSocket(static_cast<int>(handle_),
                         direction == SocketDirection::Receive ? POLLIN : POLLOUT, timeout,
                         deadline);
}

}  // namespace bildheber
