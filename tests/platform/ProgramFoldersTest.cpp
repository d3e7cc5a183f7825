#include "platform/ProgramFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/XdgFolders.h"
#include "support/TempDir.h"
#include "support/UserFolders.h"

namespace bildheber::test {
namespace {

namespace fs = std::filesystem;

TEST(XdgProgramFolders, KeepTheLogInTheStateFolderAndPicturesInTheRuntimeOrCacheFolder) {
    struct Case {
        XdgEnvironment environment;
        const char* log;
        const char* temporary;
    } cases[] = {
        {{"/home/anna", "", "", ""},
         "/home/anna/.local/state/bildheber",
         "/home/anna/.cache/bildheber"},
        {{"/home/anna", "/srv/state", "/run/user/1000", "/srv/cache"},
         "/srv/state/bildheber",
         "/run/user/1000/bildheber"},
        {{"/home/anna", "", "", "/srv/cache"},
         "/home/anna/.local/state/bildheber",
         "/srv/cache/bildheber"},
        {{"", "", "", ""}, "", ""},
    };
    for (const auto& c : cases) {
        const ProgramFolders folders = xdgProgramFolders(c.environment);
        EXPECT_EQ(folders.log, c.log) << c.environment.home << c.environment.stateHome;
        EXPECT_EQ(folders.temporary, c.temporary) << c.environment.runtimeDir;
    }
}

TEST(XdgProgramFolders, IgnoreRelativeValuesAndAMissingRuntimeFolder) {
    ScopedEnvironment environment;
    environment.set("HOME", "/home/anna");
    environment.set("XDG_STATE_HOME", "state");
    environment.set("XDG_CACHE_HOME", "");
    environment.set("XDG_RUNTIME_DIR", "/nonexistent/run/user/1000");
    const XdgEnvironment xdg = XdgEnvironment::ofThisProcess();
    EXPECT_EQ(xdg.home, "/home/anna");
    EXPECT_EQ(xdg.stateHome, "");
    EXPECT_EQ(xdg.cacheHome, "");
    EXPECT_EQ(xdg.runtimeDir, "");
}

TEST(ProgramFoldersFor, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    TempDir program;
    TempDir user;
    ScopedEnvironment environment;
    useUserFoldersIn(environment, user.path());

    const ProgramFolders folders = programFoldersFor(program.path().string());

    EXPECT_EQ(folders.log, program.path().string());
    EXPECT_EQ(folders.temporary, program.path().string());
    EXPECT_TRUE(fs::is_empty(user.path()));
}

TEST(ProgramFoldersDeathTest, AFolderTheUserCannotWriteSendsTheFilesToTheUsersOwnFolders) {
    TempDir scratch;  // open to the unprivileged user the check runs as
    fs::permissions(scratch.path(),
                    fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    const fs::path program = scratch.path() / "bin";
    const fs::path user = scratch.path() / "home";
    fs::create_directories(program);
    fs::create_directories(user);
    fs::permissions(user, fs::perms::all);
    ScopedEnvironment environment;
    useUserFoldersIn(environment, user);

    EXPECT_EXIT(
        {
            if (!loseWriteAccessTo(program)) {
                std::cerr << "could not give up write access";
                std::_Exit(2);
            }
            const ProgramFolders folders = programFoldersFor(program.string());
            std::cerr << folders.log << " " << folders.temporary;
            std::_Exit(folders.log == (user / "state/bildheber").string() &&
                               folders.temporary == (user / "cache/bildheber").string()
                           ? 0
                           : 1);
        },
        testing::ExitedWithCode(0), "");

    // Created on demand, for this user alone.
    for (const char* created : {"state/bildheber", "cache/bildheber"}) {
        EXPECT_EQ(fs::status(user / created).permissions(), fs::perms::owner_all) << created;
    }
    EXPECT_TRUE(fs::is_empty(program));
}

}  // namespace
}  // namespace bildheber::test
