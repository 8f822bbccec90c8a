#pragma once

class QCoreApplication;

namespace platform {

// Loads Qt's own Russian texts (standard buttons, file dialogs) and installs
// them on app. Returns false when the translation is not available.
bool installRussianTranslation(QCoreApplication& app);

} // namespace platform
