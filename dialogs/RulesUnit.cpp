#include "dialogs/RulesUnit.h"

#include "data/DBMUnit.h"
#include "platform/MessageBox.h"
#include "ui_RulesForm.h"

#include <QComboBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLineEdit>
#include <QStyledItemDelegate>

TfmRules* fmRules = nullptr;

namespace {

using loanrules::Breach;
using loanrules::Scope;

const QString kThisTable = QStringLiteral("из этой таблицы");
const QString kAllTables = QStringLiteral("из всех таблиц");
const QString kWarn = QStringLiteral("предупредить");
const QString kRefuse = QStringLiteral("не выдавать");

// The largest value of each number column.
int largest(int column) {
    switch (column) {
    case TfmRules::cDays: return 3650;
    case TfmRules::cMost: return 100000;
    default: return 1000;
    }
}

// Numbers typed as digits (empty: no rule), choices picked from a list.
class RuleCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        if (index.column() == TfmRules::cScope || index.column() == TfmRules::cBreach) {
            auto* box = new QComboBox(parent);
            box->addItems(index.column() == TfmRules::cScope ? QStringList{kAllTables, kThisTable}
                                                             : QStringList{QString(), kWarn, kRefuse});
            return box;
        }
        auto* field = new QLineEdit(parent);
        field->setValidator(new QIntValidator(0, largest(index.column()), field));
        return field;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            box->setCurrentIndex(std::max(0, box->findText(index.data().toString())));
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor))
            model->setData(index, box->currentText());
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }
};

std::optional<int> numberIn(const QTableWidgetItem* cell) {
    bool ok = false;
    const int value = cell ? cell->text().toInt(&ok) : 0;
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString textOf(std::optional<int> value) { return value ? QString::number(*value) : QString(); }

} // namespace

TfmRules::TfmRules(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmRules) {
    setObjectName(QStringLiteral("fmRules"));
    ui->setupUi(this);
    ui->twRules->setColumnCount(kColumns);
    ui->twRules->setHorizontalHeaderLabels({QStringLiteral("Таблица"), QStringLiteral("Группа"),
                                            QStringLiteral("Срок, дней"), QStringLiteral("Не больше вещей"),
                                            QStringLiteral("Считать"), QStringLiteral("Продлений"),
                                            QStringLiteral("При нарушении")});
    ui->twRules->setItemDelegate(new RuleCellDelegate(ui->twRules));
    using platform::connectHandler;
    connectHandler(ui->twRules, &QTableWidget::currentCellChanged, this, &TfmRules::ShowMeaning);
    connectHandler(ui->twRules, &QTableWidget::itemChanged, this, &TfmRules::ShowMeaning);
    connectHandler(ui->bbSave, &QPushButton::clicked, this, &TfmRules::bbSaveClick);
    connect(ui->bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmRules::~TfmRules() = default;

bool TfmRules::Execute(const QStringList& tables) {
    Fill(tables, loanrules::read(*DM->ADOConnection));
    ui->twRules->setFocus();
    ui->twRules->setCurrentCell(0, cDays);
    ShowMeaning();
    return exec() == QDialog::Accepted;
}

void TfmRules::Fill(const QStringList& tables, const QList<loanrules::Rule>& rules) {
    const QSignalBlocker quiet(ui->twRules);
    ui->twRules->setRowCount(0);
    QStringList every{QString()};
    every << tables;
    for (const QString& table : every)
        for (loanrules::Group group : loanrules::groups()) {
            loanrules::Rule rule;
            rule.table = table;
            rule.group = group;
            for (const loanrules::Rule& kept : rules)
                if (kept.table == table && kept.group == group)
                    rule = kept;
            const int row = ui->twRules->rowCount();
            ui->twRules->insertRow(row);
            const QStringList texts{loanrules::tableName(table),
                                    loanrules::groupName(group),
                                    textOf(rule.days),
                                    textOf(rule.most),
                                    rule.scope == Scope::ThisTable ? kThisTable : kAllTables,
                                    textOf(rule.prolongations),
                                    !rule.breach                     ? QString()
                                    : *rule.breach == Breach::Refuse ? kRefuse
                                                                     : kWarn};
            for (int c = 0; c < kColumns; ++c) {
                auto* cell = new QTableWidgetItem(texts[c]);
                if (c <= cGroup)
                    cell->setFlags(cell->flags() & ~Qt::ItemIsEditable);
                if (c == cTable)
                    cell->setData(Qt::UserRole, table);
                if (c == cGroup)
                    cell->setData(Qt::UserRole, int(group));
                ui->twRules->setItem(row, c, cell);
            }
        }
    ui->twRules->resizeColumnsToContents();
}

QList<loanrules::Rule> TfmRules::Rules() const {
    QList<loanrules::Rule> rules;
    for (int r = 0; r < ui->twRules->rowCount(); ++r) {
        const auto cell = [&](int column) { return ui->twRules->item(r, column); };
        loanrules::Rule rule;
        rule.table = cell(cTable)->data(Qt::UserRole).toString();
        rule.group = loanrules::Group(cell(cGroup)->data(Qt::UserRole).toInt());
        rule.days = numberIn(cell(cDays));
        rule.most = numberIn(cell(cMost));
        rule.scope = cell(cScope)->text() == kThisTable ? Scope::ThisTable : Scope::AllTables;
        rule.prolongations = numberIn(cell(cProlongations));
        if (cell(cBreach)->text() == kWarn)
            rule.breach = Breach::Warn;
        else if (cell(cBreach)->text() == kRefuse)
            rule.breach = Breach::Refuse;
        rules << rule;
    }
    return rules;
}

void TfmRules::ShowMeaning() {
    const int row = ui->twRules->currentRow();
    if (row < 0) {
        ui->lMeaning->clear();
        return;
    }
    const QString table = ui->twRules->item(row, cTable)->data(Qt::UserRole).toString();
    const auto group = loanrules::Group(ui->twRules->item(row, cGroup)->data(Qt::UserRole).toInt());
    ui->lMeaning->setText(loanrules::describe(table, group, loanrules::resolve(Rules(), table, group)));
}

void TfmRules::bbSaveClick() {
    loanrules::write(*DM->ADOConnection, Rules());
    accept();
}
