#pragma once

#include <string>

namespace bildheber {

// Where the program keeps its log and its temporary pictures.
struct ProgramFolders {
    std::string log;
    std::string temporary;
};

// The program's own folder for both when the user may write there (a portable copy in a folder of
// the user's own); otherwise the user's own folders of the desktop, created when missing, so that
// an installation the user cannot write still keeps its log.
ProgramFolders programFoldersFor(const std::string& programFolder);

// Whether this process may create files in the folder ("" is the current one).
bool mayWriteFolder(const std::string& folder);

}  // namespace bildheber
