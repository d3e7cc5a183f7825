#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/JpegCodec.h"
#include "support/TempDir.h"
#include "support/TestPictures.h"
#include "ui/ExchangeKeepingThePaint.h"
#include "ui/QtDesktop.h"
#include "ui/TForm1.h"

namespace bildheber::test {

// The real desktop layer, except that it records instead of playing sounds or starting programs.
class RecordingDesktop : public QtDesktop {
  public:
    explicit RecordingDesktop(std::string programPath) : program(std::move(programPath)) {}
    std::string program;
    std::vector<std::string> sounds;
    std::vector<std::string> opened;
    std::string programPath() override { return program; }
    void playSoundAsync(const std::string& file) override { sounds.push_back("play " + file); }
    void beep() override { sounds.push_back("beep"); }
    void openWithDefaultHandler(const std::string& target) override { opened.push_back(target); }
};

// Closes every message box as soon as it is shown, as a user pressing OK would, and keeps its
// title, icon and text.
class MessageBoxCloser {
  public:
    struct Seen {
        QString title;
        QMessageBox::Icon icon;
        QString text;
        Qt::TextFormat format;
    };
    MessageBoxCloser() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.push_back({box->windowTitle(), box->icon(), box->text(), box->textFormat()});
                box->accept();
            } else if (QWidget* other = QApplication::activeModalWidget()) {
                other->close();  // a file dialog: cancelled
            }
        });
        timer_.start();
    }
    std::vector<Seen> seen;

  private:
    QTimer timer_;
};

class WindowFixture : public ::testing::Test {
  protected:
    WindowFixture() { QGuiApplication::clipboard()->clear(); }

    std::string writeJpeg(const std::string& name, int width = 64, int height = 48) const {
        return writeJpegFile(folder.path() / name, width, height);
    }

    template <typename T>
    T* find(const char* name) {
        T* found = form.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    bool enabled(const char* name) { return button(name)->isEnabled(); }

    TempDir folder;
    RecordingDesktop desktop{(folder.path() / "Bildheber").string()};
    MessageBoxCloser boxes;
    ExchangeKeepingThePaint exchange{
        [](std::string_view, std::string_view, ExpiryChoice) -> std::string {
            throw std::runtime_error("no image host in this test");
        }};
    TForm1 form{desktop, exchange};
};

}  // namespace bildheber::test
