#include "dialogs/EditUnit.h"

#include "controls/TextBoxes.h"
#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "data/LoanRules.h"
#include "dialogs/ContactsUnit.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "platform/WindowFrame.h"
#include "ui_EditForm.h"

#include <QScopeGuard>

#include <cmath>

TmEditForm* mEditForm = nullptr;

namespace {

engine::Field Item(const char* field) { return DM->aqMain->fieldByName(QString::fromLatin1(field)); }

// A date field into its picker and tick box: the stored value, or today
// with the box unticked.
void LoadDate(const engine::Field& field, DatePicker* picker, QCheckBox* box) {
    const bool given = !field.isNull();
    picker->setDayNumber(given ? field.asFloat() : platform::today());
    picker->setEnabled(given);
    box->setChecked(given);
}

void StoreDate(engine::Field field, const DatePicker* picker, const QCheckBox* box) {
    if (box->isChecked())
        field.setAsFloat(picker->dayNumber());
    else
        field.clear();
}

} // namespace

TmEditForm::TmEditForm(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TmEditForm) {
    setObjectName(QStringLiteral("mEditForm")); // setupUi keeps a name already set
    ui->setupUi(this);
    writers::adopt(this); // the commands its layout declares as writing
    setLooksOnlyWhenReadOnly();
    DropNulCharacters(this);
    platform::setFixedFrame(this, platform::TitleButtons::MinimizeAndClose);
    if (DM) {
        ui->lcbContact->setListSource(DM->aqContacts, QStringLiteral("name"), QStringLiteral("id"));
        ui->lcbContact->setDataField(DM->aqMain, QStringLiteral("contact"));
    }
    using platform::connectHandler;
    connectHandler(ui->TitleEdit, &QLineEdit::textChanged, this, &TmEditForm::TitleEditChange);
    connectHandler(ui->cbIssue, &QCheckBox::toggled, this, &TmEditForm::cbIssueClick);
    connectHandler(ui->cbReturn, &QCheckBox::toggled, this, &TmEditForm::cbReturnClick);
    connectHandler(ui->cbContact, &QCheckBox::toggled, this, &TmEditForm::cbContactClick);
    connectHandler(ui->cbDescription, &QCheckBox::toggled, this, &TmEditForm::cbDescriptionClick);
    connectHandler(ui->lcbContact, &LookupComboBox::picked, this, &TmEditForm::lcbContactClick);
    connectHandler(ui->IssuePicker, &DatePicker::userChanged, this, &TmEditForm::IssuePickerChange);
    connectHandler(ui->ReturnPicker, &DatePicker::userChanged, this, &TmEditForm::ReturnPickerChange);
    connectHandler(ui->bCEdit, &QPushButton::clicked, this, &TmEditForm::bCEditClick);
    connectHandler(ui->bbSave, &QPushButton::clicked, this, &TmEditForm::bbSaveClick);
    connectHandler(ui->bbCancel, &QPushButton::clicked, this, &TmEditForm::bbCancelClick);
}

TmEditForm::~TmEditForm() = default;

void TmEditForm::FormActivate() {
    m_activating = true;
    const auto activated = qScopeGuard([this] { m_activating = false; });
    ui->TitleEdit->setText(Item("title").asString());
    ui->TypeEdit->setText(Item("type").asString());
    LoadDate(Item("issue"), ui->IssuePicker, ui->cbIssue);
    LoadDate(Item("return"), ui->ReturnPicker, ui->cbReturn);
    const bool lent = !Item("contact").isNull();
    m_debtorAtOpening = lent ? QVariant(qint64(Item("contact").asInteger())) : QVariant();
    ui->lcbContact->setEnabled(lent);
    ui->bCEdit->setEnabled(lent);
    ui->cbContact->setChecked(lent);
    const engine::Field note = Item("description");
    ui->cbDescription->setChecked(!note.isNull());
    ui->DEdit->setEnabled(!note.isNull());
    ui->DEdit->setText(note.asString());
    ui->TitleEdit->setFocus();
}

bool TmEditForm::DebtorChosen() const { return ui->lcbContact->keyValue().isValid(); }

void TmEditForm::SaveCheck() {
    bool enabled = !ui->TitleEdit->text().isEmpty();
    if (ui->cbContact->isChecked()) {
        if (!DebtorChosen())
            enabled = false;
        else if (ui->cbIssue->isChecked() && ui->cbReturn->isChecked()
                 && ui->ReturnPicker->dayNumber() < ui->IssuePicker->dayNumber())
            enabled = false;
    }
    ui->bbSave->setEnabled(enabled);
}

