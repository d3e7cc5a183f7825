// Forum code search over arbitrary reply text; checks what every result must look like.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "upload/ForumCode.h"

namespace {

class SilentStatusLine : public bildheber::StatusLine {
  public:
    void setStatusText(const std::string&) override {}
};

bool endsWithCodeEnd(std::string_view text) {
    constexpr std::string_view kCodeEnd = "[/url]";
    if (text.size() < kCodeEnd.size()) {
        return false;
    }
    const auto tail = text.substr(text.size() - kCodeEnd.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i];
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kCodeEnd[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    SilentStatusLine status;
    const std::string result = bildheber::extractForumCode(reply, status);

    const std::string failure =
        "-Error: codebbs nicht gefunden in >>>" + std::string(reply) + "<<<";
    if (result == failure) {
        return 0;
    }
    // A found code is a piece of the searched part of the reply: no quote, no NUL, at least one
    // character before its closing [/URL].
    const std::string_view searched = reply.substr(0, reply.find('\0'));
    if (result.size() < 7 || !endsWithCodeEnd(result) || result.find('"') != std::string::npos ||
        searched.find(result) == std::string_view::npos) {
        std::abort();
    }
    return 0;
}
