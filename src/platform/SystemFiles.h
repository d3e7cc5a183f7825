#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bildheber {

// The running system's answers about its files and this program. Paths are UTF-8.

// The full path of the running program file, as the system reports it; empty if it cannot.
std::string programFilePath();
// The arguments after the program, in UTF-8. POSIX hands them over split; a Windows program
// splits its own command line (splitCommandLine), since its argv holds only ANSI text.
std::vector<std::string> programArguments(int argc, char** argv);
// Makes standard output and error take bytes as they are: no CR LF translation, UTF-8 shown as
// such in a console. Nothing to do on POSIX.
void prepareStandardStreams();
// True for an existing file (not a folder); a bare name is looked up in the current folder.
bool isExistingFile(const std::string& name);
// Names (without folder) of every entry of the folder ("" is the current one); empty when it
// cannot be listed.
std::vector<std::string> folderEntries(const std::string& folder);
// Deletes one file; false when that failed.
bool removeFile(const std::string& path);

// The file's size in bytes, or -1 when it cannot be queried (missing, invalid path, no access).
// The file is opened for neither reading nor writing.
std::int64_t getFileSize(const std::string& fileName);

// What tells one version of a file from the next: its size and when it was last written.
struct FileVersion {
    std::int64_t size = 0;
    std::int64_t lastWrite = 0;  // in the system's own units
    bool operator==(const FileVersion&) const = default;
};
// The file's version now; nullopt when it cannot be queried (missing, invalid path, no access).
std::optional<FileVersion> fileVersion(const std::string& path);

// The whole content of a file, opened for reading only; while it is open, other programs may read
// it but not write it. Throws std::system_error naming the file when it cannot be opened or read.
std::string readFileBytes(const std::string& path);

// A file that could not be opened, written or closed; what() is the system's reason, in the
// user's language where the system has one.
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& reason, bool alreadyExists)
        : std::runtime_error(reason), alreadyExists_(alreadyExists) {}
    // Opening a new file failed only because a file of that name exists.
    bool alreadyExists() const { return alreadyExists_; }

  private:
    bool alreadyExists_;
};

// A file open for writing, closed on destruction. While it is open, other programs may read it
// but not write it. Text goes out byte for byte (no line-end translation).
class OutputFile {
  public:
    enum class Mode {
        CreateNew,  // fails when the name exists; a folder of that name is no file that exists
        Replace,    // created, or emptied when it exists
        Append,     // created when missing; every write goes to the end
    };
    OutputFile(const std::string& path, Mode mode);  // throws FileError
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void writeAll(std::string_view bytes);  // throws FileError
    // Closes now, reporting errors the system delays to the close. Throws FileError.
    void close();

  private:
    std::intptr_t handle_;
};

// Writes `bytes` as the whole file `path`, opened in `mode` (CreateNew or Replace). False, and the
// file untouched, when the mode is CreateNew and the file exists. On any other failure a partial
// file is removed and std::runtime_error says
// "Datei \"<path>\" kann nicht erstellt werden. <reason>".
bool writeWholeFile(const std::string& path, std::string_view bytes, OutputFile::Mode mode);

}  // namespace bildheber
