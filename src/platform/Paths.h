#pragma once

#include <string>
#include <string_view>

namespace bildheber {

// The last component of a path: what follows the last path separator. On Windows both "\" and
// ":" end a folder or drive part; on POSIX only "/" does.
std::string fileNamePart(std::string_view path);

}  // namespace bildheber
