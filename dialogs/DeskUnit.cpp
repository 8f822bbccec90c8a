#include "dialogs/DeskUnit.h"

#include "data/CatalogueShape.h"
#include "data/DBMUnit.h"
#include "data/LoanRules.h"
#include "dialogs/EditUnit.h"
#include "engine/EngineError.h"
#include "platform/MessageBox.h"
#include "platform/NameForms.h"
#include "platform/Plural.h"
#include "platform/Today.h"
#include "rules/LoanChecks.h"
#include "ui_DeskForm.h"

#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>

#include <cmath>

TfmDesk* fmDesk = nullptr;

namespace {
const platform::NounForms kThings{"вещь", "вещи", "вещей"};
const platform::NounForms kDays{"день", "дня", "дней"};
} // namespace

TfmDesk::TfmDesk(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmDesk) {
    setObjectName(QStringLiteral("fmDesk"));
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    using platform::connectHandler;
    connectHandler(ui->leCode, &QLineEdit::returnPressed, this, &TfmDesk::CodeEntered);
    connectHandler(ui->leWhom, &QLineEdit::returnPressed, this, &TfmDesk::WhomEntered);
    connectHandler(ui->bNewRecord, &QPushButton::clicked, this, &TfmDesk::bNewRecordClick);
    connect(ui->bbClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* completer = new QCompleter(new QStringListModel(this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    ui->leWhom->setCompleter(completer);
    // A scanner may end a code with Tab; Ctrl+Z is the desk's, not the field's.
    ui->leCode->installEventFilter(this);
    ui->leWhom->installEventFilter(this);
}

TfmDesk::~TfmDesk() = default;

void TfmDesk::Execute(const Window& window) {
    m_window = window;
    m_done.clear();
    ui->twActions->clear();
    const desk::Settings s = desk::readSettings();
    ui->sbDays->setValue(s.loanDays);
    ui->leStrip->setText(s.strip);
    QStringList names;
    const int name = DM->aqContacts->fieldIndex(shape::column::kName);
    for (int r = 0; name >= 0 && r < DM->aqContacts->recordCount(); ++r)
        names << DM->aqContacts->textValue(r, name);
    static_cast<QStringListModel*>(ui->leWhom->completer()->model())->setStringList(names);
    Say(QString());
    Enter(Mode::Idle);
    exec();
    desk::writeSettings(CurrentSettings());
}

desk::Settings TfmDesk::CurrentSettings() const { return {ui->sbDays->value(), ui->leStrip->text()}; }

bool TfmDesk::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return ModalForm::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Undo)) {
        platform::guarded([this] { UndoLast(); });
        return true;
    }
    if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
        platform::guarded([&] { watched == ui->leCode ? CodeEntered() : WhomEntered(); });
        return true;
    }
    return ModalForm::eventFilter(watched, event);
}

// Escape ends what is under way; with nothing under way it closes the desk.
void TfmDesk::reject() {
    if (m_mode == Mode::Idle)
        return ModalForm::reject();
    Enter(Mode::Idle);
    Say(QString());
}

void TfmDesk::Enter(Mode mode) {
    m_mode = mode;
    ui->leWhom->setEnabled(mode == Mode::AwaitingWhom);
    ui->bNewRecord->setVisible(mode == Mode::Unknown);
    if (mode != Mode::AwaitingWhom)
        ui->leWhom->clear();
    if (mode == Mode::Idle) {
        m_contact = -1;
        ui->lItem->clear();
    }
    if (mode == Mode::ForContact) // what they hold, as it grows
        ShowHeld();
    QWidget* field = mode == Mode::AwaitingWhom ? ui->leWhom : ui->leCode;
    field->setFocus();
    ui->leCode->clear();
}

void TfmDesk::Say(const QString& message) { ui->lMessage->setText(message); }

void TfmDesk::CodeEntered() {
    if (ui->leCode->text().trimmed().isEmpty())
        return;
    const desk::Scanned scanned = desk::scan(*DM, ui->leCode->text(), CurrentSettings());
    using Kind = desk::Scanned::Kind;
    switch (scanned.kind) {
    case Kind::Refused:
        Say(scanned.refusal);
        ui->leCode->clear();
        return;
    case Kind::Unknown:
        m_pending = scanned;
        Enter(Mode::Unknown);
        Say(QStringLiteral("Код не найден: %1").arg(scanned.code));
        return;
    case Kind::Lent: return Return(scanned);
    case Kind::Contact:
        m_contact = scanned.debtor;
        Enter(Mode::ForContact);
        Say(QStringLiteral("Отсканируйте вещи для выдачи; Esc — закончить."));
        return;
    case Kind::OnHand:
        if (m_mode == Mode::ForContact)
            return Lend(scanned.holder, m_contact);
        m_pending = scanned;
        Enter(Mode::AwaitingWhom);
        ui->lItem->setText(
            QStringLiteral("«%1»%2, таблица «%3». Кому?")
                .arg(scanned.title,
                     scanned.itemKind.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(scanned.itemKind),
                     scanned.holder.table));
        Say(QString());
        return;
    }
}

