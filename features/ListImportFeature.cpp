// «Импорт в таблицу...»: a list (CSV, .xlsx, .ods) or another cataloguer's
// collection brought into the current table or a new one. Every row is
// checked before anything is written; the rows go in with their contacts
// and loan history in one transaction, so «Отмена» or a failure leaves the
// catalogue as it was.
#include "features/Units.h"

#include "data/BaseFiles.h"
#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/ListImportWindow.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"
#include "imports/ImportError.h"
#include "imports/ImportWriter.h"
#include "imports/RowMapping.h"
#include "imports/SourceFiles.h"
#include "platform/FileDialogs.h"
#include "platform/InputGuard.h"
#include "platform/MessageBox.h"
#include "platform/Plural.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressDialog>

namespace {

const QString kCaption = QStringLiteral("Импорт в таблицу");
const platform::NounForms kRecords{"запись", "записи", "записей"};
const platform::NounForms kContacts{"контакт", "контакта", "контактов"};

void tell(const QString& text, platform::Icon icon) { platform::messageBox(text, kCaption, platform::Buttons::Ok, icon); }

// Where the rows come from: a list's rows mapped, or a collection's records.
struct Source {
    std::unique_ptr<imports::ListFile> list;
    QList<imports::Record> records;
    imports::Mapping mapping;

    // Every record in the file's order, empty rows left out; the progress
    // window shows how far, and «Отмена» throws ImportCancelled.
    template <class Each> void forEach(QProgressDialog& progress, Each&& each) {
        const auto step = [&](double done) {
            progress.setValue(int(999 * done));
            QApplication::processEvents();
            if (progress.wasCanceled())
                throw imports::ImportCancelled();
        };
        if (!list) {
            for (qsizetype i = 0; i < records.size(); ++i) {
                if (i % 1000 == 0)
                    step(double(i) / double(records.size()));
                each(records[i]);
            }
            return;
        }
        list->rewind();
        QStringList cells;
        if (mapping.header)
            list->next(cells);
        for (qint64 n = 0; list->next(cells); ++n) {
            if (n % 4096 == 0)
                step(list->progress());
            bool blank = true;
            for (const QString& cell : std::as_const(cells))
                blank = blank && cell.trimmed().isEmpty();
            if (!blank)
                each(imports::recordOf(cells, list->row(), mapping));
        }
    }
};

loanhistory::Loan loanOf(const imports::WrittenLoan& written) {
    loanhistory::Loan loan;
    loan.table = written.table;
    loan.item = written.item;
    loan.title = written.title;
    loan.contact = written.contact;
    loan.debtor = written.debtor;
    loan.issued = written.issue;
    loan.due = written.due;
    loan.ended = written.returned;
    loan.end = std::isnan(written.returned) ? loanhistory::Loan::End::Open : loanhistory::Loan::End::Returned;
    return loan;
}

class ListImportFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_main = &main;
        QAction* command = makeCommand(main, "iImportList", QStringLiteral("Импорт в таблицу..."));
        // In «Файл», after «Резервные копии...» (or «Открыть базу данных»).
        QMenu* file = main.menu(QStringLiteral("mFile"));
        const QList<QAction*> items = file->actions();
        for (int i = 0; i < items.size(); ++i)
            if (items[i]->objectName() == u"iSelectDB")
                file->insertAction(items.value(i + 1), command);
        main.addCatalogueCommand(command);
        platform::connectHandler(command, &QAction::triggered, command, [this] { ImportIntoTable(); });
    }

private:
    void ImportIntoTable() {
        QWidget* window = m_main->mainWindow();
        const QString path = platform::chooseFile(
            window, {platform::FileDialogKind::Open, kCaption,
                     QStringLiteral("Списки и коллекции (*.csv *.tsv *.txt *.xlsx *.ods *.tc *.gcs *.xml);;"
                                    "Все файлы (*)")});
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
        Source source;
        const imports::SourceKind kind = imports::examine(path);
        const bool collection = kind == imports::SourceKind::Tellico || kind == imports::SourceKind::Gcstar;
        if (collection)
            source.records = imports::readCollection(path, kind);
        else
            source.list = std::make_unique<imports::ListFile>(path, kind);
        QStringList taken = ReadTableNames() + shape::programTables();
        ListImportWindow choice(window, path, source.list.get(), &source.records, DBTable, taken);
        if (choice.exec() != QDialog::Accepted)
            return;
        source.mapping = choice.mapping();

        QList<imports::Refusal> refused;
        qint64 total = 0;
        {
            auto progress = progressWindow(window, QStringLiteral("Проверка строк..."));
            const platform::InputOnlyFor onlyCancel(progress.get());
            source.forEach(*progress, [&](const imports::Record& record) {
                ++total;
                if (!record.problem.isEmpty())
                    refused << imports::Refusal{record.row, record.problem};
            });
        }
        if (total == 0) {
            tell(QStringLiteral("В файле '%1' нет ни одной строки для импорта.").arg(path), platform::Icon::Information);
            return;
        }
        if (!refused.isEmpty() && !ImportTheRest(window, refused, total, collection))
            return;
        const QString table = choice.newTable() ? choice.table() : DBTable;
        const auto [items, contacts] = Write(window, source, table, choice.newTable());
        m_main->showTable(table);
        tell(QStringLiteral("В таблицу '%1' импортировано: %2. Новых контактов: %3.")
                 .arg(table, platform::countOf(items, kRecords))
                 .arg(contacts),
             platform::Icon::Information);
    }

    // The records without a problem, with their contacts and history, in
    // one transaction: how many items and new contacts.
    std::pair<qint64, qint64> Write(QWidget* window, Source& source, const QString& table, bool create) {
        engine::Connection& connection = *DM->ADOConnection;
        auto progress = progressWindow(window, QStringLiteral("Импорт..."));
        const platform::InputOnlyFor onlyCancel(progress.get());
        std::pair<qint64, qint64> added;
        connection.inOneTransaction([&] {
            imports::ImportWriter writer(connection, table, create);
            std::unique_ptr<loanhistory::LoanRecorder> history;
            if (loanhistory::kept())
                history = std::make_unique<loanhistory::LoanRecorder>(connection);
            writer.onLoan = [&](const imports::WrittenLoan& loan) {
                if (history)
                    history->add(loanOf(loan));
            };
            source.forEach(*progress, [&](const imports::Record& record) {
                if (record.problem.isEmpty())
                    writer.add(record);
            });
            writer.finish();
            if (history)
                history->finish();
            added = {writer.itemsAdded(), writer.contactsAdded()};
        });
        return added;
    }

    static std::unique_ptr<QProgressDialog> progressWindow(QWidget* window, const QString& text) {
        auto progress = std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, 1000, window);
        progress->setObjectName(QStringLiteral("ListImportProgress"));
        progress->setWindowTitle(kCaption);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
        progress->setAutoReset(false);
        progress->setValue(0);
        return progress;
    }

    MainWindowParts* m_main = nullptr;
};

} // namespace

std::unique_ptr<Feature> makeListImportFeature() { return std::make_unique<ListImportFeature>(); }
