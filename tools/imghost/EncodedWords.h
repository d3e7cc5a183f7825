#pragma once

#include <string>
#include <string_view>

namespace bildheber::imghost {

// Decodes RFC 2047 encoded words ("=?UTF-8?B?QsOkcg==?=", B or Q encoding) into UTF-8 text; the
// blanks and line breaks between two neighbouring encoded words are dropped, as the RFC says.
// UTF-8, US-ASCII and ISO-8859-1 are understood; a word in another charset, or one that is
// malformed, stays as it stands. Text outside encoded words is copied unchanged.
std::string decodeEncodedWords(std::string_view text);

}  // namespace bildheber::imghost
