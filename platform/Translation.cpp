#include "platform/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

bool installRussianTranslation(QCoreApplication& app) {
    // Parented to the application so it lives exactly as long as it is installed.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !app.installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace platform
