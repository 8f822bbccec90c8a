#include "dialogs/BackupsUnit.h"

#include "controls/DataGrid.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "ui_BackupsForm.h"

#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>

TfmBackups* fmBackups = nullptr;

namespace {

const QString kChecking = QStringLiteral("проверяется…");

} // namespace

TfmBackups::TfmBackups(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmBackups) {
    setObjectName(QStringLiteral("fmBackups")); // setupUi keeps a name already set
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    DataGrid::setUpListTable(ui->BackupGrid);
    using platform::connectHandler;
    connectHandler(ui->bbRestore, &QPushButton::clicked, this, &TfmBackups::bbRestoreClick);
    connectHandler(ui->bbOpenFolder, &QPushButton::clicked, this, &TfmBackups::bbOpenFolderClick);
    connect(ui->bbClose, &QPushButton::clicked, this, &QDialog::reject);
    ui->bbRestore->setDefault(true); // Enter on a chosen copy restores it
    connect(ui->BackupGrid, &QTableWidget::currentCellChanged, this, [this] { EnableRestore(); });
    connectHandler(ui->BackupGrid, &QTableWidget::cellDoubleClicked, this, &TfmBackups::bbRestoreClick);
}

TfmBackups::~TfmBackups() = default;

QString TfmBackups::Choose(const QString& catalogue) {
    m_catalogue = catalogue;
    m_chosen.clear();
    m_copies = backups::copiesOf(catalogue);
    m_intact = QList<bool>(m_copies.size(), false);
    ui->lFolder->setText(QStringLiteral("Папка: ") + QDir::toNativeSeparators(backups::folderFor(catalogue)));
    QTableWidget* grid = ui->BackupGrid;
    grid->clear();
    const QStringList titles{"Дата и время", "Размер", "Вещей", "Контактов", "Состояние"};
    grid->setColumnCount(int(titles.size()));
    grid->setHorizontalHeaderLabels(titles);
    grid->setRowCount(int(m_copies.size()));
    // The window opens at once; what each copy holds is filled in as its
    // check (every page read) ends.
    for (int r = 0; r < m_copies.size(); ++r) {
        const QStringList cells{backups::describeTime(m_copies[r]), backups::describeSize(m_copies[r].size), QString(),
                                QString(), kChecking};
        for (int c = 0; c < cells.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells[c]);
            if (c >= 1 && c <= 3)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(r, c, cell);
        }
    }
    FitColumns();
    if (grid->rowCount() > 0)
        grid->selectRow(0);
    EnableRestore();
    backups::BackgroundChecks checks(m_copies);
    m_checks = &checks;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [this] { ShowCheckedCopies(); });
    poll.start(50);
    ShowCheckedCopies();
    exec();
    m_checks = nullptr;
    return m_chosen;
}

void TfmBackups::ShowCheckedCopies() {
    for (int r = 0; m_checks && r < m_copies.size(); ++r) {
        QTableWidgetItem* state = ui->BackupGrid->item(r, 4);
        if (state->text() != kChecking)
            continue;
        const std::optional<backups::Contents> contents = m_checks->ready(r);
        if (!contents)
            continue;
        m_intact[r] = contents->intact;
        ui->BackupGrid->item(r, 2)->setText(QString::number(contents->items));
        ui->BackupGrid->item(r, 3)->setText(QString::number(contents->contacts));
        state->setText(contents->intact ? QStringLiteral("в порядке") : QStringLiteral("повреждена"));
    }
    EnableRestore();
}

void TfmBackups::FitColumns() {
    // The widest text each column can come to, so nothing moves as the
    // checks end and nothing needs scrolling sideways.
    QTableWidget* grid = ui->BackupGrid;
    grid->resizeColumnsToContents();
    const QFontMetrics metrics = grid->fontMetrics();
    const int pad = 2 * grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 12;
    grid->setColumnWidth(2, std::max(grid->columnWidth(2), metrics.horizontalAdvance(QStringLiteral("0000000")) + pad));
    grid->setColumnWidth(3, std::max(grid->columnWidth(3), metrics.horizontalAdvance(QStringLiteral("000000")) + pad));
    grid->setColumnWidth(4, metrics.horizontalAdvance(kChecking) + pad);
    int needed = 2 * grid->frameWidth();
    for (int c = 0; c < grid->columnCount(); ++c)
        needed += grid->columnWidth(c);
    if (grid->verticalScrollBar()->isVisible()
        || grid->rowCount() * grid->verticalHeader()->defaultSectionSize() > grid->viewport()->height())
        needed += grid->verticalScrollBar()->sizeHint().width();
    if (needed > grid->width())
        resize(width() + needed - grid->width(), height());
}

void TfmBackups::EnableRestore() {
    // A copy is restored only once its check has found it sound.
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
