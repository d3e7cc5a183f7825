#include "upload/ReEncodeAhead.h"

#include <exception>
#include <utility>

#include "imaging/ResizeJpg.h"

namespace bildheber {

ReEncodeAhead::~ReEncodeAhead() {
    drop();
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) {
        worker_.join();
    }
}

ReEncodeAhead::ReEncoded ReEncodeAhead::reEncode(const std::string& path) {
    ReEncoded done{fileVersion(path), {}};
    resizeJpg(path, done.jpeg);
    return done;
}

std::future<ReEncodeAhead::ReEncoded> ReEncodeAhead::onWorker(const std::string& path) {
    std::packaged_task<ReEncoded()> task([path] { return reEncode(path); });
    std::future<ReEncoded> result = task.get_future();
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { work(); });
        }
    }
    wake_.notify_one();
    return result;
}

void ReEncodeAhead::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return ending_ || task_.valid(); });
        if (!task_.valid()) {
            return;  // ending, with nothing left to do
        }
        std::packaged_task<ReEncoded()> task = std::move(task_);
        lock.unlock();
        task();  // a failure goes into the result
    }
}

void ReEncodeAhead::start(std::size_t position, const std::string& path) {
    drop();
    headStart_.emplace(HeadStart{position, path, onWorker(path)});
}

std::string ReEncodeAhead::take(std::size_t position, const std::string& path) {
    if (headStart_ && headStart_->position == position && headStart_->path == path) {
        std::future<ReEncoded> result = std::move(headStart_->result);
        headStart_.reset();
        try {
            ReEncoded done = result.get();
            if (done.version && done.version == fileVersion(path)) {
                return std::move(done.jpeg);
            }
        } catch (const std::exception&) {
            // Reported, if it still fails, by the re-encoding below, at the entry's own step.
        }
    }
    drop();
    return onWorker(path).get().jpeg;
}

void ReEncodeAhead::drop() {
    if (headStart_) {
        headStart_->result.wait();  // the worker takes one picture at a time
    }
    headStart_.reset();
}

}  // namespace bildheber
