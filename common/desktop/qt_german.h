#pragma once

// What both desktop programs do once their QApplication exists: make Qt's own texts (the
// standard buttons, file dialogs, "already exists. Do you want to replace it?") German like
// the rest of the program. The headless paths make no QApplication and never call it.

#include <QString>

class QCoreApplication;

namespace kw {

// Installs Qt's German translation "qtbase_de.qm" from folder (by default Qt's translations
// folder) into the application; the translator lives as long as the application. Returns
// false, and changes nothing, when the file is missing or unreadable: the program then runs
// with Qt's English texts.
bool installQtGerman(QCoreApplication& application, const QString& folder = QString());

} // namespace kw
