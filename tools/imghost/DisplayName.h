#pragma once

#include <string>
#include <string_view>

namespace bildheber::imghost {

// The file name a client sent, made fit to show on a page and to keep in a one-line record: RFC
// 2047 words decoded, only the part after the last "/" or "\", invalid UTF-8 and control
// characters replaced by "?", at most 200 bytes. Never used as a path.
std::string displayFileName(std::string_view sentFileName);

}  // namespace bildheber::imghost