void TmEditForm::TitleEditChange() { SaveCheck(); }

void TmEditForm::IssuePickerChange() { SaveCheck(); }

void TmEditForm::ReturnPickerChange() {
    // A narrower rule than the save check: the debtor and the tick boxes are
    // not looked at.
    if (ui->ReturnPicker->dayNumber() < ui->IssuePicker->dayNumber())
        ui->bbSave->setEnabled(false);
    else if (!ui->TitleEdit->text().isEmpty())
        ui->bbSave->setEnabled(true);
}

void TmEditForm::cbIssueClick() {
    ui->IssuePicker->setEnabled(ui->cbIssue->isChecked());
    ui->cbReturn->setEnabled(ui->cbIssue->isChecked() && ui->cbContact->isChecked());
}

void TmEditForm::cbReturnClick() {
    ui->ReturnPicker->setEnabled(ui->cbReturn->isChecked());
    SaveCheck();
    DueByRule();
}

void TmEditForm::DueByRule() {
    if (m_activating || !ui->cbContact->isChecked() || !ui->cbReturn->isChecked() || !DebtorChosen())
        return;
    const qint64 debtor = ui->lcbContact->keyValue().toLongLong();
    const std::optional<int> days =
        loanrules::periodFor(*DM->ADOConnection, DM->aqMain->baseTable(), DM->Contacts->groupOf(debtor));
    if (!days)
        return;
    ui->ReturnPicker->setDayNumber(std::floor(ui->IssuePicker->dayNumber()) + *days);
    SaveCheck();
}

void TmEditForm::EnableDates() {
    const bool lent = ui->cbContact->isChecked();
    ui->cbIssue->setEnabled(lent && DebtorChosen());
    ui->cbReturn->setEnabled(ui->cbIssue->isChecked() && lent);
    ui->IssuePicker->setEnabled(lent && ui->cbIssue->isChecked());
    ui->ReturnPicker->setEnabled(lent && ui->cbIssue->isChecked() && ui->cbReturn->isChecked());
}

void TmEditForm::cbContactClick() {
    ui->lcbContact->setEnabled(ui->cbContact->isChecked());
    ui->bCEdit->setEnabled(ui->cbContact->isChecked());
    EnableDates();
    SaveCheck();
}

void TmEditForm::lcbContactClick() {
    EnableDates();
    SaveCheck();
    DueByRule();
}

void TmEditForm::cbDescriptionClick() { ui->DEdit->setEnabled(ui->cbDescription->isChecked()); }

void TmEditForm::bCEditClick() { cEditForm->exec(); }

void TmEditForm::bbCancelClick() { reject(); }

bool MayLendToContact(qint64 contact) {
    if (!DM->Contacts->blackListed(contact))
        return true;
    return platform::messageBox(QStringLiteral("Контакт '") + DM->Contacts->nameOf(contact)
                                    + QStringLiteral("' в чёрном списке. Всё равно выдать?"),
                                QStringLiteral("Выдача"), platform::Buttons::YesNo, platform::Icon::Warning)
           == platform::Answer::Yes;
}

bool TmEditForm::MayLendTo(const QVariant& debtor) const {
    return !debtor.isValid() || debtor == m_debtorAtOpening || MayLendToContact(debtor.toLongLong());
}

void TmEditForm::bbSaveClick() {
    // Refused: back to the editor, everything as it was typed.
    if (ui->cbContact->isChecked() && !MayLendTo(ui->lcbContact->keyValue()))
        return;
    Item("title").setAsString(ui->TitleEdit->text());
    // An emptied kind box removes the kind.
    if (ui->TypeEdit->text().isEmpty())
        Item("type").clear();
    else
        Item("type").setAsString(ui->TypeEdit->text());
    if (ui->cbContact->isChecked()) {
        // contact already holds the debtor picked in the box.
        StoreDate(Item("issue"), ui->IssuePicker, ui->cbIssue);
        StoreDate(Item("return"), ui->ReturnPicker, ui->cbReturn);
    } else {
        Item("contact").clear();
        Item("issue").clear();
        Item("return").clear();
    }
    if (ui->cbDescription->isChecked() && !ui->DEdit->text().isEmpty())
        Item("description").setAsString(ui->DEdit->text());
    else
        Item("description").clear();
    accept();
}
