#pragma once

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "imaging/JpegError.h"

namespace bildheber {

// The codec reports errors through a callback that must not return. Throwing from it would
// unwind C frames that were not built for exceptions, so the callback longjmps back to the
// `runGuarded` frame of the current step instead; the C++ caller turns that into a JpegError.
// Warnings (corrupt or truncated data) are only recorded, never printed.
class JpegErrorManager {
  public:
    JpegErrorManager();
    JpegErrorManager(const JpegErrorManager&) = delete;
    JpegErrorManager& operator=(const JpegErrorManager&) = delete;

    // Installs this manager in a codec object; call before jpeg_create_(de)compress.
    void attachTo(jpeg_common_struct& codec);

    // True once the codec warned that the data ended early (it then feeds itself an end marker).
    bool dataEnded() const { return dataEnded_; }

    // "JPEG-Fehler #<code> (<codec text>)" for the last error or warning of `codec`, or the
    // reason given to refuse().
    JpegError lastMessageAsError(jpeg_common_struct& codec) const;

    // Ends the current codec step from inside a callback of the codec, for a reason of ours
    // rather than the codec's; like a codec error, it lands in runGuarded.
    [[noreturn]] static void refuse(j_common_ptr codec, const char* reason);

    // Runs `step`, which may only call into the codec and set plain values (no objects with
    // destructors, no exceptions), so that an error's longjmp skips nothing that needs clean-up.
    // Returns false when the codec reported an error.
    template <typename Step>
    bool runGuarded(Step& step) {
        if (setjmp(jumpBuffer_) != 0) {
            return false;
        }
        step();
        return true;
    }

  private:
    static void onError(j_common_ptr codec);
    static void onMessage(j_common_ptr codec, int level);
    static JpegErrorManager& of(j_common_ptr codec);

    jpeg_error_mgr fields_{};  // first member: the codec sees a pointer to it
    std::jmp_buf jumpBuffer_{};
    bool dataEnded_ = false;
    const char* refusal_ = nullptr;  // a static text
};

// Runs one codec step under `errors` and throws the codec's error as a JpegError after the jump
// has landed, outside every C frame.
template <typename Step>
void runCodecStep(JpegErrorManager& errors, jpeg_common_struct& codec, Step&& step) {
    if (!errors.runGuarded(step)) {
        throw errors.lastMessageAsError(codec);
    }
}

}  // namespace bildheber
