#include "upload/ForumCode.h"

#include <optional>

#include "upload/AsciiCase.h"
#include "upload/AsciiSpace.h"

namespace bildheber {

namespace {

// The image host puts the forum code into value="..." right after id="codebbs", with only
// white space between them; the code ends with [/URL]. Letters match in either case.
constexpr std::string_view kIdAttribute = "id=\"codebbs\"";
constexpr std::string_view kValueStart = "value=\"";
constexpr std::string_view kCodeEnd = "[/url]";

constexpr std::string_view kFailurePrefix = "-Error: codebbs nicht gefunden in >>>";
constexpr std::string_view kFailureSuffix = "<<<";
constexpr const char* kFoundStatus = "Forumscode erhalten.";
constexpr const char* kMissingStatus = "FATAL: Forumscode in Antwort vom Server nicht gefunden.";

// The first position >= from where `lowerWord` stands in any letter case. Comparing at every
// position stays linear because the word does not repeat its first character: a partial match
// of length k is followed by k - 1 positions that fail at their first character.
std::size_t findIgnoringCase(std::string_view text, std::string_view lowerWord, std::size_t from) {
    if (text.size() < lowerWord.size()) {
        return std::string_view::npos;
    }
    for (std::size_t pos = from; pos <= text.size() - lowerWord.size(); ++pos) {
        if (equalsIgnoringAsciiCase(text.substr(pos, lowerWord.size()), lowerWord)) {
            return pos;
        }
    }
    return std::string_view::npos;
}

// The value that follows an id="codebbs" ending at `pos`, if it is a forum code.
std::optional<std::string_view> forumCodeAfter(std::string_view text, std::size_t pos) {
    pos = text.find_first_not_of(kHtmlWhiteSpace, pos);
    if (pos == std::string_view::npos ||
        !equalsIgnoringAsciiCase(text.substr(pos, kValueStart.size()), kValueStart)) {
        return std::nullopt;
    }
    const auto valueBegin = pos + kValueStart.size();
    const auto valueEnd = text.find('"', valueBegin);
    if (valueEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const auto value = text.substr(valueBegin, valueEnd - valueBegin);
    // At least one character before the closing [/URL].
    if (value.size() <= kCodeEnd.size() ||
        !equalsIgnoringAsciiCase(value.substr(value.size() - kCodeEnd.size()), kCodeEnd)) {
        return std::nullopt;
    }
    return value;
}

// The leftmost forum code in `reply`. The texts examined for two occurrences overlap by a few
// characters at most (a value holds no '"', the id has one), so the search is linear.
std::optional<std::string_view> findForumCode(std::string_view reply) {
    // A NUL character ends the searched text; the failure text still carries the whole reply.
    const auto searched = reply.substr(0, reply.find('\0'));
    std::size_t pos = 0;
    while ((pos = findIgnoringCase(searched, kIdAttribute, pos)) != std::string_view::npos) {
        if (auto code = forumCodeAfter(searched, pos + kIdAttribute.size())) {
            return code;
        }
        ++pos;
    }
    return std::nullopt;
}

}  // namespace

std::string extractForumCode(std::string_view reply, StatusLine& status) {
    if (auto code = findForumCode(reply)) {
        status.setStatusText(kFoundStatus);
        return std::string(*code);
    }
    status.setStatusText(kMissingStatus);
    std::string failure;
    failure.reserve(kFailurePrefix.size() + reply.size() + kFailureSuffix.size());
    failure.append(kFailurePrefix).append(reply).append(kFailureSuffix);
    return failure;
}

}  // namespace bildheber
