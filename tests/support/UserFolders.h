#pragma once

#include <filesystem>

#include "support/ScopedEnvironment.h"

namespace bildheber::test {

// Points the XDG state, runtime and cache folders into `base` (the runtime folder unset), so
// that a program whose own folder is not writable keeps its files there.
void useUserFoldersIn(ScopedEnvironment& environment, const std::filesystem::path& base);

// Takes this process's right to write into `folder`: its mode becomes r-x for everyone, and a
// process running as root, whom modes do not stop, becomes the unprivileged user "nobody". Call it
// only in a child process (a death test's statement): there is no way back. Everything the child
// then uses must be open to other users. Returns false when it did not work.
bool loseWriteAccessTo(const std::filesystem::path& folder);

}  // namespace bildheber::test
