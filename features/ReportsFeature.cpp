// What leaves the program (menu «Отчёты»): the debt list in a print
// preview and as PDF, the due dates as a calendar file, the grid as a
// spreadsheet.
#include "features/Units.h"

#include "controls/DataGrid.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "reports/Calendar.h"
#include "reports/CsvExport.h"
#include "reports/CurrentLoans.h"
#include "reports/DebtReport.h"
#include "reports/Reminder.h"
#include "dialogs/ContactsUnit.h"
#include "reminders/ReminderSettings.h"

#include <QAction>
#include <QMenu>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>

namespace {

QString catalogueName() { return platform::fileNameOf(DBPath); }

QList<reports::CurrentLoan> currentLoans() {
    return reports::currentLoans(*DM->ADOConnection, ReadItemTableNames(), *DM->Contacts);
}

// The file a command writes, chosen by the user; empty when cancelled.
QString chooseTarget(QWidget* parent, const QString& title, const QString& filter) {
    return platform::chooseFile(
        parent, {platform::FileDialogKind::Save, title, filter, platform::catalogueFolder(), true, true});
}

// Writes all of it or nothing: a half-written file never replaces a good one.
void saveWhole(const QString& path, const std::function<void(QIODevice&)>& write) {
    QSaveFile file(path);
    const auto fail = [&] {
        throw std::runtime_error(
            QStringLiteral("Не удалось записать файл '%1': %2").arg(path, file.errorString()).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    write(file);
    if (!file.commit())
        fail();
}

class ReportsFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_main = &main;
        QMenu* reports = main.menu(QStringLiteral("mReports"), QStringLiteral("Отчёты"));
        QWidget* window = main.mainWindow();
        const auto command = [&](const char* name, const QString& text, const QString& shortcut,
                                 std::function<void()> handler) {
            QAction* a = makeCommand(main, name, text, shortcut);
            reports->addAction(a);
            main.addCatalogueCommand(a);
            platform::connectHandler(a, &QAction::triggered, a, std::move(handler));
        };
        command("iDebtReport", QStringLiteral("Список долгов..."), QStringLiteral("Ctrl+P"),
                [window] { DebtReport(window); });
        command("iDebtReportPdf", QStringLiteral("Список долгов в PDF..."), QStringLiteral("Ctrl+Shift+P"),
                [window] { DebtReportPdf(window); });
        reports->addSeparator();
        command("iLettersPdf", QStringLiteral("Письма должникам в PDF..."), QStringLiteral("Ctrl+Shift+L"),
                [window] { LettersPdf(window); });
        command("iCalendar", QStringLiteral("Напоминания в календарь..."), QStringLiteral("Ctrl+K"),
                [window] { Calendar(window); });
        command("iExportTable", QStringLiteral("Экспорт таблицы..."), QStringLiteral("Ctrl+E"),
                [this] { ExportTable(); });
    }

private:
    static void DebtReport(QWidget* window);
    static void DebtReportPdf(QWidget* window);
    static void Calendar(QWidget* window);
    static void LettersPdf(QWidget* window);
    void ExportTable();

    MainWindowParts* m_main = nullptr;
};

void ReportsFeature::DebtReport(QWidget* window) {
    const QList<reports::CurrentLoan> loans = currentLoans();
    const double today = platform::today();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Список долгов"));
    QPrintPreviewDialog preview(&printer, window);
    preview.setObjectName(QStringLiteral("DebtReportPreview"));
    preview.setWindowTitle(QStringLiteral("Список долгов"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, window, [&](QPrinter* target) {
        platform::guarded([&] { reports::paintDebtReport(*target, catalogueName(), today, loans); });
    });
    preview.exec();
}

void ReportsFeature::DebtReportPdf(QWidget* window) {
    const QString path =
        chooseTarget(window, QStringLiteral("Список долгов в PDF"), QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QList<reports::CurrentLoan> loans = currentLoans();
    saveWhole(path, [&](QIODevice& file) {
        QPdfWriter pdf(&file);
        pdf.setTitle(QStringLiteral("Список долгов: ") + catalogueName());
        pdf.setCreator(QStringLiteral("Zandrel"));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        reports::paintDebtReport(pdf, catalogueName(), platform::today(), loans);
    });
}

// A letter, one page each, to every debtor with an overdue loan, naming all
// that debtor has; each is recorded as reminded.
void ReportsFeature::LettersPdf(QWidget* window) {
    const double today = platform::today();
    QList<QList<reports::CurrentLoan>> debtors;
    for (const reports::CurrentLoan& l : currentLoans()) {
        if (debtors.isEmpty() || debtors.last().first().contact != l.contact)
            debtors.append(QList<reports::CurrentLoan>());
        debtors.last() << l;
    }
    debtors.removeIf([&](const QList<reports::CurrentLoan>& loans) {
        return std::none_of(loans.begin(), loans.end(),
                            [&](const auto& l) { return platform::daysOverdue(l.due, today) > 0; });
    });
    if (debtors.isEmpty()) {
        platform::messageBox(QStringLiteral("Просроченных долгов нет: писем не нужно."),
                             QStringLiteral("Письма должникам"), platform::Buttons::Ok, platform::Icon::Information);
        return;
    }
    const QString path =
        chooseTarget(window, QStringLiteral("Письма должникам в PDF"), QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    QString letter = reminders::readSettings().letter;
    if (letter.isEmpty())
        letter = reminders::defaultLetter();
    QStringList letters;
    QList<reports::CurrentLoan> named;
    for (const QList<reports::CurrentLoan>& loans : std::as_const(debtors)) {
        letters << reports::letterText(letter, loans.first().debtor, loans, today, catalogueName());
        named << loans;
    }
    saveWhole(path, [&](QIODevice& file) {
        QPdfWriter pdf(&file);
        pdf.setTitle(QStringLiteral("Письма должникам: ") + catalogueName());
        pdf.setCreator(QStringLiteral("Zandrel"));
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
        pdf.setResolution(300);
        reports::paintLetters(pdf, letters);
    });
    RecordReminder(named);
}

void ReportsFeature::Calendar(QWidget* window) {
    const QList<reports::CurrentLoan> loans = currentLoans();
    if (reports::calendarEvents(loans) == 0) {
        platform::messageBox(QStringLiteral("Нет выданных вещей со сроком возврата: календарь не записан."),
                             QStringLiteral("Напоминания в календарь"), platform::Buttons::Ok,
                             platform::Icon::Information);
        return;
    }
    const QString path =
        chooseTarget(window, QStringLiteral("Напоминания в календарь"), QStringLiteral("Календарь iCalendar (*.ics)"));
    if (path.isEmpty())
        return;
    const QByteArray calendar = reports::calendarOf(loans);
    saveWhole(path, [&](QIODevice& file) {
        if (file.write(calendar) != calendar.size())
            throw std::runtime_error(file.errorString().toStdString());
    });
}

void ReportsFeature::ExportTable() {
    const QString path =
        chooseTarget(m_main->mainWindow(), QStringLiteral("Экспорт таблицы"), QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    // The grid's columns, as shown.
    const QueryTableModel* shown = m_main->itemGrid()->queryModel();
    QList<int> fields;
    for (int c = 0; c < shown->columnCount(); ++c)
        if (shown->fieldOfColumn(c) >= 0)
            fields << shown->fieldOfColumn(c);
    saveWhole(path, [&](QIODevice& file) { reports::writeCsv(file, *DM->aqMain, fields); });
}

} // namespace

std::unique_ptr<Feature> makeReportsFeature() { return std::make_unique<ReportsFeature>(); }
