#include "app/Settings.h"

#include "data/ProgramState.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/Version.h"

#include <QDir>

namespace {

const QString kSection = QStringLiteral("Options");
const QString kDefaultBase = QStringLiteral("DefaultBase");
const QString kDefaultTable = QStringLiteral("DefaultTable");
const QString kCheckOnOpen = QStringLiteral("CheckOnOpen");

bool Write(const QString& key, const QString& value) {
    // The user's configuration folder is made on the first write.
    QDir().mkpath(platform::folderOf(SettingsPath()));
    if (platform::writeProfileString(SettingsPath(), kSection, key, value))
        return true;
    platform::messageBox(QStringLiteral("Unable to write to ") + SettingsPath(), platform::programTitle(),
                         platform::Buttons::Ok, platform::Icon::Error);
    return false;
}

// Rewrites a text only when it changed, so an untouched file stays as it is.
bool WriteIfChanged(const QString& key, const QString& value) {
    const QString stored = platform::readProfileString(SettingsPath(), kSection, key, QString());
    return stored == value || Write(key, value);
}

} // namespace

QString SettingsPath() { return platform::settingsFile(); }

void ReadSettings() {
    const QString file = SettingsPath();
    DBPath = platform::readProfileString(file, kSection, kDefaultBase, QString());
    DBTable = platform::readProfileString(file, kSection, kDefaultTable, QString());
    const std::optional<long long> check =
        platform::parseProfileInteger(platform::readProfileString(file, kSection, kCheckOnOpen, QString()));
    CheckOnOpenFlag = check.value_or(0) != 0;
}

void WriteSettings() {
    if (!WriteIfChanged(kDefaultBase, DBPath))
        return;
    if (!WriteIfChanged(kDefaultTable, DBTable))
        return;
    Write(kCheckOnOpen, CheckOnOpenFlag ? QStringLiteral("1") : QStringLiteral("0"));
}
