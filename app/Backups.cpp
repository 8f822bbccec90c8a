// Backups: a copy at exit when the catalogue changed, the list of copies,
// and a copy written back in place.
#include "app/Main.h"

#include "app/Settings.h"
#include "data/Backups.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/BackupsUnit.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/Today.h"
#include "ui_MainForm.h"

namespace {

const QString kSection = QStringLiteral("Backups");
const QString kFailure = QStringLiteral("LastFailure");

QDateTime now() { return platform::dateTimeOfDayNumber(platform::now()); }

} // namespace

void TfmMainForm::connectBackupHandlers() {
    platform::connectHandler(ui->iBackups, &QAction::triggered, this, &TfmMainForm::iBackupsClick);
}

bool TfmMainForm::BackUpAtExit() {
    // The failure said last time is not said again: a full disk or a
    // folder that cannot be written would otherwise greet every exit. It is
    // known by its folder and kind, not by its text, which names the copy.
    const QString told = platform::readProfileString(SettingsPath(), kSection, kFailure, QString());
    QString memo, failure;
    try {
        backups::backUp(DBPath, now());
    } catch (const backups::BackupError& e) {
        memo = e.memo();
        failure = e.message();
    } catch (const std::exception& e) {
        memo = failure = QString::fromUtf8(e.what());
    }
    if (memo != told) {
        platform::writeProfileString(SettingsPath(), kSection, kFailure, memo);
        if (!failure.isEmpty())
            platform::messageBox(failure + QStringLiteral("\rСжатие и выход продолжаются."),
                                 QStringLiteral("Резервная копия"), platform::Buttons::Ok, platform::Icon::Warning);
    }
    return failure.isEmpty();
}

void TfmMainForm::iBackupsClick() {
    const QString copy = fmBackups->Choose(DBPath);
    if (!copy.isEmpty())
        RestoreCopy(copy);
}

void TfmMainForm::RestoreCopy(const QString& copy) {
    if (!DebtorFilter.isEmpty())
        CloseTableList();
    EnterNoDatabaseState();
    DM->ADOConnection->close();
    ui->DBGrid->hide();
    try {
        backups::restore(copy, DBPath, now());
    } catch (...) {
        ShowOpenedDatabase(); // the catalogue as it was
        throw;
    }
    ShowOpenedDatabase();
}
