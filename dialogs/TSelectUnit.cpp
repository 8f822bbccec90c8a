#include "dialogs/TSelectUnit.h"

#include "controls/TextBoxes.h"
#include "controls/Writers.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "data/TableNaming.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/WindowFrame.h"
#include "ui_TSForm.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QStyle>

TfmTSForm* fmTSForm = nullptr;

namespace {

const QString kCannotCreate = QStringLiteral("Невозможно создать таблицу!");

void inform(const QString& text) {
    platform::messageBox(text, kCannotCreate, platform::Buttons::Ok, platform::Icon::Information);
}

} // namespace

TfmTSForm::TfmTSForm(QWidget* parent) : ModalForm(parent, Placement::AsDesigned), ui(new Ui::TfmTSForm) {
    // Named as its single instance (the layout file uses the class name, so
    // the generated code shadows no global); setupUi keeps the name.
    setObjectName(QStringLiteral("fmTSForm"));
    ui->setupUi(this);
    writers::adopt(this); // the commands its layout declares as writing
    DropNulCharacters(this);
    // No title-bar buttons at all: an empty database can be left only by
    // creating a table.
    platform::setFixedFrame(this, platform::TitleButtons::None);
    move(494, 292);
    ui->PreBottomPanel->hide();
    ui->bbOpen->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ui->bbCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->lbTableSelect->installEventFilter(this);
    ui->eNTName->installEventFilter(this);

    using platform::connectHandler;
    connectHandler(ui->bbOpen, &QPushButton::clicked, this, &TfmTSForm::bbOpenClick);
    connectHandler(ui->bbCancel, &QPushButton::clicked, this, &TfmTSForm::bbCancelClick);
    connectHandler(ui->tbAddTable, &QToolButton::clicked, this, &TfmTSForm::tbAddTableClick);
    connectHandler(ui->tbRenTable, &QToolButton::clicked, this, &TfmTSForm::tbRenTableClick);
    connectHandler(ui->tbRemoveTable, &QToolButton::clicked, this, &TfmTSForm::tbRemoveTableClick);
    connectHandler(ui->SpeedButton1, &QToolButton::clicked, this, &TfmTSForm::SpeedButton1Click);
    connectHandler(ui->lbTableSelect, &QListWidget::itemDoubleClicked, this, &TfmTSForm::lbTableSelectDblClick);
}

TfmTSForm::~TfmTSForm() = default;

bool TfmTSForm::NameCharactersAllowed(const QString& name) { return tablenaming::charactersAllowed(name); }

QString TfmTSForm::selectedName() const {
    const QListWidgetItem* item = ui->lbTableSelect->currentItem();
    return item ? item->text() : QString();
}

void TfmTSForm::setNamePanelShown(bool shown) { ui->PreBottomPanel->setVisible(shown); }

void TfmTSForm::FormActivate() {
    ui->lbTableSelect->clear();
    const QStringList names = ReadItemTableNames();
    ui->lbTableSelect->addItems(names);
    setNamePanelShown(ui->tbAddTable->isChecked() || ui->tbRenTable->isChecked());
    if (names.isEmpty()) {
        ui->bbOpen->setEnabled(false);
        ui->bbCancel->setEnabled(false);
        ui->tbRemoveTable->setEnabled(false);
        ui->tbRenTable->setEnabled(false);
        ui->tbRenTable->setChecked(false);
        ui->lbTableSelect->setFocus(); // Ins in the list creates the first table
    } else {
        ui->bbOpen->setEnabled(true);
        ui->tbRemoveTable->setEnabled(true);
        ui->tbRenTable->setEnabled(true);
        ui->lbTableSelect->setCurrentRow(0);
        ui->lbTableSelect->setFocus();
    }
}

void TfmTSForm::lbTableSelectDblClick() {
    if (ui->lbTableSelect->currentItem())
        bbOpenClick();
}

bool TfmTSForm::lbTableSelectKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_D && (modifiers & ~Qt::KeypadModifier) == Qt::ControlModifier) {
        if (ui->tbRemoveTable->isEnabled())
            tbRemoveTableClick();
        return true;
    }
    if (!platform::noModifiers(modifiers))
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: lbTableSelectDblClick(); return true;
    case Qt::Key_Escape:
        if (ui->bbCancel->isEnabled())
            bbCancelClick();
        return true;
    case Qt::Key_Space:
        if (ui->tbRenTable->isEnabled()) {
            ui->tbRenTable->setChecked(true);
            tbRenTableClick();
        }
        return true;
    case Qt::Key_Insert:
        if (ui->tbAddTable->isEnabled()) {
            ui->tbAddTable->setChecked(true);
            tbAddTableClick();
        }
        return true;
    case Qt::Key_Delete:
        if (ui->tbRemoveTable->isEnabled())
            tbRemoveTableClick();
        return true;
    default: return false;
    }
}

