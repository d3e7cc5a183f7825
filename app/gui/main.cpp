// bildheber: the window a forum member starts.

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QProxyStyle>
#include <string>
#include <vector>

#include "platform/SystemFiles.h"
#include "ui/ExchangeKeepingThePaint.h"
#include "ui/GermanTranslations.h"
#include "ui/QtDesktop.h"
#include "ui/TForm1.h"
#include "upload/PostImage.h"

namespace {

// Hints appear after the pointer has rested for half a second.
class HintTiming : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ToolTip_WakeUpDelay) {
            return 500;
        }
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

// The window's font is Tahoma 8 pt; Wine's Tahoma stands in where it is installed.
void useTahoma(QApplication& app) {
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        if (QFile::exists(file)) {
            QFontDatabase::addApplicationFont(file);
        }
    }
    QFont font("Tahoma");
    font.setPointSize(8);
    app.setFont(font);
}

}  // namespace

int main(int argc, char** argv) {
    // Every argument is a picture to queue, so Qt sees none of them (QT_QPA_PLATFORM and the
    // other environment variables still configure it). Qt keeps a reference to the count.
    static int qtArgumentCount = 1;
    QApplication app(qtArgumentCount, argv);
    QApplication::setApplicationName("Bildheber");
    // Lets the desktop match the window to its installed entry (name and icon, on Wayland too).
    QGuiApplication::setDesktopFileName("example.korvan.Bildheber");
    QApplication::setStyle(new HintTiming);
    bildheber::useGermanTranslations(app);
    useTahoma(app);

    bildheber::QtDesktop desktop;
    // One upload: postImage sends the picture; the exchange runs it on a worker thread while the
    // window keeps painting and keeps drops for the next event point; the window's job calls it.
    bildheber::ExchangeKeepingThePaint exchange(
        [](std::string_view path, std::string_view jpeg, bildheber::ExpiryChoice expiry) {
            return bildheber::postImage(path, jpeg, expiry);
        });
    bildheber::TForm1 form(desktop, exchange);
    form.FormCreate(bildheber::programArguments(argc, argv));
    form.show();
    return QApplication::exec();
}
