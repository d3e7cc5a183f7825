#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "upload/ExpiryChoice.h"
#include "upload/UploadJob.h"

namespace bildheber {

// What the exchange needs of the window's event loop; each window provides it.
class WindowEventLoop {
  public:
    // Handles what is pending apart from user input: paints, timers, tasks and drops posted.
    virtual void processAllButUserInput() = 0;
    // Runs `task` once the event loop gets to it: at the run's next event point, or after the
    // run. Tasks still waiting when the window is destroyed are lost with it.
    virtual void post(std::function<void()> task) = 0;

  protected:
    ~WindowEventLoop() = default;
};

// An uploader made fit for the window's event loop: each picture is sent on a worker thread
// while the window keeps painting and user input waits. A drop made meanwhile is kept and, once
// the exchange is over, posted again like any other input: the run's next event point takes it,
// or the event loop once the run is over. It lives as long as the window's job that sends
// through it.
class ExchangeKeepingThePaint {
  public:
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;

    explicit ExchangeKeepingThePaint(Uploader uploader);
    ExchangeKeepingThePaint(const ExchangeKeepingThePaint&) = delete;
    ExchangeKeepingThePaint& operator=(const ExchangeKeepingThePaint&) = delete;

    // The uploader for the window's job: sends through this exchange.
    Uploader uploader();

    // Drops reach `handler`; kept ones are posted on `loop` (the window's).
    void handDropsTo(WindowEventLoop& loop, DropHandler handler);
    // A drop: handed on now, or kept while a picture is being sent.
    void deliverDrop(const std::vector<std::string>& paths);

  private:
    std::string send(std::string_view path, std::string_view jpeg, ExpiryChoice expiry);
    void postKeptDrops();

    Uploader uploader_;
    WindowEventLoop* loop_ = nullptr;
    DropHandler handler_;
    bool sending_ = false;
    std::vector<std::vector<std::string>> keptDrops_;
};

}  // namespace bildheber