void TfmTSForm::bbOpenClick() {
    DBTable = selectedName();
    ui->tbAddTable->setChecked(false);
    tbAddTableClick();
    done(mrOk);
}

void TfmTSForm::bbCancelClick() {
    ui->tbAddTable->setChecked(false);
    QStringList listed;
    for (int i = 0; i < ui->lbTableSelect->count(); ++i)
        listed << ui->lbTableSelect->item(i)->text();
    if (!ListHolds(listed, DBTable))
        DBTable = selectedName();
    tbAddTableClick();
    done(mrCancel);
}

void TfmTSForm::tbAddTableClick() { ModeToggled(ui->tbAddTable, ui->tbRenTable); }

void TfmTSForm::tbRenTableClick() { ModeToggled(ui->tbRenTable, ui->tbAddTable); }

void TfmTSForm::ModeToggled(QToolButton* mode, QToolButton* other) {
    if (mode->isChecked()) {
        setNamePanelShown(true);
        other->setChecked(false);
        ui->eNTName->setFocus();
    } else {
        setNamePanelShown(false);
        ui->lbTableSelect->setFocus();
    }
}

void TfmTSForm::tbRemoveTableClick() {
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    if (platform::messageBox(QStringLiteral("Вы действительно хотите удалить таблицу '") + name + u'\'',
                             QStringLiteral("Удаление таблицы..."), platform::Buttons::YesNo, platform::Icon::Warning)
        != platform::Answer::Yes)
        return;
    // One transaction: what follows the table (its loans) ends with it.
    DM->ADOConnection->inOneTransaction([&] {
        DM->TableRemoving(name);
        DM->Execute({QStringLiteral("DROP TABLE ") + name});
    });
    DM->aqMain->clearSql();
    FormActivate();
}

void TfmTSForm::SpeedButton1Click() {
    const QString name = ui->eNTName->text();
    if (name.isEmpty())
        return;
    QStringList listed;
    for (int i = 0; i < ui->lbTableSelect->count(); ++i)
        listed << ui->lbTableSelect->item(i)->text();
    if (ListHolds(listed, name)) {
        inform(QStringLiteral("Таблица '") + name + QStringLiteral("' уже существует!"));
        return;
    }
    if (!NameCharactersAllowed(name)) {
        inform(QStringLiteral("Имя таблицы '") + name
               + QStringLiteral("'\r содержит недопустимые символы! Допустимыми являются:\rA-z, А-я, 0-9, _"));
        return;
    }
    if (name.startsWith(u'_')) {
        inform(QStringLiteral("Имя таблицы не должно начинаться с символа '_'!"));
        return;
    }
    if (ui->tbRenTable->isChecked()) {
        // One transaction: a rename that fails leaves no half-made table.
        const QString old = selectedName();
        DM->ADOConnection->inOneTransaction([&] {
            DM->Execute({QStringLiteral("Create Table ") + name, layouts::kItemColumns});
            DM->Execute({QStringLiteral("INSERT INTO ") + name
                             + QStringLiteral(" (id, title, type, issue, return, contact, description)"),
                         QStringLiteral("SELECT id, title, type, issue, return, contact, description FROM ") + old});
            KeepCounter(old, name); // ids given once are never given again
            DM->TableRenamed(old, name);
            DM->Execute({QStringLiteral("DROP TABLE ") + old});
        });
    } else {
        DM->Execute({QStringLiteral("Create Table ") + name, layouts::kItemColumns});
    }
    FormActivate();
    DBTable = selectedName();
    ui->eNTName->clear();
    ui->tbRemoveTable->setEnabled(true);
    ui->bbCancel->setEnabled(true);
    setNamePanelShown(false);
    ui->lbTableSelect->setFocus();
}

bool TfmTSForm::eNTNameKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!platform::noModifiers(modifiers))
        return false;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        SpeedButton1Click();
        return true;
    }
    if (key == Qt::Key_Escape) {
        ui->tbAddTable->setChecked(false);
        ui->tbRenTable->setChecked(false);
        setNamePanelShown(false);
        ui->lbTableSelect->setFocus();
        return true;
    }
    return false;
}

bool TfmTSForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        bool handled = false;
        if (watched == ui->lbTableSelect)
            platform::guarded([&] { handled = lbTableSelectKeyDown(key->key(), key->modifiers()); });
        else if (watched == ui->eNTName)
            platform::guarded([&] { handled = eNTNameKeyDown(key->key(), key->modifiers()); });
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}

// Esc reaches the dialog only from controls that don't handle it; it closes
// nothing by itself, so an empty database can't be left without a table.
void TfmTSForm::reject() {}

void TfmTSForm::closeEvent(QCloseEvent* event) {
    if (ui->bbCancel->isEnabled())
        platform::guarded([this] { bbCancelClick(); });
    else
        event->ignore();
}
