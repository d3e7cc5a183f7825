#include "ui/ExchangeKeepingThePaint.h"

#include <chrono>
#include <future>
#include <utility>

namespace bildheber {

ExchangeKeepingThePaint::ExchangeKeepingThePaint(Uploader uploader)
    : uploader_(std::move(uploader)) {}

Uploader ExchangeKeepingThePaint::uploader() {
    return [this](std::string_view path, std::string_view jpeg, ExpiryChoice expiry) {
        return send(path, jpeg, expiry);
    };
}

void ExchangeKeepingThePaint::handDropsTo(WindowEventLoop& loop, DropHandler handler) {
    loop_ = &loop;
    handler_ = std::move(handler);
}

void ExchangeKeepingThePaint::deliverDrop(const std::vector<std::string>& paths) {
    if (!handler_) {
        return;
    }
    if (sending_) {
        keptDrops_.push_back(paths);
        return;
    }
    handler_(paths);
}

std::string ExchangeKeepingThePaint::send(std::string_view path, std::string_view jpeg,
                                          ExpiryChoice expiry) {
    auto reply = std::async(std::launch::async, [&] { return uploader_(path, jpeg, expiry); });
    sending_ = true;
    while (reply.wait_for(std::chrono::milliseconds(15)) != std::future_status::ready) {
        if (loop_ != nullptr) {
            loop_->processAllButUserInput();
        }
    }
    sending_ = false;
    postKeptDrops();
    return reply.get();
}

void ExchangeKeepingThePaint::postKeptDrops() {
    for (auto& paths : keptDrops_) {
        loop_->post([this, paths = std::move(paths)] { deliverDrop(paths); });
    }
    keptDrops_.clear();
}

}  // namespace bildheber
