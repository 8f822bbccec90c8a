#include "dialogs/CEditUnit.h"

#include "controls/TextBoxes.h"
#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"
#include "platform/WindowFrame.h"
#include "ui_CEditForm.h"

#include <cmath>

TfmCEdit* fmCEdit = nullptr;

namespace {

// Writes a box's text into a field, or Null when the box is empty.
void SetTextOrNull(engine::Field field, const QString& text) {
    if (text.isEmpty())
        field.clear();
    else
        field.setAsString(text);
}

} // namespace

TfmCEdit::TfmCEdit(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmCEdit) {
    setObjectName(QStringLiteral("fmCEdit")); // setupUi keeps a name already set
    ui->setupUi(this);
    writers::adopt(this); // the commands its layout declares as writing
    setLooksOnlyWhenReadOnly();
    DropNulCharacters(this);
    platform::setFixedFrame(this, platform::TitleButtons::MinimizeAndClose);
    using platform::connectHandler;
    connectHandler(ui->eName, &QLineEdit::textChanged, this, &TfmCEdit::eNameChange);
    connectHandler(ui->cbBirthday, &QCheckBox::toggled, this, &TfmCEdit::cbBirthdayClick);
    connectHandler(ui->bbSave, &QPushButton::clicked, this, &TfmCEdit::bbSaveClick);
    connect(ui->bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfmCEdit::~TfmCEdit() = default;

void TfmCEdit::FormActivate() {
    engine::Query* contact = DM->aqContacts;
    ui->eName->setText(contact->fieldByName(QStringLiteral("name")).asString());
    ui->ePhone->setText(contact->fieldByName(QStringLiteral("phone")).asString());
    ui->eAddress->setText(contact->fieldByName(QStringLiteral("address")).asString());
    const engine::Field birthday = contact->fieldByName(QStringLiteral("birthday"));
    if (!birthday.isNull()) {
        ui->cbBirthday->setChecked(true);
        ui->BirthPicker->setDayNumber(std::floor(birthday.asFloat()));
    } else {
        ui->cbBirthday->setChecked(false);
        ui->BirthPicker->setDayNumber(platform::today());
    }
    ui->bbSave->setEnabled(!ui->eName->text().isEmpty());
    ui->eName->setFocus();
}

void TfmCEdit::eNameChange() { ui->bbSave->setEnabled(!ui->eName->text().isEmpty()); }

void TfmCEdit::cbBirthdayClick() { ui->BirthPicker->setEnabled(ui->cbBirthday->isChecked()); }

void TfmCEdit::bbSaveClick() {
    engine::Query* contact = DM->aqContacts;
    contact->fieldByName(QStringLiteral("name")).setAsString(ui->eName->text());
    // The reliability group is left as it is: a new record's is Null, the
    // general group, and a changed contact stays in the group it was in.
    SetTextOrNull(contact->fieldByName(QStringLiteral("phone")), ui->ePhone->text());
    SetTextOrNull(contact->fieldByName(QStringLiteral("address")), ui->eAddress->text());
    engine::Field birthday = contact->fieldByName(QStringLiteral("birthday"));
    if (ui->cbBirthday->isChecked()) // a date, at midnight
        birthday.setAsFloat(std::floor(ui->BirthPicker->dayNumber()));
    else
        birthday.clear();
    accept();
}
