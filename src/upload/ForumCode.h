#pragma once

#include <string>
#include <string_view>

#include "upload/StatusLine.h"

namespace bildheber {

// Finds the forum code in the image host's reply page: the value of the element with
// id="codebbs", which must end with "[/URL]". Returns that value exactly as the page has it and
// sets the status line to "Forumscode erhalten."; without one, returns
// "-Error: codebbs nicht gefunden in >>>" + reply + "<<<" (a leading "-" marks failure) and sets
// "FATAL: Forumscode in Antwort vom Server nicht gefunden.". Linear in the size of the reply.
std::string extractForumCode(std::string_view reply, StatusLine& status);

}  // namespace bildheber
