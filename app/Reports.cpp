// What leaves the program: the debt list (preview, print, PDF), the due
// dates as a calendar file, the grid as a spreadsheet.
#include "app/Main.h"

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
#include "ui_MainForm.h"

#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>

namespace {

QString catalogueName() { return platform::fileNameOf(DBPath); }

QList<reports::CurrentLoan> currentLoans() {
    return reports::currentLoans(*DM->ADOConnection, ReadItemTableNames(), *DM->aqContacts);
}

// The file a command writes, chosen by the user; empty when cancelled.
QString chooseTarget(QWidget* parent, const QString& title, const QString& filter) {
    return platform::chooseFile(parent,
                                {platform::FileDialogKind::Save, title, filter, platform::catalogueFolder(), true, true});
}

// Writes all of it or nothing: a half-written file never replaces a good one.
void saveWhole(const QString& path, const std::function<void(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(
            QStringLiteral("Не удалось записать файл '%1': %2").arg(path, file.errorString()).toStdString());
    write(file);
    if (!file.commit())
        throw std::runtime_error(
            QStringLiteral("Не удалось записать файл '%1': %2").arg(path, file.errorString()).toStdString());
}

} // namespace

void TfmMainForm::connectReportHandlers() {
    using platform::connectHandler;
    connectHandler(ui->iDebtReport, &QAction::triggered, this, &TfmMainForm::iDebtReportClick);
    connectHandler(ui->iDebtReportPdf, &QAction::triggered, this, &TfmMainForm::iDebtReportPdfClick);
    connectHandler(ui->iCalendar, &QAction::triggered, this, &TfmMainForm::iCalendarClick);
    connectHandler(ui->iExportTable, &QAction::triggered, this, &TfmMainForm::iExportTableClick);
}

void TfmMainForm::iDebtReportClick() {
    const QList<reports::CurrentLoan> loans = currentLoans();
    const double today = platform::today();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Список долгов"));
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("DebtReportPreview"));
    preview.setWindowTitle(QStringLiteral("Список долгов"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        platform::guarded([&] { reports::paintDebtReport(*target, catalogueName(), today, loans); });
    });
    preview.exec();
}

void TfmMainForm::iDebtReportPdfClick() {
    const QString path =
        chooseTarget(this, QStringLiteral("Список долгов в PDF"), QStringLiteral("Документ PDF (*.pdf)"));
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

void TfmMainForm::iCalendarClick() {
    const QList<reports::CurrentLoan> loans = currentLoans();
    if (reports::calendarEvents(loans) == 0) {
        platform::messageBox(QStringLiteral("Нет выданных вещей со сроком возврата: календарь не записан."),
                             QStringLiteral("Напоминания в календарь"), platform::Buttons::Ok,
                             platform::Icon::Information);
        return;
    }
    const QString path =
        chooseTarget(this, QStringLiteral("Напоминания в календарь"), QStringLiteral("Календарь iCalendar (*.ics)"));
    if (path.isEmpty())
        return;
    const QByteArray calendar = reports::calendarOf(loans);
    saveWhole(path, [&](QIODevice& file) {
        if (file.write(calendar) != calendar.size())
            throw std::runtime_error(file.errorString().toStdString());
    });
}

void TfmMainForm::iExportTableClick() {
    const QString path = chooseTarget(this, QStringLiteral("Экспорт таблицы"), QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    // The grid's columns, as shown.
    QList<int> fields;
    for (int c = 0; c < ui->DBGrid->model()->columnCount(); ++c)
        if (ui->DBGrid->queryModel()->fieldOfColumn(c) >= 0)
            fields << ui->DBGrid->queryModel()->fieldOfColumn(c);
    saveWhole(path, [&](QIODevice& file) { reports::writeCsv(file, *DM->aqMain, fields); });
}
