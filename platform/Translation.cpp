#include "platform/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

bool installRussianTranslation(QCoreApplication& app) {
    // Parented to the application so it lives exactly as long as it is installed.
    auto* translator = new QTranslator(&app);
    // Qt's own folder, or (an installed Windows program) one beside the executable.
    const bool loaded =
        translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || translator->load(QStringLiteral("qtbase_ru"),
                            QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    if (!loaded || !app.installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace platform
