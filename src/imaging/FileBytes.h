#pragma once

#include <string>

namespace bildheber {

// The whole content of a file, opened for reading only. Throws std::system_error naming the
// file when it cannot be opened or read.
std::string readFileBytes(const std::string& path);

}  // namespace bildheber
