#include "support/TempDir.h"

#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace bildheber::test {

TempDir::TempDir() {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate =
            std::filesystem::temp_directory_path() / ("bildheber-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {  // false when it exists
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bildheber::test
