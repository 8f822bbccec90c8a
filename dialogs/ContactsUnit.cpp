#include "dialogs/ContactsUnit.h"

#include "history/HistoryKeeper.h"

#include "controls/GridColumns.h"
#include "controls/Writers.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/CEditUnit.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/WindowFrame.h"
#include "ui_ContactsForm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include <QMouseEvent>
#include <QResizeEvent>
#include <tuple>

TcEditForm* cEditForm = nullptr;

namespace {

const QString kDeleteCaption = QStringLiteral("Удаление контакта...");

} // namespace

TcEditForm::TcEditForm(QWidget* parent, ItemView* items)
    : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TcEditForm), m_items(items) {
    setObjectName(QStringLiteral("cEditForm")); // setupUi keeps a name already set
    ui->setupUi(this);
    writers::adopt(this); // the commands its layout declares as writing
    // Resizable, with every title-bar button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    // The layout's size and least size are the outer ones, frame included.
    platform::setOuterSize(this, size(), minimumSize());
    ui->DBGrid->setSidewaysScrolling(true);
    ui->DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    ui->DBGrid->setCellStyler(
        [this](int row, int column, bool selected) { return DBGridDrawColumnCell(row, column, selected); });
    m_hint = new QLabel(ui->StatusBar);
    m_hint->setObjectName(QStringLiteral("lHint"));
    m_hint->setTextFormat(Qt::PlainText);
    ui->StatusBar->addWidget(m_hint, 1);
    pmContacts = new QMenu(this);
    pmContacts->setObjectName(QStringLiteral("pmContacts"));
    pmContacts->addActions({ui->iNone, ui->iWhite, ui->iBlack});
    pmContacts->addSeparator();
    pmContacts->addAction(ui->iContactHistory);
    pmContacts->addAction(ui->iReminder);
    // The letter of the reminders' template, a page, to print or to keep.
    for (const auto& [name, text, pdf] : {std::tuple{"iLetterPrint", "Письмо на печать...", false},
                                          std::tuple{"iLetterPdf", "Письмо в PDF...", true}}) {
        auto* letter = new QAction(QString::fromUtf8(text), this);
        letter->setObjectName(QString::fromLatin1(name));
        pmContacts->addAction(letter);
        platform::connectHandler(letter, &QAction::triggered, this, [this, pdf = pdf] { iLetterClick(pdf); });
    }
    if (DM)
        ui->DBGrid->setQuery(DM->aqContacts);
    using platform::connectHandler;
    connectHandler(ui->tbAdd, &QAction::triggered, this, &TcEditForm::tbAddClick);
    connectHandler(ui->tbEdit, &QAction::triggered, this, &TcEditForm::tbEditClick);
    connectHandler(ui->tbDelete, &QAction::triggered, this, &TcEditForm::tbDeleteClick);
    connectHandler(ui->iNone, &QAction::triggered, this, &TcEditForm::iNoneClick);
    connectHandler(ui->iWhite, &QAction::triggered, this, &TcEditForm::iWhiteClick);
    connectHandler(ui->iBlack, &QAction::triggered, this, &TcEditForm::iBlackClick);
    connect(ui->DBGrid, &QWidget::customContextMenuRequested, this, &TcEditForm::ShowGroupMenu);
    connectHistoryHandlers();
    ui->DBGrid->installEventFilter(this);
    ui->DBGrid->watchDoubleClicks(this);
}

TcEditForm::~TcEditForm() = default;

CellStyle TcEditForm::GroupStyle(const QVariant& reliability, bool selected) {
    CellStyle style;
    if (selected)
        style = {DataGrid::selectionColor(), Qt::white, false};
    if (!reliability.isValid())
        return style;
    if (reliability.toLongLong() == 0)
        style.background = selected ? QColor(0, 128, 0) : QColor(136, 238, 136);
    else if (reliability.toLongLong() == 1)
        style.background = selected ? QColor(128, 0, 0) : QColor(238, 136, 136);
    return style;
}

CellStyle TcEditForm::DBGridDrawColumnCell(int row, int, bool selected) const {
    const engine::Query* contacts = DM->aqContacts;
    return GroupStyle(contacts->value(row, contacts->fieldIndex(QStringLiteral("reliability"))), selected);
}

