#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace bildheber {

// Decodes `bytes` from the charset named as web pages name them ("ISO-8859-1", "windows-1252",
// "UTF-8", ...) into UTF-8. A sequence that is invalid, cut off by the end, or has no Unicode form
// becomes `replacement`. Nullopt when the system knows no charset of that name.
std::optional<std::string> decodeCharset(std::string_view charset, std::string_view bytes,
                                         std::string_view replacement);

// UTF-8 text in the system's ANSI code page (windows-1252 where the system has none), as old
// Windows programs read text files: a similar character where the code page lacks one, else "?";
// bytes that are not UTF-8 (a POSIX file name may hold any) become "?" as well.
std::string toAnsiCodePage(std::string_view utf8);

}  // namespace bildheber
