#pragma once

#include <string>
#include <string_view>

#include "log/LogTimestamp.h"

namespace bildheber {

// Where the log reports that an entry could not be written.
class LogLabel {
  public:
    virtual ~LogLabel() = default;
    virtual void setLogLabelText(const std::string& text) = 0;
};

// time stamp + ": Upload File " + path + CR LF + code + CR LF.
std::string formatLogEntry(const LocalTime& time, std::string_view path, std::string_view code);

// The upload log (beside the program or in the user's state folder): a header written once,
// then one entry per upload attempt.
class UploadLog {
  public:
    UploadLog(std::string filename, LogLabel& label);

    const std::string& filename() const { return filename_; }

    // Creates the file with its five header lines when it does not exist; an existing file is not
    // touched. Throws std::runtime_error (with the path and the system's reason) when the file
    // cannot be created or written.
    void initLogfile() const;

    // Appends `lines` and CR LF. Never throws: a failure sets the log label to
    // "Logfile: I/O-Fehler" and the text is lost.
    void appendToLogfile(std::string_view lines) const;

  private:
    std::string filename_;
    LogLabel& label_;
};

}  // namespace bildheber
