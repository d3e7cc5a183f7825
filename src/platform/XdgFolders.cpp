#include "platform/XdgFolders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Paths.h"

namespace bildheber {

namespace {

constexpr const char* kProgramFolderName = "bildheber";

std::string absoluteOrNothing(const char* value) {
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string homeOfThisUser() {
    std::string home = absoluteOrNothing(std::getenv("HOME"));
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
        home = absoluteOrNothing(found->pw_dir);
    }
    return home;
}

// The base folder, or the default below home, with the program's subfolder; "" without either.
std::string programSubfolder(const std::string& base, const std::string& home,
                             const char* defaultBelowHome) {
    if (!base.empty()) {
        return joinPath(base, kProgramFolderName);
    }
    if (!home.empty()) {
        return joinPath(joinPath(home, defaultBelowHome), kProgramFolderName);
    }
    return {};
}

// Creates the folder and any missing parent, new ones readable by the user only (the XDG rule).
void makeFolders(const std::string& path) {
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        ::mkdir(path.substr(0, end).c_str(), 0700);  // existing ones fail harmlessly
        if (end == std::string::npos) {
            return;
        }
    }
}

}  // namespace

XdgEnvironment XdgEnvironment::ofThisProcess() {
    XdgEnvironment environment;
    environment.home = homeOfThisUser();
    environment.stateHome = absoluteOrNothing(std::getenv("XDG_STATE_HOME"));
    environment.runtimeDir = absoluteOrNothing(std::getenv("XDG_RUNTIME_DIR"));
    if (!isFolder(environment.runtimeDir)) {
        environment.runtimeDir.clear();
    }
    environment.cacheHome = absoluteOrNothing(std::getenv("XDG_CACHE_HOME"));
    return environment;
}

ProgramFolders xdgProgramFolders(const XdgEnvironment& environment) {
    ProgramFolders folders;
    folders.log = programSubfolder(environment.stateHome, environment.home, ".local/state");
    folders.temporary = environment.runtimeDir.empty()
                            ? programSubfolder(environment.cacheHome, environment.home, ".cache")
                            : joinPath(environment.runtimeDir, kProgramFolderName);
    return folders;
}

bool mayWriteFolder(const std::string& folder) {
    // The effective user decides, as it does for the files the program then creates.
    return ::faccessat(AT_FDCWD, folder.empty() ? "." : folder.c_str(), W_OK | X_OK, AT_EACCESS) ==
           0;
}

ProgramFolders programFoldersFor(const std::string& programFolder) {
    if (mayWriteFolder(programFolder)) {
        return ProgramFolders{programFolder, programFolder};
    }
    ProgramFolders folders = xdgProgramFolders(XdgEnvironment::ofThisProcess());
    for (std::string* folder : {&folders.log, &folders.temporary}) {
        if (folder->empty()) {
            *folder = programFolder;  // nowhere else to go; creating the file will say why not
        } else {
            makeFolders(*folder);
        }
    }
    return folders;
}

}  // namespace bildheber
