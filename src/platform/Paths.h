#pragma once

#include <string>
#include <string_view>

namespace bildheber {

// The last component of a path: what follows the last path separator. On Windows both "\" and
// ":" end a folder or drive part; on POSIX only "/" does.
std::string fileNamePart(std::string_view path);

// The folder part of a path, without its final separator ("" for a bare name).
std::string folderPart(std::string_view path);

// The folder and a name in it joined by the platform's separator; a bare name for no folder.
std::string joinPath(std::string_view folder, std::string_view name);

// Replaces the extension of the path's file name (from its last "." on) by `suffix`; a file name
// without "." gets the suffix appended. "/opt/Bildheber" and "_log.txt" give
// "/opt/Bildheber_log.txt".
std::string replaceExtension(std::string_view path, std::string_view suffix);

// The extension of the path's file name, from its last "." on; empty when it has none.
std::string_view extensionOf(std::string_view path);

}  // namespace bildheber
