#include "dialogs/BackupsUnit.h"

#include "controls/DataGrid.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "ui_BackupsForm.h"

#include <QDir>
#include <QHeaderView>
#include <QUrl>

TfmBackups* fmBackups = nullptr;

TfmBackups::TfmBackups(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmBackups) {
    setObjectName(QStringLiteral("fmBackups")); // setupUi keeps a name already set
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    DataGrid::applyGridPalette(ui->BackupGrid);
    ui->BackupGrid->verticalHeader()->hide();
    ui->BackupGrid->horizontalHeader()->setStretchLastSection(true);
    using platform::connectHandler;
    connectHandler(ui->bbRestore, &QPushButton::clicked, this, &TfmBackups::bbRestoreClick);
    connectHandler(ui->bbOpenFolder, &QPushButton::clicked, this, &TfmBackups::bbOpenFolderClick);
    connect(ui->bbClose, &QPushButton::clicked, this, &QDialog::reject);
    ui->bbRestore->setDefault(true); // Enter on a chosen copy restores it
    connect(ui->BackupGrid, &QTableWidget::currentCellChanged, this, [this] { EnableRestore(); });
    connectHandler(ui->BackupGrid, &QTableWidget::cellDoubleClicked, this, &TfmBackups::bbRestoreClick);
    if (!fmBackups)
        fmBackups = this;
}

TfmBackups::~TfmBackups() {
    if (fmBackups == this)
        fmBackups = nullptr;
}

QString TfmBackups::Choose(const QString& catalogue) {
    m_catalogue = catalogue;
    m_chosen.clear();
    m_copies = backups::copiesOf(catalogue);
    m_intact.clear();
    ui->lFolder->setText(QStringLiteral("Папка: ") + QDir::toNativeSeparators(backups::folderFor(catalogue)));
    QTableWidget* grid = ui->BackupGrid;
    grid->clear();
    const QStringList titles{"Дата и время", "Размер", "Вещей", "Контактов", "Состояние"};
    grid->setColumnCount(int(titles.size()));
    grid->setHorizontalHeaderLabels(titles);
    grid->setRowCount(int(m_copies.size()));
    const QList<backups::Contents> checked = backups::contentsOf(m_copies);
    for (int r = 0; r < m_copies.size(); ++r) {
        const backups::Contents& contents = checked[r];
        m_intact << contents.intact;
        const QStringList cells{backups::describeTime(m_copies[r]), backups::describeSize(m_copies[r].size),
                                QString::number(contents.items), QString::number(contents.contacts),
                                contents.intact ? QStringLiteral("в порядке") : QStringLiteral("повреждена")};
        for (int c = 0; c < cells.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            if (c >= 1 && c <= 3)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, cell);
        }
    }
    grid->resizeColumnsToContents();
    if (grid->rowCount() > 0)
        grid->selectRow(0);
    EnableRestore();
    exec();
    return m_chosen;
}

void TfmBackups::EnableRestore() {
    const int row = ui->BackupGrid->currentRow();
    ui->bbRestore->setEnabled(row >= 0 && row < m_intact.size() && m_intact[row]);
}

void TfmBackups::bbRestoreClick() {
    const int row = ui->BackupGrid->currentRow();
    if (row < 0 || row >= m_intact.size() || !m_intact[row])
        return; // a damaged copy is never written back
    const QString when = backups::describeTime(m_copies[row]);
    if (platform::messageBox(QStringLiteral("Восстановить каталог '%1' из копии от %2?\rНынешнее состояние каталога "
                                            "будет сохранено в новую копию, так что восстановление можно отменить.")
                                 .arg(m_catalogue, when),
                             QStringLiteral("Восстановление"), platform::Buttons::YesNo, platform::Icon::Question)
        != platform::Answer::Yes)
        return;
    m_chosen = m_copies[row].path;
    accept();
}

void TfmBackups::bbOpenFolderClick() {
    const QString folder = backups::folderFor(m_catalogue);
    QDir().mkpath(folder);
    if (!platform::shellOpen(QUrl::fromLocalFile(folder).toString()))
        platform::messageBox(
            QStringLiteral("Не удалось открыть папку '%1' в файловом менеджере.").arg(QDir::toNativeSeparators(folder)),
            QStringLiteral("Резервные копии"), platform::Buttons::Ok, platform::Icon::Warning);
}
