#include "log/UploadLog.h"

#include <utility>

#include "platform/Charsets.h"
#include "platform/SystemFiles.h"

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

UploadLog::UploadLog(std::string filename, LogLabel& label)
    : filename_(std::move(filename)), label_(label) {}

void UploadLog::initLogfile() const {
    writeWholeFile(filename_, kHeader, OutputFile::Mode::CreateNew);  // an existing log stays
}

void UploadLog::appendToLogfile(std::string_view lines) const {
    // The log is read as the system's ANSI code page, as it always was.
    const std::string bytes = toAnsiCodePage(std::string(lines) + "\r\n");
    try {
        OutputFile file(filename_, OutputFile::Mode::Append);
        file.writeAll(bytes);
        file.close();
    } catch (const FileError&) {
        label_.setLogLabelText("Logfile: I/O-Fehler");
    }
}

}  // namespace bildheber
