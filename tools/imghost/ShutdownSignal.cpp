#include "imghost/ShutdownSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <string>

namespace bildheber::imghost {

namespace {

// The handler may only touch these: plain ints and write(2) are async-signal-safe.
int pipeFds[2] = {-1, -1};
volatile std::sig_atomic_t signalled = 0;

void onSignal(int) {
    const int savedErrno = errno;
    signalled = 1;
    const char byte = 'x';
    [[maybe_unused]] const auto ignored = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

void install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: blocked reads return with EINTR
    sigaction(signal, &action, nullptr);
}

}  // namespace

ShutdownSignal::ShutdownSignal() {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error(std::string("cannot create a pipe: ") + std::strerror(errno));
    }
    signalled = 0;
    install(SIGINT, &onSignal);
    install(SIGTERM, &onSignal);
    install(SIGPIPE, SIG_IGN);
}

ShutdownSignal::~ShutdownSignal() {
    install(SIGINT, SIG_DFL);
    install(SIGTERM, SIG_DFL);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

int ShutdownSignal::fd() const {
    return pipeFds[0];
}

bool ShutdownSignal::requested() const {
    return signalled != 0;
}

}  // namespace bildheber::imghost
