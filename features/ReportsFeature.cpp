// What leaves the program (menu «Отчёты»): the debt list in a print
// preview and as PDF, the due dates as a calendar file, the grid as a
// spreadsheet.
#include "features/Feature.h"

#include "controls/DataGrid.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "dialogs/Letters.h"
#include "history/LoanHistory.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "reminders/ReminderSettings.h"
#include "reports/Calendar.h"
#include "reports/CsvExport.h"
#include "reports/CurrentLoans.h"
#include "reports/DebtReport.h"
#include "reports/PdfFile.h"

#include <QAction>
#include <QIODevice>
#include <QMenu>
#include <QPagedPaintDevice>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

QString catalogueName(MainWindowParts& main) { return platform::fileNameOf(main.catalogue().file); }

// With the reminders each has had, as the history tells.
QList<shape::Loan> currentLoans(MainWindowParts& main) {
    engine::Connection& connection = *main.catalogue().connection;
    QList<shape::Loan> loans = reports::currentLoans(connection, ReadItemTableNames(), *DM->Contacts);
    loanhistory::addReminders(connection, loans);
    return loans;
}

class ReportsFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        m_main = &main;
        QMenu* reports = main.menu(QStringLiteral("mReports"), QStringLiteral("Отчёты"));
        const auto command = [&](const char* name, const QString& text, const QString& shortcut,
                                 std::function<void()> handler) {
            QAction* a = makeCommand(main, name, text, shortcut);
            reports->addAction(a);
            main.addCatalogueCommand(a);
            platform::connectHandler(a, &QAction::triggered, a, std::move(handler));
        };
        command("iDebtReport", QStringLiteral("Список долгов..."), QStringLiteral("Ctrl+P"),
                [&main] { DebtReport(main); });
        command("iDebtReportPdf", QStringLiteral("Список долгов в PDF..."), QStringLiteral("Ctrl+Shift+P"),
                [&main] { DebtReportPdf(main); });
        reports->addSeparator();
        command("iLetters", QStringLiteral("Письма должникам..."), QStringLiteral("Ctrl+L"),
                [&main] { LettersToDebtors(main, false); });
        command("iLettersPdf", QStringLiteral("Письма должникам в PDF..."), QStringLiteral("Ctrl+Shift+L"),
                [&main] { LettersToDebtors(main, true); });
        command("iCalendar", QStringLiteral("Напоминания в календарь..."), QStringLiteral("Ctrl+K"),
                [&main] { Calendar(main); });
        command("iExportTable", QStringLiteral("Экспорт таблицы..."), QStringLiteral("Ctrl+E"),
                [this] { ExportTable(); });
    }

private:
    static void DebtReport(MainWindowParts& main);
    static void DebtReportPdf(MainWindowParts& main);
    static void Calendar(MainWindowParts& main);
    // A letter to every debtor with an overdue loan, a page each.
    // Those reminded within the cadence's days are left out unless the user
    // asks for them: a letter a day is not a cadence.
    static void LettersToDebtors(MainWindowParts& main, bool pdf) {
        const double today = platform::today();
        QList<DebtorLoans> debtors = OverdueDebtors(currentLoans(main), today);
        const bool leftOut = LeaveOutRecentlyReminded(debtors, today, reminders::readSettings().every);
        if (debtors.isEmpty())
            platform::messageBox(leftOut ? QStringLiteral("Всем должникам напоминали недавно: писем не нужно.")
                                         : QStringLiteral("Просроченных долгов нет: писем не нужно."),
                                 QStringLiteral("Письма должникам"), platform::Buttons::Ok,
                                 platform::Icon::Information);
        else if (pdf)
            SaveLettersPdf(main.mainWindow(), debtors, catalogueName(main));
        else
            PrintLetters(main.mainWindow(), debtors, catalogueName(main));
    }
    void ExportTable();

    MainWindowParts* m_main = nullptr;
};

void ReportsFeature::DebtReport(MainWindowParts& main) {
    QWidget* window = main.mainWindow();
    const QList<shape::Loan> loans = currentLoans(main);
    const QString name = catalogueName(main);
    const double today = platform::today();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Список долгов"));
    QPrintPreviewDialog preview(&printer, window);
    preview.setObjectName(QStringLiteral("DebtReportPreview"));
    preview.setWindowTitle(QStringLiteral("Список долгов"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, window, [&](QPrinter* target) {
        platform::guarded([&] { reports::paintDebtReport(*target, name, today, loans); });
    });
    preview.exec();
}

void ReportsFeature::DebtReportPdf(MainWindowParts& main) {
    const QString path = platform::chooseTarget(main.mainWindow(), QStringLiteral("Список долгов в PDF"),
                                                QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QList<shape::Loan> loans = currentLoans(main);
    const QString name = catalogueName(main);
    reports::savePdf(path, QStringLiteral("Список долгов: ") + name,
                     [&](QPagedPaintDevice& pdf) { reports::paintDebtReport(pdf, name, platform::today(), loans); });
}

void ReportsFeature::Calendar(MainWindowParts& main) {
    const QList<shape::Loan> loans = currentLoans(main);
    if (reports::calendarEvents(loans) == 0) {
        platform::messageBox(QStringLiteral("Нет выданных вещей со сроком возврата: календарь не записан."),
                             QStringLiteral("Напоминания в календарь"), platform::Buttons::Ok,
                             platform::Icon::Information);
        return;
    }
    const QString path = platform::chooseTarget(main.mainWindow(), QStringLiteral("Напоминания в календарь"),
                                                QStringLiteral("Календарь iCalendar (*.ics)"));
    if (path.isEmpty())
        return;
    const QByteArray calendar = reports::calendarOf(loans);
    platform::saveWhole(path, [&](QIODevice& file) {
        if (file.write(calendar) != calendar.size())
            throw std::runtime_error(file.errorString().toStdString());
    });
}

void ReportsFeature::ExportTable() {
    const QString path = platform::chooseTarget(m_main->mainWindow(), QStringLiteral("Экспорт таблицы"),
                                                QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    // The grid's columns, as shown.
    const QueryTableModel* shown = m_main->itemGrid()->queryModel();
    QList<int> fields;
    for (int c = 0; c < shown->columnCount(); ++c)
        if (shown->fieldOfColumn(c) >= 0)
            fields << shown->fieldOfColumn(c);
    platform::saveWhole(path, [&](QIODevice& file) { reports::writeCsv(file, *DM->aqMain, fields); });
}

} // namespace

std::unique_ptr<Feature> makeReportsFeature() { return std::make_unique<ReportsFeature>(); }
