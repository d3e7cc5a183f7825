#pragma once

#include <string>
#include <vector>

namespace bildheber {

// The running system's answers about its files and this program.

// The full path of the running program file, as the system reports it; empty if it cannot.
std::string programFilePath();
// True for an existing file (not a folder); a bare name is looked up in the current folder.
bool isExistingFile(const std::string& name);
// Names (without folder) of every entry of the folder ("" is the current one); empty when it
// cannot be listed.
std::vector<std::string> folderEntries(const std::string& folder);
// Deletes one file; false when that failed.
bool removeFile(const std::string& path);

}  // namespace bildheber
