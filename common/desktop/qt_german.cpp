#include "common/desktop/qt_german.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kw {

bool installQtGerman(QCoreApplication& application, const QString& folder) {
    const QString from =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_de"), from) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace kw
