#pragma once

namespace bildheber::imghost {

// Turns SIGINT and SIGTERM into a readable pipe, so that the server's poll wakes up, and
// interrupts blocking reads (the handlers are installed without SA_RESTART). Also ignores
// SIGPIPE: a client that goes away while we write must end its connection, not the host.
// One instance at a time; the destructor restores the default handlers.
class ShutdownSignal {
  public:
    ShutdownSignal();
    ~ShutdownSignal();
    ShutdownSignal(const ShutdownSignal&) = delete;
    ShutdownSignal& operator=(const ShutdownSignal&) = delete;

    // Becomes readable once a signal has arrived.
    int fd() const;
    bool requested() const;
};

}  // namespace bildheber::imghost
