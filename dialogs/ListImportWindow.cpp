#include "dialogs/ListImportWindow.h"

#include "data/TableNaming.h"
#include "platform/InputGuard.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using imports::Field;

namespace {

QComboBox* comboNamed(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// A column as the mapping lists it: its number and the header's words, or
// the first row's value when there is no header.
QString columnCaption(int column, const QString& first) {
    const QString sample = first.simplified().left(30);
    return sample.isEmpty() ? QStringLiteral("Столбец %1").arg(column + 1)
                            : QStringLiteral("Столбец %1: %2").arg(column + 1).arg(sample);
}

} // namespace

ListImportWindow::ListImportWindow(QWidget* parent, const QString& path, imports::ListFile* list,
                                   const QList<imports::Record>* records, const QString& currentTable,
                                   const QStringList& taken)
    : QDialog(parent), m_list(list), m_records(records), m_taken(taken) {
    setObjectName(QStringLiteral("ListImportWindow"));
    setWindowTitle(QStringLiteral("Импорт в таблицу — ") + QFileInfo(path).fileName());
    auto* layout = new QVBoxLayout(this);
    if (m_list) {
        layout->addWidget(makeListOptions());
        layout->addWidget(makeStart());
        layout->addWidget(makeMapping());
    }
    auto* previewLabel = new QLabel(m_list ? QStringLiteral("Первые строки, как они будут импортированы:")
                                           : QStringLiteral("Первые записи коллекции, как они будут импортированы:"),
                                    this);
    layout->addWidget(previewLabel);
    m_preview = new QTableWidget(this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->hide();
    m_preview->setMinimumHeight(200);
    previewLabel->setBuddy(m_preview);
    layout->addWidget(m_preview, 1);
    layout->addWidget(makeTarget(currentTable, path));
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("Импортировать"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("bbImport"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("bbCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(820, 600);
    if (m_list)
        reread();
    else
        showPreview();
}

QWidget* ListImportWindow::makeListOptions() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    const auto labelled = [&](const QString& text, QWidget* field) {
        auto* label = new QLabel(text, box);
        label->setBuddy(field);
        row->addWidget(label);
        row->addWidget(field);
    };
    if (const QList<imports::Sheet> sheets = m_list->sheets(); !sheets.isEmpty()) {
        m_sheet = comboNamed("cbSheet", box);
        for (const imports::Sheet& sheet : sheets)
            m_sheet->addItem(sheet.hidden ? sheet.name + QStringLiteral(" (скрытый)") : sheet.name);
        m_sheet->setCurrentIndex(m_list->sheet());
        labelled(QStringLiteral("&Лист:"), m_sheet);
        connect(m_sheet, &QComboBox::currentIndexChanged, this, [this](int sheet) {
            platform::guarded([&] {
                const platform::WaitCursor waiting;
                m_list->selectSheet(sheet);
                reread();
            });
        });
    } else {
        m_encoding = comboNamed("cbEncoding", box);
        m_encoding->addItem(QStringLiteral("UTF-8"), int(imports::Encoding::Utf8));
        m_encoding->addItem(QStringLiteral("Windows-1251 (кириллица)"), int(imports::Encoding::Windows1251));
        m_encoding->addItem(QStringLiteral("Windows-1252 (западноевропейская)"), int(imports::Encoding::Windows1252));
        m_encoding->addItem(QStringLiteral("UTF-16 («Юникод»)"), int(imports::Encoding::Utf16));
        m_encoding->setCurrentIndex(m_encoding->findData(int(m_list->encoding())));
        labelled(QStringLiteral("&Кодировка:"), m_encoding);
        m_separator = comboNamed("cbSeparator", box);
        m_separator->addItem(QStringLiteral("точка с запятой ( ; )"), int(';'));
        m_separator->addItem(QStringLiteral("запятая ( , )"), int(','));
        m_separator->addItem(QStringLiteral("табуляция"), int('\t'));
        m_separator->addItem(QStringLiteral("вертикальная черта ( | )"), int('|'));
        m_separator->setCurrentIndex(m_separator->findData(int(m_list->separator())));
        labelled(QStringLiteral("&Разделитель:"), m_separator);
        const auto changed = [this] {
            platform::guarded([this] {
                m_list->setEncoding(imports::Encoding(m_encoding->currentData().toInt()));
                m_list->setSeparator(char(m_separator->currentData().toInt()));
                reread();
            });
        };
        connect(m_encoding, &QComboBox::currentIndexChanged, this, changed);
        connect(m_separator, &QComboBox::currentIndexChanged, this, changed);
    }
    row->addStretch();
    return box;
}

QWidget* ListImportWindow::makeStart() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    m_firstRow = new QSpinBox(box);
    m_firstRow->setObjectName(QStringLiteral("sbFirstRow"));
    m_firstRow->setMinimum(1);
    auto* label = new QLabel(QStringLiteral("Список начинается со &строки:"), box);
    label->setBuddy(m_firstRow);
    row->addWidget(label);
    row->addWidget(m_firstRow);
    m_header = new QCheckBox(QStringLiteral("&Первая строка — заголовки столбцов"), box);
    m_header->setObjectName(QStringLiteral("cbHeader"));
    row->addWidget(m_header);
    row->addStretch();
    connect(m_firstRow, &QSpinBox::valueChanged, this, [this] {
        if (!m_filling)
            restart();
    });
    connect(m_header, &QCheckBox::toggled, this, [this] {
        if (!m_filling)
            restart();
    });
    return box;
}

QWidget* ListImportWindow::makeMapping() {
    auto* group = new QGroupBox(QStringLiteral("Откуда берутся поля"), this);
    auto* form = new QFormLayout(group);
    const char* names[] = {"cbTitle", "cbKind", "cbNote", "cbDebtor", "cbIssue", "cbDue"};
    for (int f = 0; f < imports::FieldCount; ++f) {
        m_columns[f] = comboNamed(names[f], group);
        form->addRow(imports::fieldCaption(Field(f)) + u':', m_columns[f]);
        connect(m_columns[f], &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                showPreview();
        });
    }
    return group;
}

QWidget* ListImportWindow::makeTarget(const QString& currentTable, const QString& path) {
    auto* group = new QGroupBox(QStringLiteral("Куда"), this);
    auto* grid = new QGridLayout(group);
    m_intoNew = new QRadioButton(QStringLiteral("В &новую таблицу:"), group);
    m_intoNew->setObjectName(QStringLiteral("rbNewTable"));
    m_newName = new QLineEdit(tablenaming::acceptableName(QFileInfo(path).completeBaseName(), m_taken), group);
    m_newName->setObjectName(QStringLiteral("eNewTable"));
    m_intoCurrent = new QRadioButton(QStringLiteral("В &текущую таблицу '%1'").arg(currentTable), group);
    m_intoCurrent->setObjectName(QStringLiteral("rbCurrentTable"));
    m_intoCurrent->setEnabled(!currentTable.isEmpty());
    m_intoNew->setChecked(true);
    grid->addWidget(m_intoNew, 0, 0);
    grid->addWidget(m_newName, 0, 1);
    grid->addWidget(m_intoCurrent, 1, 0, 1, 2);
    connect(m_intoNew, &QRadioButton::toggled, m_newName, &QWidget::setEnabled);
    return group;
}

void ListImportWindow::reread() {
    m_sample.clear();
    m_list->rewind();
    QStringList cells;
    while (m_sample.size() < kSampleRows && m_list->next(cells))
        m_sample << imports::NumberedRow{m_list->row(), cells};
    const imports::Mapping guessed = imports::guessMapping(m_sample);
    m_filling = true;
    m_firstRow->setMaximum(int(std::max<qint64>(1, m_sample.isEmpty() ? 1 : m_sample.last().number)));
    m_firstRow->setValue(int(guessed.firstRow));
    m_header->setChecked(guessed.header);
    fillColumns();
    for (int f = 0; f < imports::FieldCount; ++f)
        m_columns[f]->setCurrentIndex(guessed.columns[f] + 1);
    m_filling = false;
    showPreview();
}

void ListImportWindow::restart() {
    fillColumns();
    const imports::NumberedRow* start = startRow();
    std::array<int, imports::FieldCount> columns;
    columns.fill(-1);
    if (m_header->isChecked() && start)
        columns = imports::columnsNamedBy(start->cells);
    else
        columns[imports::Title] = 0;
    m_filling = true;
    for (int f = 0; f < imports::FieldCount; ++f)
        m_columns[f]->setCurrentIndex(columns[f] + 1);
    m_filling = false;
    showPreview();
}

// The row the list starts at, or the first after it the sample holds.
const imports::NumberedRow* ListImportWindow::startRow() const {
    for (const imports::NumberedRow& row : m_sample)
        if (row.number >= m_firstRow->value())
            return &row;
    return nullptr;
}

void ListImportWindow::fillColumns() {
    // Every column the list's first rows fill; named by the header, or by
    // the first row's values.
    int count = 0;
    for (const imports::NumberedRow& row : std::as_const(m_sample))
        if (row.number >= m_firstRow->value())
            count = std::max(count, int(row.cells.size()));
    const imports::NumberedRow* start = startRow();
    const bool filling = m_filling;
    m_filling = true;
    for (QComboBox* box : m_columns) {
        box->clear();
        box->addItem(QStringLiteral("не импортировать"));
        for (int c = 0; c < count; ++c)
            box->addItem(columnCaption(c, start ? start->cells.value(c) : QString()));
    }
    m_filling = filling;
}

imports::Mapping ListImportWindow::mapping() const {
    imports::Mapping mapping;
    if (!m_list)
        return mapping;
    for (int f = 0; f < imports::FieldCount; ++f)
        mapping.columns[f] = m_columns[f]->currentIndex() - 1;
    mapping.firstRow = m_firstRow->value();
    mapping.header = m_header->isChecked();
    mapping.monthFirst = imports::monthFirstIn(m_sample, mapping);
    return mapping;
}

QString ListImportWindow::table() const { return newTable() ? m_newName->text().trimmed() : QString(); }

bool ListImportWindow::newTable() const { return m_intoNew->isChecked(); }

void ListImportWindow::showPreview() {
    QList<imports::Record> shown;
    if (m_list) {
        const imports::Mapping map = mapping();
        for (const imports::NumberedRow& row : std::as_const(m_sample))
            if (shown.size() < kPreviewRows && map.imports(row.number) && !imports::isBlank(row.cells))
                shown << imports::recordOf(row.cells, row.number, map);
    } else {
        shown = m_records->mid(0, kPreviewRows);
    }
    QStringList headers{m_list ? QStringLiteral("Строка") : QStringLiteral("Запись")};
    for (int f = 0; f < imports::FieldCount; ++f)
        headers << imports::fieldCaption(Field(f));
    headers << QStringLiteral("Не импортируется, потому что");
    m_preview->clear();
    m_preview->setColumnCount(int(headers.size()));
    m_preview->setHorizontalHeaderLabels(headers);
    m_preview->setRowCount(int(shown.size()));
    for (int r = 0; r < shown.size(); ++r) {
        const imports::Record& record = shown[r];
        const QStringList values{QString::number(record.row),
                                 record.title,
                                 record.kind,
                                 record.note,
                                 record.debtor,
                                 platform::formatDate(record.issue),
                                 platform::formatDate(record.due),
                                 record.problem};
        for (int c = 0; c < values.size(); ++c) {
            auto* cell = new QTableWidgetItem(values[c]);
            if (!record.problem.isEmpty())
                cell->setForeground(Qt::red);
            m_preview->setItem(r, c, cell);
        }
    }
    m_preview->resizeColumnsToContents();
}

void ListImportWindow::done(int result) {
    if (result == QDialog::Accepted && newTable()) {
        const QString name = table();
        QString refusal;
        if (name.isEmpty())
            refusal = QStringLiteral("Введите имя новой таблицы.");
        else if (m_taken.contains(name, Qt::CaseInsensitive))
            refusal = QStringLiteral("Таблица '") + name + QStringLiteral("' уже существует!");
        else if (!tablenaming::charactersAllowed(name))
            refusal = QStringLiteral("Имя таблицы '") + name
                      + QStringLiteral("'\r содержит недопустимые символы! Допустимыми являются:\rA-z, А-я, 0-9, _");
        else if (name.startsWith(u'_'))
            refusal = QStringLiteral("Имя таблицы не должно начинаться с символа '_'!");
        else if (tablenaming::acceptableName(name, m_taken) != name)
            refusal = QStringLiteral("Имя таблицы '") + name + QStringLiteral("' недопустимо: выберите другое.");
        if (!refusal.isEmpty()) {
            platform::messageBox(refusal, QStringLiteral("Импорт"), platform::Buttons::Ok, platform::Icon::Warning);
            m_newName->setFocus();
            return;
        }
    }
    QDialog::done(result);
}

bool ImportTheRest(QWidget* parent, const QList<imports::Refusal>& refused, qint64 total, bool entries) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("RefusedRows"));
    box.setWindowTitle(QStringLiteral("Импорт в таблицу"));
    auto* layout = new QVBoxLayout(&box);
    const QString unit = entries ? QStringLiteral("Запись") : QStringLiteral("Строка");
    layout->addWidget(new QLabel(QStringLiteral("%1, которые нельзя импортировать: %2 из %3. Остальные можно "
                                                "импортировать; в каталоге пока ничего не изменено.")
                                     .arg(entries ? QStringLiteral("Записей") : QStringLiteral("Строк"))
                                     .arg(refused.size())
                                     .arg(total),
                                 &box));
    auto* list = new QListWidget(&box);
    list->setObjectName(QStringLiteral("lbRefused"));
    constexpr int kListed = 1000;
    for (const imports::Refusal& r : refused.mid(0, kListed))
        list->addItem(QStringLiteral("%1 %2: %3").arg(unit).arg(r.row).arg(r.reason));
    if (refused.size() > kListed)
        list->addItem(QStringLiteral("… и ещё %1").arg(refused.size() - kListed));
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&box);
    QPushButton* rest = buttons->addButton(QStringLiteral("Импортировать остальные"), QDialogButtonBox::AcceptRole);
    rest->setObjectName(QStringLiteral("bbImportRest"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("bbCancel"));
    rest->setEnabled(qint64(refused.size()) < total);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    box.resize(600, 400);
    return box.exec() == QDialog::Accepted;
}