// What the contact lent to holds now, from every table.
void TfmDesk::ShowHeld() {
    const QStringList held = desk::itemsHeldBy(*DM, m_contact);
    ui->lItem->setText(QStringLiteral("%1: на руках %2%3")
                           .arg(DM->Contacts->nameOf(m_contact), platform::countOf(held.size(), kThings),
                                held.isEmpty() ? QString() : QStringLiteral(": ") + held.join(QStringLiteral("; "))));
}

qint64 TfmDesk::ContactNamed(const QString& typed) {
    const desk::Scanned byCode = desk::scan(*DM, typed, CurrentSettings());
    if (byCode.kind == desk::Scanned::Kind::Contact)
        return byCode.debtor;
    const int id = DM->aqContacts->fieldIndex(shape::column::kId);
    const int name = DM->aqContacts->fieldIndex(shape::column::kName);
    for (int r = 0; id >= 0 && name >= 0 && r < DM->aqContacts->recordCount(); ++r)
        if (DM->aqContacts->textValue(r, name).compare(typed.trimmed(), Qt::CaseInsensitive) == 0)
            return DM->aqContacts->integerValue(r, id);
    return -1;
}

void TfmDesk::WhomEntered() {
    if (m_mode != Mode::AwaitingWhom || ui->leWhom->text().trimmed().isEmpty())
        return;
    const qint64 contact = ContactNamed(ui->leWhom->text());
    if (contact < 0) {
        Say(QStringLiteral("Контакт не найден: %1").arg(ui->leWhom->text().trimmed()));
        ui->leWhom->selectAll();
        return;
    }
    Lend(m_pending.holder, contact);
}

void TfmDesk::Lend(const codes::Holder& item, qint64 contact) {
    const Mode after = m_mode == Mode::ForContact ? Mode::ForContact : Mode::Idle;
    if (!MayLendToContact(contact)) {
        Enter(after);
        Say(QStringLiteral("Не выдано."));
        return;
    }
    // The loan rules' period for the table and the person's group, else the desk's.
    const int days = loanrules::periodFor(*DM->ADOConnection, item.table, DM->Contacts->groupOf(contact))
                         .value_or(ui->sbDays->value());
    desk::Action a;
    try {
        a = desk::lend(*DM, item, contact, platform::today(), days);
    } catch (const platform::Declined&) { // a loan rule's question answered No
        Enter(after);
        Say(QStringLiteral("Не выдано."));
        return;
    } catch (const rules::Refused& e) {
        Enter(after);
        Say(QStringLiteral("Не выдано: ") + e.message());
        return;
    }
    Record(a);
    Enter(after); // a contact's items go on being lent to them
    Say(QStringLiteral("Выдано: «%1» — %2, вернуть до %3").arg(a.title, a.person, platform::formatDate(a.due)));
}

void TfmDesk::Return(const desk::Scanned& scanned) {
    const desk::Action a = desk::giveBack(*DM, scanned.holder, platform::today());
    Record(a);
    Enter(m_mode == Mode::ForContact ? Mode::ForContact : Mode::Idle);
    Say(QStringLiteral("Возвращено: «%1» от %2%3")
            .arg(a.title, platform::genitiveShortName(a.person),
                 a.daysLate > 0 ? QStringLiteral(", просрочено на %1").arg(platform::countOf(a.daysLate, kDays))
                                : QString()));
}

void TfmDesk::Record(const desk::Action& a) {
    m_done.prepend(a);
    auto* line = new QTreeWidgetItem;
    line->setText(0, a.at.toString(QStringLiteral("HH:mm:ss")));
    line->setText(1, a.kind == desk::Action::Kind::Lent ? QStringLiteral("выдано") : QStringLiteral("возвращено"));
    line->setText(2, a.title);
    line->setText(3, a.person);
    line->setText(4, std::isnan(a.due) ? QString() : platform::formatDate(a.due));
    ui->twActions->insertTopLevelItem(0, line);
    if (m_window.changed)
        m_window.changed(a.item.table);
}

void TfmDesk::UndoLast() {
    if (m_done.isEmpty())
        return;
    const desk::Action a = m_done.takeFirst();
    desk::undo(*DM, a);
    delete ui->twActions->takeTopLevelItem(0);
    if (m_window.changed)
        m_window.changed(a.item.table);
    Say(QStringLiteral("Отменено: %1 «%2»")
            .arg(a.kind == desk::Action::Kind::Lent ? QStringLiteral("выдача") : QStringLiteral("возврат"), a.title));
    if (m_mode == Mode::ForContact)
        ShowHeld();
    ui->leCode->setFocus();
}

void TfmDesk::bNewRecordClick() {
    const QString code = m_pending.code;
    const qint64 id = m_window.newItem ? m_window.newItem() : -1;
    // The editor handed the activation to the main window, its owner: back to the desk.
    activateWindow();
    Enter(Mode::Idle);
    if (id < 0) {
        Say(QStringLiteral("Запись не создана."));
        return;
    }
    codes::assign(*DM->ADOConnection, {m_window.shownTable, id}, code);
    Say(QStringLiteral("Запись создана, код %1 присвоен.").arg(code));
}
