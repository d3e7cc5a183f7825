#pragma once

#include <condition_variable>
#include <cstddef>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/SystemFiles.h"

namespace bildheber {

// The run's next picture, re-encoded on another thread while the current one is being sent, so
// that the picture work hides behind the network exchange. The file is read on the run's own
// thread, just before the current picture goes out, and closed again at once: it is never open
// during one of the run's event points, so the close steps can delete it there as before, and its
// bytes are held in memory the run's thread allocates, as without the head start (a worker's
// allocations would add a second, per-thread heap of that size). The one worker thread, started
// with the first head start, only decodes and encodes.
//
// Reading a file one step before the run gets to it is safe because the result is only a head
// start: the step takes it only when the file is still the version that was read (same size,
// same time of last writing). Whatever happened to the file in between (deleted by the close
// steps, as temporary pictures are; changed or replaced by another program), the step then
// re-encodes it itself and succeeds or fails exactly where and as it would have without the
// head start. The run itself never writes the files it sends.
class ReEncodeAhead {
  public:
    ReEncodeAhead() = default;
    ReEncodeAhead(const ReEncodeAhead&) = delete;
    ReEncodeAhead& operator=(const ReEncodeAhead&) = delete;
    ~ReEncodeAhead();  // waits for a re-encoding still going on, then ends the worker

    // Reads `path`, the file of the queue entry at `position`, and starts re-encoding it; one at
    // a time, so a head start not taken yet is dropped. A file that cannot be read gets none.
    void start(std::size_t position, const std::string& path);
    // The picture of the entry at `position` with `path`, re-encoded for upload: the head start
    // when it was made for that entry and the file has not changed since, otherwise re-encoded
    // now. Throws as resizeJpg does.
    std::string take(std::size_t position, const std::string& path);
    // Forgets the head start (waits for it first).
    void drop();

  private:
    struct HeadStart {
        std::size_t position;
        std::string path;
        std::optional<FileVersion> version;  // of the file as it was read
        std::future<std::string> jpeg;
    };
    void work();

    std::optional<HeadStart> headStart_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::packaged_task<std::string()> task_;  // guarded by mutex_
    bool ending_ = false;                     // guarded by mutex_
    std::thread worker_;                      // started with the first head start
};

}  // namespace bildheber
