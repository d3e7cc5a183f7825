// Qt's own dialogs speak German like the rest of the window.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ui/GermanTranslations.h"

namespace bildheber::test {
namespace {

TEST(GermanTranslationsTest, TheFileDialogAndTheMessageBoxesSpeakGerman) {
    ASSERT_TRUE(useGermanTranslations(*QCoreApplication::instance()));
    const struct {
        const char* context;
        const char* english;
        const char* german;
    } texts[] = {
        {"QFileDialog", "Look in:", "Suchen in:"},
        {"QFileDialog", "File &name:", "Datei&name:"},
        {"QFileDialog", "&Open", "&Öffnen"},
        {"QPlatformTheme", "Cancel", "Abbrechen"},
        {"QPlatformTheme", "OK", "OK"},
    };
    for (const auto& text : texts) {
        EXPECT_EQ(QCoreApplication::translate(text.context, text.english).toStdString(),
                  text.german)
            << text.context << " " << text.english;
    }
}

}  // namespace
}  // namespace bildheber::test