void TcEditForm::EnableEditAndDeleteByCount() {
    const bool any = DM->aqContacts->recordCount() > 0;
    ui->tbDelete->setEnabled(any);
    ui->tbEdit->setEnabled(any);
    ui->tbContactHistory->setEnabled(any && loanhistory::kept());
    ui->tbReminder->setEnabled(any);
}

void TcEditForm::FormActivate() {
    DebtorFilter.clear();
    ShowLoanFigures();
    FitGridColumn(ui->DBGrid, 0);
    EnableEditAndDeleteByCount();
}

void TcEditForm::FormResize() { FitGridColumn(ui->DBGrid, 0); }

void TcEditForm::tbAddClick() {
    DM->aqContacts->insert();
    if (PostThroughEditor(fmCEdit, DM->aqContacts) && DM->aqContacts->recordCount() > 0) {
        ui->tbDelete->setEnabled(true);
        ui->tbEdit->setEnabled(true);
    }
}

void TcEditForm::tbEditClick() {
    DM->aqContacts->edit();
    if (PostThroughEditor(fmCEdit, DM->aqContacts) && DM->aqContacts->recordCount() > 0)
        ui->tbDelete->setEnabled(true);
}

QStringList TcEditForm::TablesWithItemsOf(const QString& id) {
    // An item the item editor holds, not yet stored, counts too: once saved
    // it would name a contact that is gone.
    const engine::Query* items = DM->aqMain;
    const bool editing = items->state() == engine::Query::State::Insert || items->state() == engine::Query::State::Edit;
    const bool pendingItem = editing && DM->aqMain->fieldByName(QStringLiteral("contact")).asString() == id;
    QStringList found;
    for (const QString& table : std::as_const(TableNames)) {
        if (pendingItem && table.compare(items->baseTable(), Qt::CaseInsensitive) == 0) {
            found << table;
            continue;
        }
        if (DM->HasRows({QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE contact=") + id}))
            found << table;
    }
    return found;
}

void TcEditForm::tbDeleteClick() {
    engine::Query* contacts = DM->aqContacts;
    // Without a current contact there is nothing to delete, and no id to
    // search items for.
    if (contacts->recordCount() <= 0)
        return;
    m_items->ClearTableList();
    TableNames.clear();
    DebtsMode = false;
    DebtorFilter.clear();
    RebuildTableNames();
    const GridHiddenWhileSearching searching(m_items);
    const QString id = contacts->fieldByName(QStringLiteral("id")).asString();
    const QString name = contacts->fieldByName(QStringLiteral("name")).asString();
    const QStringList tables = TablesWithItemsOf(id);
    if (tables.isEmpty()) {
        if (platform::messageBox(QStringLiteral("Вы действительно хотите удалить контакт ") + name + u'?',
                                 kDeleteCaption, platform::Buttons::YesNo, platform::Icon::Warning)
            == platform::Answer::Yes) {
            contacts->deleteRecord();
            if (contacts->recordCount() == 0) {
                ui->tbDelete->setEnabled(false);
                ui->tbEdit->setEnabled(false);
            }
        }
    } else {
        platform::messageBox(QStringLiteral("Невозможно удалить контакт '") + name
                                 + QStringLiteral("',\rтак как у него есть долги."),
                             kDeleteCaption, platform::Buttons::Ok, platform::Icon::Information);
        m_items->ListTables(tables);
        DebtorFilter = id;
        m_items->StretchFirstColumn();
        close();
    }
    m_items->ReloadCurrentTable();
    m_items->SetGridShown(true);
    m_items->StretchFirstColumn();
}

void TcEditForm::AddOrChange() {
    // Only read: a contact is looked at, none is added.
    if (DM->aqContacts->recordCount() == 0) {
        if (!writers::readOnly())
            tbAddClick();
    } else {
        tbEditClick();
    }
}

void TcEditForm::DBGridDblClick(const QPoint& at) {
    if (ui->DBGrid->cellAt(at).y() <= 0) // the title row, or no row at all
        return;
    AddOrChange();
}

bool TcEditForm::DBGridKeyPress(QChar key) {
    if (key == platform::kEscapeKey) {
        close();
        return true;
    }
    if (key == platform::kEnterKey) {
        AddOrChange();
        return true;
    }
    return false;
}

bool TcEditForm::DBGridKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    if (!platform::noModifiers(modifiers) || QGuiApplication::mouseButtons() != Qt::NoButton)
        return false;
    // The keys of the buttons, live as the buttons are.
    if (key == Qt::Key_Insert) {
        if (ui->tbAdd->isEnabled())
            tbAddClick();
    } else if (key == Qt::Key_Delete) {
        if (ui->tbDelete->isEnabled())
            tbDeleteClick();
    } else {
        return false;
    }
    return true;
}

void TcEditForm::pmContactsPopup() {
    engine::Query* contacts = DM->aqContacts;
    if (contacts->recordCount() == 0 || contacts->fieldByName(QStringLiteral("name")).asString().isEmpty()) {
        for (QAction* item : {ui->iNone, ui->iWhite, ui->iBlack})
            item->setEnabled(false);
        return;
    }
    const engine::Field group = contacts->fieldByName(QStringLiteral("reliability"));
    if (!group.isNull() && group.asInteger() != 0 && group.asInteger() != 1)
        return; // no group of the three: the items keep their states
    const int current = group.isNull() ? -1 : static_cast<int>(group.asInteger());
    ui->iNone->setEnabled(current != -1);
    ui->iWhite->setEnabled(current != 0);
    ui->iBlack->setEnabled(current != 1);
}

void TcEditForm::ShowGroupMenu(const QPoint& at) {
    // The menu belongs to the data cells only.
    const QPoint cell = ui->DBGrid->cellAt(ui->DBGrid->viewport()->mapTo(ui->DBGrid, at));
    if (cell.x() <= 0 || cell.y() <= 0)
        return;
    ui->iContactHistory->setEnabled(loanhistory::kept());
    if (platform::guarded([this] { pmContactsPopup(); }))
        pmContacts->exec(ui->DBGrid->viewport()->mapToGlobal(at));
}

void TcEditForm::SetGroup(const QVariant& reliability) {
    engine::Query* contacts = DM->aqContacts;
    if (contacts->recordCount() == 0)
        return;
    contacts->edit();
    engine::Field group = contacts->fieldByName(QStringLiteral("reliability"));
    if (reliability.isValid())
        group.setAsInteger(reliability.toLongLong());
    else
        group.clear();
    try {
        contacts->post();
    } catch (...) {
        contacts->cancel(); // nothing typed is lost: the menu can be used again
        throw;
    }
    ShowDoubtfulHint(); // the black list needs no more hints
}

void TcEditForm::iNoneClick() { SetGroup(QVariant()); }

void TcEditForm::iWhiteClick() { SetGroup(0); }

void TcEditForm::iBlackClick() { SetGroup(1); }

bool TcEditForm::eventFilter(QObject* watched, QEvent* event) {
    bool handled = false;
    if (watched == ui->DBGrid->viewport() && event->type() == QEvent::Resize) // more rows may show
        platform::guarded([this] { WorkOutFiguresInView(); });
    if (watched == ui->DBGrid && event->type() == QEvent::KeyPress) {
        const QChar key = platform::typedCharacter(static_cast<QKeyEvent*>(event));
        if (!key.isNull())
            platform::guarded([&] { handled = DBGridKeyPress(key); });
    } else if (watched == ui->DBGrid && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            platform::guarded([&] { handled = DBGridKeyUp(key->key(), key->modifiers()); });
    } else if (const std::optional<QPoint> at = ui->DBGrid->doubleClickAt(watched, event)) {
        platform::guarded([&] { DBGridDblClick(*at); });
        handled = true;
    } else if (watched == ui->DBGrid->viewport() && event->type() == QEvent::Resize
               && static_cast<QResizeEvent*>(event)->oldSize().width()
                      != static_cast<QResizeEvent*>(event)->size().width()) {
        platform::guarded([this] { FormResize(); });
    }
    return handled || ModalForm::eventFilter(watched, event);
}
