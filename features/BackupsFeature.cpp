// Backups: a copy at exit when the catalogue changed (before the
// compaction), the list of copies (menu «Файл», Ctrl+B), and a copy written
// back in place.
#include "features/Feature.h"

#include "backups/Backups.h"
#include "dialogs/BackupsUnit.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/Today.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <cstdio>

namespace {

const QString kSection = QStringLiteral("Backups");
const QString kFailure = QStringLiteral("LastFailure");

QDateTime now() { return platform::dateTimeOfDayNumber(platform::now()); }

// The copy: true when the copies hold the catalogue as it stands. A failure
// said last time is not said again: a full disk or a folder that cannot be
// written would otherwise greet every exit. It is known by its folder and
// kind, not by its text, which names the copy.
bool BackUpAtExit(const ShownCatalogue& catalogue) {
    if (catalogue.readOnly()) // it was not changed here
        return false;
    const QString settings = platform::settingsFile();
    const QString told = platform::readProfileString(settings, kSection, kFailure, QString());
    QString memo, failure;
    try {
        backups::backUp(catalogue.file, now());
    } catch (const backups::BackupError& e) {
        memo = e.memo();
        failure = e.message();
    } catch (const std::exception& e) {
        memo = failure = QString::fromUtf8(e.what());
    }
    if (memo != told) {
        platform::writeProfileString(settings, kSection, kFailure, memo);
        if (!failure.isEmpty())
            platform::messageBox(failure + QStringLiteral("\rСжатие и выход продолжаются."),
                                 QStringLiteral("Резервная копия"), platform::Buttons::Ok, platform::Icon::Warning);
    }
    return failure.isEmpty();
}

// --backups FILE: the copies of FILE.
CommandLineOption backupsOption() {
    return {QStringLiteral("backups"), QStringLiteral("ФАЙЛ"),
            QStringLiteral("Показать резервные копии ФАЙЛА и выйти."),
            [](const QString& file, const QStringList&, const QStringList&) {
                const QStringList lines = backups::describe(QFileInfo(file).absoluteFilePath());
                platform::print(stdout, lines.join(u'\n') + u'\n');
                return 0;
            }};
}

class BackupsFeature : public Feature {
public:
    std::vector<CommandLineOption> options() const override { return {backupsOption()}; }
    void install(MainWindowParts& main) override {
        m_main = &main;
        new TfmBackups(main.mainWindow()); // fmBackups, the main window's to keep
        QAction* list = makeCommand(main, "iBackups", QStringLiteral("Резервные копии..."), QStringLiteral("Ctrl+B"));
        // In «Файл», after «Открыть базу данных».
        insertAfter(main.menu(QStringLiteral("mFile")), "iSelectDB", list);
        main.addCatalogueCommand(list, Writes::Yes); // a restore writes
        platform::connectHandler(list, &QAction::triggered, list, [this] { ListCopies(); });
        main.addStep(Stage::BeforeCompaction, [this] { m_copied = BackUpAtExit(m_main->catalogue()); });
        // A failed copy leaves the state as it was, so the next exit copies.
        main.addStep(Stage::AfterCompaction, [this] {
            if (m_copied)
                platform::guarded([this] { backups::rememberState(m_main->catalogue().file); });
        });
    }

private:
    void ListCopies() {
        const QString file = m_main->catalogue().file;
        const QString copy = fmBackups->Choose(file);
        if (copy.isEmpty())
            return;
        m_main->whileCatalogueAway([&] { backups::restore(copy, file, now()); });
    }

    MainWindowParts* m_main = nullptr;
    bool m_copied = false;
};

} // namespace

std::unique_ptr<Feature> makeBackupsFeature() { return std::make_unique<BackupsFeature>(); }
