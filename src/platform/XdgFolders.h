#pragma once

#include <string>

#include "platform/ProgramFolders.h"

namespace bildheber {

// The XDG base directory values the program's own folders are taken from. A value that is empty
// or not an absolute path counts as unset, as the XDG rules say.
struct XdgEnvironment {
    std::string home;
    std::string stateHome;   // XDG_STATE_HOME
    std::string runtimeDir;  // XDG_RUNTIME_DIR, kept only when it is an existing folder
    std::string cacheHome;   // XDG_CACHE_HOME

    static XdgEnvironment ofThisProcess();
};

// The log in the state folder, the temporary pictures in the runtime folder or else the cache
// folder, each in a subfolder "bildheber". A folder that cannot be named (no home) is "".
ProgramFolders xdgProgramFolders(const XdgEnvironment& environment);

}  // namespace bildheber
