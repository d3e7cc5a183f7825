#pragma once

#include <string>
#include <string_view>

#include "imghost/PictureInfo.h"
#include "imghost/PublicUrl.h"

namespace bildheber::imghost {

// "&", "<", ">", '"' and "'" as character references.
std::string htmlEscape(std::string_view text);

// "[URL=<page address>][IMG]<picture address>[/IMG][/URL]".
std::string forumCode(const PublicUrl& url, std::string_view name);

// The answer to an upload: the picture, its forum code as the value of the element with
// id="codebbs" (value directly after the id, as clients search for it), and its expiry.
std::string uploadReplyPage(const PublicUrl& url, std::string_view name, const PictureInfo& info);

// The page of a stored picture, with the same content under another heading.
std::string picturePage(const PublicUrl& url, std::string_view name, const PictureInfo& info);

}  // namespace bildheber::imghost
