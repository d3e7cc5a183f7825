#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/EntryFacts.h"
#include "log/UploadLog.h"
#include "platform/ProgramFolders.h"
#include "upload/ExpiryChoice.h"
#include "upload/Platform.h"
#include "upload/ReEncodeAhead.h"
#include "upload/UploadEntry.h"
#include "upload/WindowOperations.h"

namespace bildheber {

// Sends one re-encoded picture and returns the reply page; throws on failure.
using Uploader =
    std::function<std::string(std::string_view path, std::string_view jpeg, ExpiryChoice expiry)>;

// The files the program keeps, named after its own file: beside it, or in the user's folders
// when the program's folder cannot be written.
struct ProgramFiles {
    std::string logfilename;  // <log folder>/<program>_log.txt
    std::string tmpPicture;   // <temporary folder>/<program>_tmp.jpg
    std::string tmpPattern;   // <temporary folder>/<program>_tmp*.jpg
    std::string soundName;    // <program file name>.wav, looked up in the current folder

    static ProgramFiles derivedFrom(const std::string& programPath, const ProgramFolders& folders);
};

// The job behind the main window: the upload queue and its run, the acceptance of pictures,
// the clipboard capture, start-up and shut-down, and the control states. The window only wires
// its controls to these handlers and implements WindowOperations.
class UploadJob {
  public:
    UploadJob(WindowOperations& window, Platform& platform, Uploader uploader);

    // Start-up before the window is shown; `arguments` are the paths named on the command line.
    void FormCreate(const std::vector<std::string>& arguments);
    void FormClose();

    // "Hochladen": uploads every queued entry that is not finished and collects the codes.
    void ButtonsendClick();
    // One step of the run; returns what the entry contributes to all_bbcCodes.
    std::string uploadEntry(std::size_t position);
    void updateStatusLabel();
    void NochmalinZwischenablagekopieren1Click();

    // Checks one file and queues it, or tells the user why not.
    void AddToFileList(const std::string& filename);
    void showPreview(const std::string& filename);

    // Inputs of the window.
    void handleDroppedFiles(const std::vector<std::string>& paths);
    void Dateiladen1Click(const std::vector<std::string>& chosenFiles);
    void ListView1Click();
    void ButtonDeleteSingleClick();
    void ButtonClearListClick();
    void Image1Click();
    void LabelLogfileClick();

    const std::vector<UploadEntry>& queue() const { return queue_; }
    const std::string& all_bbcCodes() const { return all_bbcCodes_; }
    bool ok() const { return ok_; }
    bool running() const { return running_; }
    const ProgramFiles& files() const { return files_; }
    const std::string& logfilename() const { return files_.logfilename; }
    int scalex() const { return scale_.scalex; }
    int scaley() const { return scale_.scaley; }

  private:
    struct Accepted {
        int width;
        int height;
        int fitScale;
    };
    std::optional<Accepted> checkImage(const std::string& filename);
    // The position of the entry the running run will send after the one at `position`, if any.
    std::optional<std::size_t> nextToSend(std::size_t position) const;
    void completionSignal();
    // Button changes from handlers; while a run is in progress the run owns the three buttons,
    // so that no entry is removed and no second run starts before it has ended.
    void setButton(Button button, bool enabled);
    void copyToClipboard(const std::string& text);

    WindowOperations& window_;
    Platform& platform_;
    Uploader uploader_;
    ProgramFiles files_;
    UploadLog log_;
    std::vector<UploadEntry> queue_;
    std::string all_bbcCodes_;
    bool ok_ = false;
    bool running_ = false;
    std::size_t runCount_ = 0;  // the entries the running run takes; 0 outside a run
    ReEncodeAhead reEncodeAhead_;
    FitScale scale_{0, 0};
};

}  // namespace bildheber
