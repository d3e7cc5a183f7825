#include "log/UploadLog.h"

#include "platform/CharsetConverter.h"
#include "platform/FileDescriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace bildheber {

namespace {

constexpr std::string_view kHeader =
    "Korvan Bildheber Logfile.\r\n"
    "======================\r\n"
    " \r\n"
    "Folgende Dateien wurden auf Trullers Forumsserver hochgeladen: \r\n"
    " \r\n";

}  // namespace

std::string formatLogEntry(const LocalTime& time, std::string_view path, std::string_view code) {
    std::string entry = formatLogTimestamp(time);
    entry += ": Upload File ";
    entry += path;
    entry += "\r\n";
    entry += code;
    entry += "\r\n";
    return entry;
}

std::string toLogEncoding(std::string_view utf8) {
    // Best fit where there is one; bytes that are not UTF-8 (a POSIX file name may hold any) and
    // characters without a form in windows-1252 become "?".
    CharsetConverter converter("WINDOWS-1252//TRANSLIT", "UTF-8");
    if (!converter.isOpen()) {
        return std::string(utf8);
    }
    return converter.convert(utf8, "?");
}

UploadLog::UploadLog(std::string filename, LogLabel& label)
    : filename_(std::move(filename)), label_(label) {}

void UploadLog::initLogfile() const {
    FileDescriptor file(::open(filename_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    const int openError = errno;
    const auto fail = [this](int error) {
        throw std::runtime_error("Datei \"" + filename_ + "\" kann nicht erstellt werden. " +
                                 std::strerror(error));
    };
    if (!file.valid()) {
        // An existing log is left as it is; a folder of that name is no log.
        struct stat info {};
        if (openError == EEXIST && ::stat(filename_.c_str(), &info) == 0 &&
            !S_ISDIR(info.st_mode)) {
            return;
        }
        fail(openError == EEXIST ? EISDIR : openError);
    }
    if (!file.writeAll(kHeader) || !file.close()) {
        const int error = errno;
        ::unlink(filename_.c_str());  // a header cut short would stay forever
        fail(error);
    }
}

void UploadLog::appendToLogfile(std::string_view lines) const {
    const std::string bytes = toLogEncoding(std::string(lines) + "\r\n");
    FileDescriptor file(::open(filename_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (!file.valid() || !file.writeAll(bytes) || !file.close()) {
        label_.setLogLabelText("Logfile: I/O-Fehler");
    }
}

}  // namespace bildheber
