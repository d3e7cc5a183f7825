#include "support/UserFolders.h"

#include <grp.h>
#include <unistd.h>

namespace bildheber::test {

namespace {
constexpr uid_t kNobody = 65534;
}  // namespace

void useUserFoldersIn(ScopedEnvironment& environment, const std::filesystem::path& base) {
    environment.set("XDG_STATE_HOME", (base / "state").string());
    environment.set("XDG_CACHE_HOME", (base / "cache").string());
    environment.set("XDG_RUNTIME_DIR", std::nullopt);
}

bool loseWriteAccessTo(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::permissions(
        folder,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
            std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
            std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
        error);
    if (error) {
        return false;
    }
    if (::geteuid() == 0) {
        return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    }
    return true;
}

}  // namespace bildheber::test
