#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "imaging/RgbRaster.h"
#include "log/UploadLog.h"
#include "upload/ExpiryChoice.h"
#include "upload/StatusLine.h"
#include "upload/UploadEntry.h"

namespace bildheber {

enum class Button { Send, ClearList, DeleteSingle };

struct PictureSize {
    int width = 0;
    int height = 0;
};

// What the job logic needs from the main window. The window implements it; tests record it.
class WindowOperations : public StatusLine, public LogLabel {
  public:
    // Creates the queue list's six columns.
    virtual void initListView() = 0;
    virtual void setExpiryHint(const std::string& text) = 0;
    virtual void setHintHidePause(int milliseconds) = 0;
    // Registers or unregisters the drop panel as the target for dropped files.
    virtual void acceptDrops(bool accept) = 0;

    // Row `row` of the queue list shows `entry`; row == number of rows appends a row.
    virtual void showEntry(std::size_t row, const UploadEntry& entry) = 0;
    virtual void removeRow(std::size_t row) = 0;
    virtual void removeAllRows() = 0;
    virtual std::optional<std::size_t> selectedRow() = 0;
    virtual void selectRow(std::optional<std::size_t> row) = 0;

    virtual void setButtonEnabled(Button button, bool enabled) = 0;
    virtual ExpiryChoice expiryChoice() = 0;

    // Handles the window events waiting now (input, drops, repaints, a close request), then
    // returns.
    virtual void processPendingEvents() = 0;
    // A modal message box titled "Bildheber" with an OK button.
    virtual void showNotice(const std::string& text) = 0;
    // The general error report: the same with an error icon, for failures no handler expected.
    virtual void showError(const std::string& text) = 0;
    // Width and height of the window's client area now.
    virtual PictureSize clientSize() = 0;

    // Loads the JPEG file into the preview and returns its size; a zero-byte file gives 0 x 0 and
    // an empty preview. Throws when the file cannot be read or its header is not JPEG; the
    // preview then keeps its picture.
    virtual PictureSize loadPreview(const std::string& path) = 0;
    virtual void setPreviewStretch(bool stretch) = 0;
    virtual void setPreviewPicture(const RgbRaster& picture) = 0;
    virtual void clearPreview() = 0;
};

}  // namespace bildheber
