#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "imghost/CalendarDate.h"
#include "imghost/PictureInfo.h"

namespace bildheber::imghost {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The stored pictures of one folder: NAME.jpg with its sidecar NAME.info. The sidecar is written
// first and the picture appears under its final name only when complete, so a picture that is
// there always has its sidecar. Names come from makePictureName; every name taken from outside
// is checked with isPictureName before it touches the file system.
class PictureStore {
  public:
    // Creates the folder if needed. Throws StoreError if that fails.
    explicit PictureStore(std::filesystem::path folder);

    // Stores the picture under a new name and returns the name. Throws StoreError.
    std::string add(std::string_view jpeg, const PictureInfo& info, const LocalDateTime& now);

    // The sidecar of a stored picture; nothing for a name that is malformed or not stored.
    std::optional<PictureInfo> find(std::string_view name) const;

    // The picture's bytes; nothing for a name that is malformed or not stored.
    std::optional<std::string> readJpeg(std::string_view name) const;

    // Deletes every picture whose last day lies before `today`, and returns their names.
    // Sidecars that cannot be read are left alone.
    std::vector<std::string> removeExpired(const CalendarDate& today);

    const std::filesystem::path& folder() const { return folder_; }

  private:
    std::filesystem::path picturePath(std::string_view name) const;
    std::filesystem::path infoPath(std::string_view name) const;

    std::filesystem::path folder_;
    std::uint64_t counter_ = 0;
    std::random_device random_;
};

}  // namespace bildheber::imghost
