#include "imaging/JpegErrorManager.h"

#include <string>
#include <type_traits>

#include <jerror.h>

namespace bildheber {

JpegErrorManager::JpegErrorManager() {
    jpeg_std_error(&fields_);
    fields_.error_exit = &JpegErrorManager::onError;
    fields_.emit_message = &JpegErrorManager::onMessage;
}

void JpegErrorManager::attachTo(jpeg_common_struct& codec) {
    codec.err = &fields_;
}

static_assert(std::is_standard_layout_v<JpegErrorManager>);

JpegErrorManager& JpegErrorManager::of(j_common_ptr codec) {
    // fields_ is the first member of a standard-layout class, so the pointers convert.
    return *reinterpret_cast<JpegErrorManager*>(codec->err);
}

void JpegErrorManager::onError(j_common_ptr codec) {
    std::longjmp(of(codec).jumpBuffer_, 1);
}

void JpegErrorManager::onMessage(j_common_ptr codec, int level) {
    if (level >= 0) {
        return;  // trace output
    }
    JpegErrorManager& self = of(codec);
    ++self.fields_.num_warnings;
    if (self.fields_.msg_code == JWRN_JPEG_EOF) {
        self.dataEnded_ = true;
    }
}

void JpegErrorManager::refuse(j_common_ptr codec, const char* reason) {
    JpegErrorManager& self = of(codec);
    self.refusal_ = reason;
    std::longjmp(self.jumpBuffer_, 1);
}

JpegError JpegErrorManager::lastMessageAsError(jpeg_common_struct& codec) const {
    if (refusal_ != nullptr) {
        return JpegError(std::string("JPEG-Fehler (") + refusal_ + ")");
    }
    char text[JMSG_LENGTH_MAX] = {};
    (*fields_.format_message)(&codec, text);
    return JpegError("JPEG-Fehler #" + std::to_string(fields_.msg_code) + " (" + text + ")");
}

}  // namespace bildheber
