// What leaves the program (menu «Отчёты»): the debt list in a print
// preview and as PDF, the due dates as a calendar file, the grid as a
// spreadsheet.
#include "features/Feature.h"

#include "controls/DataGrid.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/Letters.h"
#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
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

QString catalogueName() { return platform::fileNameOf(DBPath); }

QList<reports::CurrentLoan> currentLoans() {
    return reports::currentLoans(*DM->ADOConnection, ReadItemTableNames(), *DM->Contacts);
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
        command("iLetters", QStringLiteral("Письма должникам..."), QStringLiteral("Ctrl+L"),
                [window] { LettersToDebtors(window, false); });
        command("iLettersPdf", QStringLiteral("Письма должникам в PDF..."), QStringLiteral("Ctrl+Shift+L"),
                [window] { LettersToDebtors(window, true); });
        command("iCalendar", QStringLiteral("Напоминания в календарь..."), QStringLiteral("Ctrl+K"),
                [window] { Calendar(window); });
        command("iExportTable", QStringLiteral("Экспорт таблицы..."), QStringLiteral("Ctrl+E"),
                [this] { ExportTable(); });
    }

private:
    static void DebtReport(QWidget* window);
    static void DebtReportPdf(QWidget* window);
    static void Calendar(QWidget* window);
    // A letter to every debtor with an overdue loan, a page each.
    static void LettersToDebtors(QWidget* window, bool pdf) {
        const QList<DebtorLoans> debtors = OverdueDebtors(currentLoans(), platform::today());
        if (debtors.isEmpty())
            platform::messageBox(QStringLiteral("Просроченных долгов нет: писем не нужно."),
                                 QStringLiteral("Письма должникам"), platform::Buttons::Ok,
                                 platform::Icon::Information);
        else if (pdf)
            SaveLettersPdf(window, debtors, catalogueName());
        else
            PrintLetters(window, debtors, catalogueName());
    }
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
        platform::chooseTarget(window, QStringLiteral("Список долгов в PDF"), QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QList<reports::CurrentLoan> loans = currentLoans();
    reports::savePdf(path, QStringLiteral("Список долгов: ") + catalogueName(), [&](QPagedPaintDevice& pdf) {
        reports::paintDebtReport(pdf, catalogueName(), platform::today(), loans);
    });
}

void ReportsFeature::Calendar(QWidget* window) {
    const QList<reports::CurrentLoan> loans = currentLoans();
    if (reports::calendarEvents(loans) == 0) {
        platform::messageBox(QStringLiteral("Нет выданных вещей со сроком возврата: календарь не записан."),
                             QStringLiteral("Напоминания в календарь"), platform::Buttons::Ok,
                             platform::Icon::Information);
        return;
    }
    const QString path = platform::chooseTarget(window, QStringLiteral("Напоминания в календарь"),
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
