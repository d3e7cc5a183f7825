#include "upload/UploadJob.h"

#include <algorithm>
#include <exception>

#include "imaging/JpegCodec.h"
#include "imaging/TempPictures.h"
#include "platform/Paths.h"
#include "platform/SystemFiles.h"
#include "upload/ForumCode.h"

namespace bildheber {

namespace {

constexpr const char* kWaiting = "Warte auf ein oder mehrere Bilder.";
constexpr const char* kExpiryHint =
    "Deine Daten gehören Dir.\n\rWenn Du nicht willst, dass sie unbegrenzt gespeichert "
    "bleiben, kannst Du hier einen Löschzeitpunkt angeben.";

// Sets a flag for the lifetime of the object, also when the scope is left by an exception.
class FlagGuard {
  public:
    explicit FlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagGuard() { flag_ = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

  private:
    bool& flag_;
};

ProgramFiles filesOf(const std::string& programPath) {
    return ProgramFiles::derivedFrom(programPath, programFoldersFor(folderPart(programPath)));
}

}  // namespace

ProgramFiles ProgramFiles::derivedFrom(const std::string& programPath,
                                       const ProgramFolders& folders) {
    const std::string program = fileNamePart(programPath);
    return ProgramFiles{joinPath(folders.log, replaceExtension(program, "_log.txt")),
                        joinPath(folders.temporary, replaceExtension(program, "_tmp.jpg")),
                        joinPath(folders.temporary, replaceExtension(program, "_tmp*.jpg")),
                        replaceExtension(program, ".wav")};
}

UploadJob::UploadJob(WindowOperations& window, Platform& platform, Uploader uploader)
    : window_(window),
      platform_(platform),
      uploader_(std::move(uploader)),
      files_(filesOf(platform.programPath())),
      log_(files_.logfilename, window) {}

void UploadJob::FormCreate(const std::vector<std::string>& arguments) {
    window_.setHintHidePause(10000);
    window_.setExpiryHint(kExpiryHint);
    window_.initListView();
    deleteTmpFiles(files_.tmpPattern);
    all_bbcCodes_.clear();
    // Without a log the program still works; the user is told once and the label says so.
    bool logReady = true;
    try {
        log_.initLogfile();
    } catch (const std::exception& failure) {
        logReady = false;
        window_.showError(failure.what());
    }
    window_.setLogLabelText(logReady ? "Logfile: " + files_.logfilename : "Logfile: I/O-Fehler");
    window_.setStatusText(kWaiting);
    window_.acceptDrops(true);
    ok_ = false;
    for (const std::string& argument : arguments) {
        // The command-line rule never makes an empty argument; an empty one names no file.
        if (!argument.empty()) {
            AddToFileList(argument);
        }
    }
}

void UploadJob::FormClose() {
    window_.acceptDrops(false);
    deleteTmpFiles(files_.tmpPattern);
}

void UploadJob::ButtonsendClick() {
    if (running_) {
        return;  // pressed again while the run waited for events: one run at a time
    }
    const FlagGuard running(running_);
    window_.setButtonEnabled(Button::Send, false);
    window_.setButtonEnabled(Button::ClearList, false);
    window_.setButtonEnabled(Button::DeleteSingle, false);
    window_.processPendingEvents();

    all_bbcCodes_.clear();
    runCount_ = queue_.size();  // pictures added during the run wait for the next
    for (std::size_t position = 0; position < runCount_; ++position) {
        const std::string line = uploadEntry(position);
        if (line.size() > 1 && line.front() != '-') {
            all_bbcCodes_ += line;
        }
    }
    runCount_ = 0;
    reEncodeAhead_.drop();
    if (!all_bbcCodes_.empty()) {
        window_.setStatusText("Forumscode in Zwischenablage. Mit [Strg v] in Forumstext einfügen.");
        copyToClipboard(all_bbcCodes_);
    }
    completionSignal();
    window_.setButtonEnabled(Button::ClearList, true);
    window_.setButtonEnabled(Button::DeleteSingle, true);
    window_.setButtonEnabled(Button::Send, true);
}

std::string UploadJob::uploadEntry(std::size_t position) {
    std::string line = "- Error!\r\n";
    if (!ok_) {
        return line;
    }
    if (queue_[position].status == entry_status::kDone) {
        return queue_[position].forumCode + "\r\n";
    }
    // The queue may grow at every event-processing point: address the entry by position only.
    const std::string path = queue_[position].path;
    std::string code;
    std::string jpeg;
    try {
        const ExpiryChoice expiry = window_.expiryChoice();
        jpeg = reEncodeAhead_.take(position, path);
        window_.setStatusText("Sende Nr." + std::to_string(position + 1) + " von " +
                              std::to_string(queue_.size()) + ": " + path);
        queue_[position].status = entry_status::kSending;
        window_.showEntry(position, queue_[position]);
        window_.processPendingEvents();

        if (const auto next = nextToSend(position)) {
            reEncodeAhead_.start(*next, queue_[*next].path);  // while this one is being sent
        }
        const std::string reply = uploader_(path, jpeg, expiry);
        code = extractForumCode(reply, window_);
        queue_[position].forumCode = code;
        queue_[position].status =
            code.starts_with('-') ? entry_status::kError : entry_status::kDone;
        window_.showEntry(position, queue_[position]);
        window_.processPendingEvents();
        line = code + "\r\n";
    } catch (const std::exception&) {
        // The reason is not shown: the entry and the status line say that it failed.
        queue_[position].status = entry_status::kError;
        window_.showEntry(position, queue_[position]);
        window_.setStatusText("Sendefehler." + path);
    }
    log_.appendToLogfile(formatLogEntry(LocalTime::now(), path, code));
    return line;
}

std::optional<std::size_t> UploadJob::nextToSend(std::size_t position) const {
    if (!ok_) {
        return std::nullopt;
    }
    const std::size_t end = std::min(runCount_, queue_.size());
    for (std::size_t next = position + 1; next < end; ++next) {
        if (queue_[next].status != entry_status::kDone) {
            return next;
        }
    }
    return std::nullopt;
}

void UploadJob::updateStatusLabel() {
    const std::size_t count = queue_.size();
    if (count == 0) {
        window_.setStatusText(kWaiting);
    } else if (count == 1) {
        window_.setStatusText("Habe 1 Bild. Bitte auf Hochladen klicken.");
    } else {
        window_.setStatusText("Habe " + std::to_string(count) +
                              " Bilder. Bitte auf Hochladen klicken.");
    }
}

void UploadJob::NochmalinZwischenablagekopieren1Click() {
    copyToClipboard(all_bbcCodes_);
}

void UploadJob::copyToClipboard(const std::string& text) {
    // A clipboard held by another program is reported; the codes stay in all_bbcCodes.
    try {
        platform_.setClipboardText(text);
    } catch (const std::exception& failure) {
        window_.showError(failure.what());
    }
}

void UploadJob::completionSignal() {
    if (isExistingFile(files_.soundName)) {
        platform_.playSoundAsync(files_.soundName);
    } else {
        platform_.beep();
    }
}

std::optional<UploadJob::Accepted> UploadJob::checkImage(const std::string& filename) {
    if (!hasJpegExtension(filename)) {
        window_.showNotice("Die Datei \"" + filename +
                           "\" endet nicht auf JPEG oder JPG. So wird das nix.");
        return std::nullopt;
    }
    PictureSize size;
    try {
        size = window_.loadPreview(filename);
    } catch (const std::exception&) {
        window_.showNotice("\"" + filename + "\"scheint kein JPEG-Bild zu sein. Schade.");
        return std::nullopt;
    }
    if (size.width < 1 || size.height < 1) {
        window_.showNotice("Das scheint kein JPEG-Bild zu sein. So wird das nix.");
        return std::nullopt;
    }
    const PictureSize client = window_.clientSize();
    window_.setPreviewStretch(size.width > client.width - 10 || size.height > client.height - 83);
    scale_ = fitScale(size.width, size.height);
    setButton(Button::Send, true);
    ok_ = true;
    return Accepted{size.width, size.height, scale_.fit()};
}

void UploadJob::AddToFileList(const std::string& filename) {
    if (const auto accepted = checkImage(filename)) {
        queue_.push_back(UploadEntry{filename, sizeText(getFileSize(filename)),
                                     pixelText(accepted->width, accepted->height),
                                     scaleText(accepted->fitScale), entry_status::kQueued, ""});
        window_.showEntry(queue_.size() - 1, queue_.back());
        setButton(Button::ClearList, true);
        setButton(Button::DeleteSingle, true);
        window_.selectRow(queue_.size() - 1);
    }
    updateStatusLabel();
}

void UploadJob::showPreview(const std::string& filename) {
    if (!hasJpegExtension(filename)) {
        return;
    }
    try {
        window_.loadPreview(filename);
    } catch (const std::exception&) {
        // A file gone since it was queued: the preview keeps what it shows.
    }
}

void UploadJob::handleDroppedFiles(const std::vector<std::string>& paths) {
    ok_ = false;
    setButton(Button::Send, false);
    for (const std::string& path : paths) {
        AddToFileList(path);
    }
    setButton(Button::ClearList, !queue_.empty());
}

void UploadJob::Dateiladen1Click(const std::vector<std::string>& chosenFiles) {
    for (const std::string& path : chosenFiles) {
        AddToFileList(path);
    }
}

void UploadJob::ListView1Click() {
    const auto selected = window_.selectedRow();
    if (selected && *selected < queue_.size()) {
        showPreview(queue_[*selected].path);
        setButton(Button::DeleteSingle, true);
    } else {
        window_.clearPreview();
        setButton(Button::DeleteSingle, false);
    }
}

void UploadJob::ButtonDeleteSingleClick() {
    if (running_) {
        return;
    }
    const auto selected = window_.selectedRow();
    if (selected && *selected < queue_.size()) {
        const bool wasLast = *selected + 1 == queue_.size();
        queue_.erase(queue_.begin() + static_cast<std::ptrdiff_t>(*selected));
        window_.removeRow(*selected);
        setButton(Button::ClearList, !queue_.empty());
        const std::optional<std::size_t> next =
            (wasLast && !queue_.empty()) ? std::optional(queue_.size() - 1) : std::nullopt;
        window_.selectRow(next);
        if (next) {
            showPreview(queue_[*next].path);
        } else {
            window_.clearPreview();
        }
    }
    updateStatusLabel();
}

void UploadJob::ButtonClearListClick() {
    if (running_) {
        return;
    }
    queue_.clear();
    window_.removeAllRows();
    setButton(Button::DeleteSingle, false);
    setButton(Button::ClearList, false);
    window_.clearPreview();
    updateStatusLabel();
}

void UploadJob::Image1Click() {
    if (!platform_.clipboardHasBitmap()) {
        return;
    }
    std::string name;
    try {
        const RgbRaster picture = platform_.readClipboardBitmap();
        window_.setPreviewPicture(picture);
        const std::string jpeg = encodeJpeg(picture, false);
        name = uniqueFileName(files_.tmpPicture, &isExistingFile);
        writeWholeFile(name, jpeg, OutputFile::Mode::Replace);
    } catch (const std::exception& failure) {
        window_.showError(failure.what());
        return;
    }
    AddToFileList(name);
}

void UploadJob::LabelLogfileClick() {
    platform_.openWithDefaultHandler(files_.logfilename);
}

void UploadJob::setButton(Button button, bool enabled) {
    if (!running_) {
        window_.setButtonEnabled(button, enabled);
    }
}

}  // namespace bildheber
