#pragma once

#include <filesystem>
#include <string>

namespace bildheber::test {

// Writes a baseline JPEG of the given size with a varied pattern, as the program's own encoder
// makes it, and returns its path.
std::string writeJpegFile(const std::filesystem::path& path, int width = 64, int height = 48);

}  // namespace bildheber::test
