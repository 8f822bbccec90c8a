#include "dialogs/LabelsUnit.h"

#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"
#include "reports/PdfFile.h"
#include "ui_LabelsForm.h"

#include <QPagedPaintDevice>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSet>

TfmLabels* fmLabels = nullptr;

namespace {
const platform::NounForms kLabels{"этикетка", "этикетки", "этикеток"};
} // namespace

TfmLabels::TfmLabels(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmLabels) {
    setObjectName(QStringLiteral("fmLabels"));
    ui->setupUi(this);
    using platform::connectHandler;
    for (const labels::Sheet& sheet : labels::presets())
        ui->cbSheet->addItem(sheet.name);
    ui->cbSheet->addItem(QStringLiteral("Свой формат"));
    connect(ui->cbSheet, &QComboBox::activated, this,
            [this](int index) { platform::guarded([&] { cbSheetChange(index); }); });
    for (QSpinBox* box : {ui->sbRows, ui->sbColumns})
        connectHandler(box, &QSpinBox::valueChanged, this, &TfmLabels::SheetEdited);
    for (QDoubleSpinBox* box : {ui->dsbWidth, ui->dsbHeight, ui->dsbLeft, ui->dsbTop, ui->dsbGapX, ui->dsbGapY})
        connectHandler(box, &QDoubleSpinBox::valueChanged, this, &TfmLabels::SheetEdited);
    connectHandler(ui->sbFirst, &QSpinBox::valueChanged, this, &TfmLabels::Summarize);
    connectHandler(ui->cbOnlyNew, &QCheckBox::toggled, this, &TfmLabels::Summarize);
    connectHandler(ui->bPreview, &QPushButton::clicked, this, &TfmLabels::bPreviewClick);
    connectHandler(ui->bPdf, &QPushButton::clicked, this, &TfmLabels::bPdfClick);
    connect(ui->bClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfmLabels::~TfmLabels() = default;

void TfmLabels::Execute(const Request& request) {
    m_request = request;
    setWindowTitle(request.title);
    ShowSheet(labels::readSheet());
    ui->sbFirst->setValue(1);
    ui->cbOnlyNew->setChecked(false);
    Summarize();
    ui->cbSheet->setFocus();
    exec();
    const labels::Sheet sheet = CurrentSheet();
    if (sheet.misfit().isEmpty())
        labels::writeSheet(sheet);
}

void TfmLabels::cbSheetChange(int index) {
    const QList<labels::Sheet> presets = labels::presets();
    if (index < presets.size()) // not one's own
        ShowSheet(presets[index]);
}

// An edited size makes the sheet one's own unless it is a preset's again.
void TfmLabels::SheetEdited() {
    if (m_showing)
        return;
    const int preset = labels::presetOf(CurrentSheet());
    ui->cbSheet->setCurrentIndex(preset >= 0 ? preset : ui->cbSheet->count() - 1);
    Summarize();
}

labels::Sheet TfmLabels::CurrentSheet() const {
    labels::Sheet sheet;
    sheet.rows = ui->sbRows->value();
    sheet.columns = ui->sbColumns->value();
    sheet.labelWidth = ui->dsbWidth->value();
    sheet.labelHeight = ui->dsbHeight->value();
    sheet.left = ui->dsbLeft->value();
    sheet.top = ui->dsbTop->value();
    sheet.gapX = ui->dsbGapX->value();
    sheet.gapY = ui->dsbGapY->value();
    return sheet;
}

void TfmLabels::ShowSheet(const labels::Sheet& sheet) {
    m_showing = true;
    ui->sbRows->setValue(sheet.rows);
    ui->sbColumns->setValue(sheet.columns);
    ui->dsbWidth->setValue(sheet.labelWidth);
    ui->dsbHeight->setValue(sheet.labelHeight);
    ui->dsbLeft->setValue(sheet.left);
    ui->dsbTop->setValue(sheet.top);
    ui->dsbGapX->setValue(sheet.gapX);
    ui->dsbGapY->setValue(sheet.gapY);
    m_showing = false;
    const int preset = labels::presetOf(sheet);
    ui->cbSheet->setCurrentIndex(preset >= 0 ? preset : ui->cbSheet->count() - 1);
    Summarize();
}

QList<labels::Label> TfmLabels::Chosen() const {
    QList<labels::Label> chosen;
    for (const Entry& entry : m_request.entries)
        if (!entry.printed || !ui->cbOnlyNew->isChecked())
            chosen << entry.label;
    return chosen;
}

void TfmLabels::Summarize() {
    const labels::Sheet sheet = CurrentSheet();
    ui->sbFirst->setMaximum(std::max(1, sheet.perPage()));
    const QList<labels::Label> chosen = Chosen();
    QStringList lines;
    const QString misfit = sheet.misfit();
    const int first = ui->sbFirst->value() - 1;
    if (!misfit.isEmpty())
        lines << misfit;
    else if (chosen.isEmpty())
        lines << QStringLiteral("Этикеток нет: у показанных записей нет кодов, которые нужно напечатать.");
    else
        lines << QStringLiteral("Этикеток: %1, листов: %2.")
                     .arg(chosen.size())
                     .arg((first + chosen.size() - 1) / sheet.perPage() + 1);
    if (m_request.withoutCode)
        lines << QStringLiteral("Без кода: %1, они пропущены (коды даёт «Присвоить коды...»).")
                     .arg(platform::countOf(m_request.withoutCode, m_request.noun));
    if (const int plain = labels::withoutBarcode(chosen))
        lines << QStringLiteral("Не передаётся штрихкодом: %1 (код написан на этикетке словами).")
                     .arg(platform::countOf(plain, kLabels));
    ui->lSummary->setText(lines.join(u'\n'));
    const bool printable = misfit.isEmpty() && !chosen.isEmpty();
    ui->bPreview->setEnabled(printable);
    ui->bPdf->setEnabled(printable);
}

void TfmLabels::bPreviewClick() {
    const QList<labels::Label> chosen = Chosen();
    const labels::Sheet sheet = CurrentSheet();
    const int first = ui->sbFirst->value() - 1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_request.title);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("LabelsPreview"));
    preview.setWindowTitle(m_request.title);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* target) { platform::guarded([&] { labels::paintLabels(*target, sheet, first, chosen); }); });
    // Accepted: the labels went to the printer.
    if (preview.exec() == QDialog::Accepted)
        Printed(chosen);
}

void TfmLabels::bPdfClick() {
    const QString path = platform::chooseTarget(this, m_request.title + QStringLiteral(" в PDF"),
                                                QStringLiteral("Документ PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QList<labels::Label> chosen = Chosen();
    const labels::Sheet sheet = CurrentSheet();
    const int first = ui->sbFirst->value() - 1;
    reports::savePdf(
        path, m_request.title, [&](QPagedPaintDevice& pdf) { labels::paintLabels(pdf, sheet, first, chosen); },
        QMarginsF());
    Printed(chosen);
}

void TfmLabels::Printed(const QList<labels::Label>& printed) {
    if (!m_request.markPrinted)
        return;
    QStringList codes;
    for (const labels::Label& label : printed)
        codes << label.code;
    m_request.markPrinted(codes);
    const QSet<QString> marked(codes.begin(), codes.end());
    for (Entry& entry : m_request.entries)
        entry.printed = entry.printed || marked.contains(entry.label.code);
    Summarize();
}
