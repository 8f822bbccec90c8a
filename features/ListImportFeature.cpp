// «Импорт в таблицу...»: a list (CSV, .xlsx, .ods) or another cataloguer's
// collection brought into the current table or a new one. Every row is
// checked before anything is written; the rows go in with their contacts
// and loan history in one transaction, so «Отмена» or a failure leaves the
// catalogue as it was.
#include "features/Feature.h"

#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "dialogs/ListImportWindow.h"
#include "features/ImportHistory.h"
#include "history/HistoryKeeper.h"
#include "imports/ImportError.h"
#include "imports/ImportRun.h"
#include "platform/FileDialogs.h"
#include "platform/InputGuard.h"
#include "platform/MessageBox.h"
#include "platform/Plural.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>

namespace {

const QString kCaption = QStringLiteral("Импорт в таблицу");
const platform::NounForms kRecords{"запись", "записи", "записей"};

void tell(const QString& text, platform::Icon icon) {
    platform::messageBox(text, kCaption, platform::Buttons::Ok, icon);
}

class ListImportFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_main = &main;
        QAction* command = makeCommand(main, "iImportList", QStringLiteral("Импорт в таблицу..."));
        // In «Файл», after «Резервные копии...» (or «Открыть базу данных»).
        insertAfter(main.menu(QStringLiteral("mFile")), "iSelectDB", command);
        main.addCatalogueCommand(command, Writes::Yes);
        platform::connectHandler(command, &QAction::triggered, command, [this] { ImportIntoTable(); });
    }

private:
    void ImportIntoTable() {
        QWidget* window = m_main->mainWindow();
        const QString path = platform::chooseFile(
            window, {platform::FileDialogKind::Open, kCaption,
                     QStringLiteral("Списки и коллекции (*.csv *.tsv *.txt *.xlsx *.ods *.tc *.gcs *.xml);;"
                                    "Все файлы (*)"),
                     QFileInfo(m_main->catalogue().connection->dataSource()).absolutePath()});
        if (path.isEmpty())
            return;
        try {
            Import(window, path);
        } catch (const imports::ImportCancelled&) {
            // nothing written
        } catch (const imports::ImportError& e) {
            tell(QString::fromStdString(e.what()), platform::Icon::Warning);
        }
    }

    void Import(QWidget* window, const QString& path) {
        // A large workbook's sheet takes a while to read: the pointer says so.
        const auto opened = [&] {
            const platform::WaitCursor waiting;
            return std::make_unique<imports::ImportRun>(path);
        }();
        imports::ImportRun& run = *opened;
        QStringList taken = ReadTableNames() + shape::programTables();
        const QString shown = m_main->catalogue().table;
        ListImportWindow choice(window, path, run.list(), &run.records(), shown, taken);
        if (choice.exec() != QDialog::Accepted)
            return;
        run.setMapping(choice.mapping());
        const QString table = choice.newTable() ? choice.table() : shown;
        imports::ImportRun::Outcome outcome = Write(run, table, choice.newTable(), false);
        if (outcome.total == 0) {
            tell(QStringLiteral("В файле '%1' нет ни одной строки для импорта.").arg(path),
                 platform::Icon::Information);
            return;
        }
        if (!outcome.committed) {
            if (!ImportTheRest(window, outcome.refused, outcome.total, run.collection()))
                return;
            outcome = Write(run, table, choice.newTable(), true);
        }
        m_main->showTable(table);
        tell(QStringLiteral("В таблицу '%1' импортировано: %2. Новых контактов: %3.")
                 .arg(table, platform::countOf(outcome.items, kRecords))
                 .arg(outcome.contacts),
             platform::Icon::Information);
    }

    // The rows written with their loans' history, in one transaction.
    imports::ImportRun::Outcome Write(imports::ImportRun& run, const QString& table, bool create, bool refusedToo) {
        auto progress = platform::progressWindow(m_main->mainWindow(), QStringLiteral("ListImportProgress"), kCaption,
                                                 QStringLiteral("Импорт..."));
        const platform::InputOnlyFor onlyCancel(progress.get());
        return WriteWithHistory(run, *m_main->catalogue().connection, table, create, refusedToo, stepOf(*progress),
                                loanhistory::kept());
    }

    // The progress window follows the import; «Отмена» stops it.
    static imports::Progress stepOf(QProgressDialog& progress) {
        return [&progress](double done) {
            progress.setValue(int(999 * done));
            QApplication::processEvents();
            if (progress.wasCanceled())
                throw imports::ImportCancelled();
        };
    }

    MainWindowParts* m_main = nullptr;
};

} // namespace

std::unique_ptr<Feature> makeListImportFeature() { return std::make_unique<ListImportFeature>(); }
