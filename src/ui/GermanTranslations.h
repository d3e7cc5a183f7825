#pragma once

class QCoreApplication;

namespace bildheber {

// Lets Qt's own texts (the file dialog's "Suchen in", "Dateiname", "Öffnen", "Abbrechen", the
// message boxes' buttons) speak German like the rest of the window, from Qt's translations as
// the system installs them. Without them the dialogs stay in English; nothing else changes.
// Returns whether they were found.
bool useGermanTranslations(QCoreApplication& app);

}  // namespace bildheber
