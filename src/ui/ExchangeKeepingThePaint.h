#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "upload/ExpiryChoice.h"
#include "upload/UploadJob.h"

class QObject;

namespace bildheber {

// An uploader made fit for the window's event loop: each picture is sent on a worker thread
// while the window keeps painting and user input waits. A drop made meanwhile is kept and, once
// the exchange is over, queued again like any other input: the run's next event point takes it,
// or the event loop once the run is over. It outlives the window it serves.
class ExchangeKeepingThePaint {
  public:
    using DropHandler = std::function<void(const std::vector<std::string>& paths)>;

    explicit ExchangeKeepingThePaint(Uploader uploader);
    ExchangeKeepingThePaint(const ExchangeKeepingThePaint&) = delete;
    ExchangeKeepingThePaint& operator=(const ExchangeKeepingThePaint&) = delete;

    // The uploader for the window's job: sends through this exchange.
    Uploader uploader();

    // Drops reach `handler`; kept ones are queued on the event loop of `receiver` (the window),
    // and lost should it be destroyed first.
    void handDropsTo(QObject& receiver, DropHandler handler);
    // A drop: handed on now, or kept while a picture is being sent.
    void deliverDrop(const std::vector<std::string>& paths);

  private:
    std::string send(std::string_view path, std::string_view jpeg, ExpiryChoice expiry);
    void queueKeptDrops();

    Uploader uploader_;
    QObject* receiver_ = nullptr;
    DropHandler handler_;
    bool sending_ = false;
    std::vector<std::vector<std::string>> keptDrops_;
};

}  // namespace bildheber
