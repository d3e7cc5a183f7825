#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace bildheber {

// `name` itself when no file of that name exists, else the first of name-1, name-2, ... (the
// number before the extension) that is free. Numbers are tried from 1 on every call.
std::string uniqueFileName(const std::string& name,
                           const std::function<bool(const std::string&)>& exists);

// Whether a file name matches a pattern in which "*" stands for any run of characters. Letter
// case counts as the platform's file names count it (on Windows not at all).
bool matchesFilePattern(std::string_view name, std::string_view pattern);

// Deletes every file in the folder of `pathPattern` whose name matches its file-name part; what
// cannot be deleted is skipped silently.
void deleteTmpFiles(const std::string& pathPattern);

}  // namespace bildheber
