#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "imaging/JpegCodec.h"
#include "platform/SystemFiles.h"
#include "upload/WindowOperations.h"

namespace bildheber::test {

// A window without a screen: it keeps the state a real one would show and records every call in
// order, so tests can check both the outcome and the sequence.
class FakeWindow : public WindowOperations {
  public:
    std::vector<std::string> calls;  // "status: ...", "button Send off", "events", ...
    std::string statusText = "Label1";
    std::string logLabelText = "Logfile";
    std::vector<UploadEntry> rows;
    std::optional<std::size_t> selected;
    std::map<Button, bool> buttons{
        {Button::Send, false}, {Button::ClearList, false}, {Button::DeleteSingle, false}};
    std::string preview;  // the file shown, "clipboard", or empty
    bool stretch = true;
    PictureSize client{802, 851};
    ExpiryChoice expiry = ExpiryChoice::Never;
    std::vector<std::string> notices;
    std::vector<std::string> errors;
    // Runs whenever the job lets the window handle its events: a test's stand-in for the user.
    std::function<void()> onEvents;

    // The status line's texts among the calls, in order.
    std::vector<std::string> statusLines() const {
        std::vector<std::string> lines;
        for (const auto& call : calls) {
            if (call.starts_with("status: ")) {
                lines.push_back(call.substr(8));
            }
        }
        return lines;
    }

    void initListView() override { calls.push_back("init list"); }
    void setExpiryHint(const std::string& text) override { calls.push_back("hint: " + text); }
    void setHintHidePause(int ms) override { calls.push_back("hint pause " + std::to_string(ms)); }
    void acceptDrops(bool accept) override { calls.push_back(accept ? "drops on" : "drops off"); }
    void setStatusText(const std::string& text) override {
        statusText = text;
        calls.push_back("status: " + text);
    }
    void setLogLabelText(const std::string& text) override {
        logLabelText = text;
        calls.push_back("log label: " + text);
    }
    void showEntry(std::size_t row, const UploadEntry& entry) override {
        if (row == rows.size()) {
            rows.push_back(entry);
        } else {
            rows.at(row) = entry;
        }
        calls.push_back("entry " + std::to_string(row) + ": " + entry.status);
    }
    void removeRow(std::size_t row) override {
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
        selected.reset();
    }
    void removeAllRows() override {
        rows.clear();
        selected.reset();
    }
    std::optional<std::size_t> selectedRow() override { return selected; }
    void selectRow(std::optional<std::size_t> row) override { selected = row; }
    void setButtonEnabled(Button button, bool enabled) override {
        buttons[button] = enabled;
        static const char* names[] = {"Send", "ClearList", "DeleteSingle"};
        calls.push_back(std::string("button ") + names[static_cast<int>(button)] +
                        (enabled ? " on" : " off"));
    }
    ExpiryChoice expiryChoice() override { return expiry; }
    void processPendingEvents() override {
        calls.push_back("events");
        if (onEvents) {
            onEvents();
        }
    }
    void showNotice(const std::string& text) override {
        notices.push_back(text);
        calls.push_back("notice: " + text);
    }
    void showError(const std::string& text) override {
        errors.push_back(text);
        calls.push_back("error: " + text);
    }
    PictureSize clientSize() override { return client; }
    PictureSize loadPreview(const std::string& path) override {
        const std::string bytes = readFileBytes(path);
        const JpegHeader header = readJpegHeader(bytes);  // throws for what is not JPEG
        preview = bytes.empty() ? std::string() : path;
        return PictureSize{header.width, header.height};
    }
    void setPreviewStretch(bool on) override { stretch = on; }
    void setPreviewPicture(const RgbRaster&) override { preview = "clipboard"; }
    void clearPreview() override { preview.clear(); }

    bool button(Button b) const { return buttons.at(b); }
};

}  // namespace bildheber::test
