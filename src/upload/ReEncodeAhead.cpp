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

void ReEncodeAhead::work() {
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return ending_ || task_.valid(); });
        if (!task_.valid()) {
            return;  // ending, with nothing left to do
        }
        std::packaged_task<std::string()> task = std::move(task_);
        lock.unlock();
        task();  // a failure goes into the result
    }
}

void ReEncodeAhead::start(std::size_t position, const std::string& path) {
    drop();
    const std::optional<FileVersion> version = fileVersion(path);
    std::string fileBytes;
    try {
        fileBytes = readFileBytes(path);
    } catch (const std::exception&) {
        return;  // the entry's own step reads it, and reports what it finds
    }
    std::packaged_task<std::string()> task(
        [fileBytes = std::move(fileBytes)] { return reencodeForUpload(fileBytes); });
    headStart_.emplace(HeadStart{position, path, version, task.get_future()});
    {
        const std::lock_guard lock(mutex_);
        task_ = std::move(task);
        if (!worker_.joinable()) {
            worker_ = std::thread([this] { work(); });
        }
    }
    wake_.notify_one();
}

std::string ReEncodeAhead::take(std::size_t position, const std::string& path) {
    if (headStart_ && headStart_->position == position && headStart_->path == path) {
        HeadStart headStart = std::move(*headStart_);
        headStart_.reset();
        try {
            std::string jpeg = headStart.jpeg.get();
            if (headStart.version && headStart.version == fileVersion(path)) {
                return jpeg;
            }
        } catch (const std::exception&) {
            // Reported, if it still fails, by the re-encoding below, at the entry's own step.
        }
    }
    drop();
    std::string jpeg;
    resizeJpg(path, jpeg);
    return jpeg;
}

void ReEncodeAhead::drop() {
    if (headStart_) {
        headStart_->jpeg.wait();  // the worker takes one picture at a time
    }
    headStart_.reset();
}

}  // namespace bildheber
