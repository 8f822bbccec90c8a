#include "app/Main.h"
#include "data/CatalogueShape.h"

#include "app/Settings.h"
#include "controls/TextBoxes.h"
#include "controls/Writers.h"
#include "data/BaseFiles.h"
#include "data/DBMUnit.h"
#include "data/Layouts.h"
#include "data/ProgramState.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/TSelectUnit.h"
#include "engine/EngineError.h"
#include "platform/Files.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/Version.h"
#include "ui_MainForm.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <cmath>

TfmMainForm* fmMainForm = nullptr;

TfmMainForm::TfmMainForm(QWidget* parent) : QMainWindow(parent), ui(new Ui::TfmMainForm) {
    // Named as its single instance (the layout file uses the class name, so
    // the generated code shadows no global); setupUi keeps the name.
    setObjectName(QStringLiteral("fmMainForm"));
    ui->setupUi(this);
    writers::adopt(this); // the commands its layout declares as writing
    DropNulCharacters(this);
    ui->ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ui->lbTableList->hide();
    // The side list sits on a button-face background, like a panel.
    QPalette sideList = ui->lbTableList->palette();
    sideList.setColor(QPalette::Base, sideList.color(QPalette::Button));
    ui->lbTableList->setPalette(sideList);
    ui->DBGrid->hide();
    StatusPanel = new QLabel(ui->StatusBar);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setTextFormat(Qt::PlainText); // the item's note, as typed
    StatusPanel->setMinimumWidth(50);
    ui->StatusBar->addWidget(StatusPanel, 1);
    ui->StatusBar->setSizeGripEnabled(true);

    pmMain = new QMenu(this);
    pmMain->setObjectName(QStringLiteral("pmMain"));
    pmMain->addAction(ui->iProlong_1);
    pmMain->addAction(ui->iProlong_3);
    pmMain->addAction(ui->iProlong_7);
    pmMain->addSeparator();
    pmMain->addAction(ui->iClearDept);

    auto* modes = new QActionGroup(this);
    modes->setObjectName(QStringLiteral("SearchModes"));
    modes->setExclusive(true);
    for (QAction* mode : {ui->tbSBName, ui->tbSBType, ui->tbSBContact, ui->tbSBDes})
        modes->addAction(mode);

    // The toolbar panel is laid out by hand: the search row sits under it.
    ui->ToolBar->setGeometry(0, 0, ui->TopPanel->width(), ui->ToolBar->sizeHint().height());
    ui->TopPanel->installEventFilter(this);
    ui->DBGrid->installEventFilter(this);
    ui->DBGrid->watchDoubleClicks(this);
    ui->eSearch->installEventFilter(this);
    ui->cbCSearch->installEventFilter(this);
    ui->lbTableList->installEventFilter(this);
    ui->lbTableList->viewport()->installEventFilter(this);

    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    connectHandlers();
    platform::guarded([this] { FormCreate(); });
}

TfmMainForm::~TfmMainForm() = default;

void TfmMainForm::AttachDataModule() {
    ui->DBGrid->setQuery(DM->aqMain);
    ui->cbCSearch->setListSource(DM->aqContacts, QStringLiteral("name"), QStringLiteral("id"));
    FollowCurrentNote();
}

void TfmMainForm::connectHandlers() {
    platform::connectHandler(ui->iExit, &QAction::triggered, this, &TfmMainForm::iExitClick);
    platform::connectHandler(ui->iOCheck, &QAction::triggered, this, &TfmMainForm::iOCheckClick);
    platform::connectHandler(ui->iAbout, &QAction::triggered, this, &TfmMainForm::iAboutClick);
    connectSearchHandlers();
    connectSwitchingHandlers();
    connectDatabaseHandlers();
    connectDebtHandlers();
    connectRecordHandlers();
}

void TfmMainForm::FormCreate() {
    // The columns fit the grid's width, so it never scrolls sideways; a
    // vertical bar shows where a long table is, beside the columns.
    ui->DBGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui->DBGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Closing = false;
    DebtsMode = false;
    TableNames.clear();
    ReadSettings();
    ui->iOCheck->setChecked(CheckOnOpenFlag);
}

bool TfmMainForm::event(QEvent* e) {
    // Every other window is modal, so the main window is activated once,
    // when it is first shown; the handler may open dialogs of its own, so it
    // runs after the activation has been delivered.
    if (e->type() == QEvent::WindowActivate && !m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, [this] { platform::guarded([this] { FormActivate(); }); });
    }
    return QMainWindow::event(e);
}

void TfmMainForm::FormActivate() {
    if (!m_fileToOpen.isEmpty()) { // named on the command line
        OpenDatabaseFile(m_fileToOpen);
        return;
    }
    if (!platform::fileExists(DBPath))
        return;
    const std::optional<Opening> opening = PrepareOpening();
    if (!opening || !CheckBaseVersion(opening->mode))
        return;
    ShowOpenedDatabase(opening->mode);
}

void TfmMainForm::ShowOpenedDatabase(engine::OpenMode mode) {
    if (!AInit(mode))
        return;
    if (CheckOnOpenFlag) {
        tbFDeptsClick(); // shows the grid itself
        return;
    }
    ui->DBGrid->show();
    ui->DBGrid->setFocus();
    FitColumns();
}

void TfmMainForm::ShowTableCaption(const QString& table) {
    setWindowTitle(QStringLiteral("Zandrel - ") + platform::fileNameOf(DBPath) + u'(' + table + u')');
}

bool TfmMainForm::AInit(engine::OpenMode mode) {
    DM->ConnectTo(DBPath, mode);
    // A database of some other program has no contacts table: say so
    // rather than fail on its first table's columns.
    if (!ListHolds(ReadTableNames(), shape::kContactsTable)) {
        DM->ADOConnection->close();
        throw engine::EngineError(QStringLiteral("Файл '") + DBPath
                                  + QStringLiteral("' не является базой данных каталогизатора"));
    }
    const std::optional<Opening> opening = RunOpeningSteps(Stage::Connected, {DBPath, mode});
    if (!opening) {
        DM->ADOConnection->close();
        return false;
    }
    if (opening->mode != mode) // a step would rather only read it
        DM->ConnectTo(DBPath, opening->mode);
    RebuildTableNames();
    if (!DBTable.isEmpty() && !ListHolds(TableNames, DBTable))
        DBTable.clear();
    if (DBTable.isEmpty() && !TableNames.isEmpty())
        DBTable = TableNames.first();
    if (DBTable.isEmpty())
        fmTSForm->exec();
    DM->Reopen(DM->aqMain, {QStringLiteral("SELECT * FROM ") + DBTable});
    DM->aqContacts->open();
    DM->aqMain->sort(QStringLiteral("title ASC"));
    DM->aqContacts->sort(QStringLiteral("name ASC"));
    FitColumns();
    ShowTableCaption(DBTable);
    ui->TopPanel->setFixedHeight(kToolbarOnlyHeight);
    EnableCatalogueCommands(true);
    ui->tbSearch->setChecked(false);
    const bool hasRecords = DM->aqMain->recordCount() > 0;
    for (QAction* a : {ui->iEditRec, ui->iDelRec, ui->tbEditRecord, ui->tbDeleteRecord})
        a->setEnabled(hasRecords);
    RunSteps(Stage::Opened);
    return true;
}

void TfmMainForm::EnableCatalogueCommands(bool enabled) {
    for (QAction* a : findChildren<QAction*>())
        if (a->property("needsCatalogue").toBool())
            a->setEnabled(enabled);
}

void TfmMainForm::FitColumns() {
    const double share = ui->DBGrid->width() - ui->DBGrid->verticalBarWidth() - 2 * kDateColumnWidth;
    // Half-way values go to the even neighbour.
    const int wide = static_cast<int>(std::nearbyint(share * 31.25 / 100));
    const int narrow = static_cast<int>(std::nearbyint(share * 18.75 / 100));
    const int widths[6] = {wide, narrow, kDateColumnWidth, kDateColumnWidth, narrow, wide};
    QHeaderView* titles = ui->DBGrid->horizontalHeader();
    for (int column = 0; column < 6 && column < titles->count(); ++column)
        ui->DBGrid->setColumnWidth(column, widths[column]);
}

void TfmMainForm::FormResize() {
    if (!Closing && DM && DM->aqMain->isOpen())
        FitColumns();
}

void TfmMainForm::EnterNoDatabaseState() {
    ui->TopPanel->setFixedHeight(kToolbarOnlyHeight);
    ui->tbSearch->setChecked(false);
    EnableCatalogueCommands(false);
    setWindowTitle(platform::programTitle());
}

void TfmMainForm::iExitClick() { close(); }

void TfmMainForm::iOCheckClick() { CheckOnOpenFlag = ui->iOCheck->isChecked(); }

void TfmMainForm::iAboutClick() { fmAbout->exec(); }

bool TfmMainForm::FormCloseQuery() {
    return platform::messageBox(QStringLiteral("Вы действительно хотите выйти?"), QStringLiteral("Выход"),
                                platform::Buttons::YesNo, platform::Icon::Question)
           == platform::Answer::Yes;
}

void TfmMainForm::FormClose() {
    Closing = true;
    DM->ADOConnection->close();
    if (ui->DBGrid->isVisibleTo(this)) { // a database was shown
        RunSteps(Stage::BeforeCompaction);
        CompactBase(DBPath, QString(), QString());
        RunSteps(Stage::AfterCompaction);
    }
}

void TfmMainForm::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    platform::guarded([&] { mayClose = FormCloseQuery(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    platform::guarded([this] { FormClose(); });
    event->accept();
}

void TfmMainForm::FormDestroy() {
    WriteSettings();
    TableNames.clear();
}

bool TfmMainForm::IsCommandKey(const QKeyEvent* key) const {
    if (!(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* a : findChildren<QAction*>())
        if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed)
            return true;
    return false;
}

bool TfmMainForm::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ui->TopPanel && e->type() == QEvent::Resize)
        ui->ToolBar->setGeometry(0, 0, ui->TopPanel->width(), ui->ToolBar->sizeHint().height());
    // The window's resize reaches the grid as a change of its width (its
    // layout settles after the window's own event), and so does the vertical
    // scroll bar coming or going; a change of height alone, as when the
    // filter bar opens, keeps the columns the user set.
    if (watched == ui->DBGrid->viewport() && e->type() == QEvent::Resize
        && static_cast<QResizeEvent*>(e)->oldSize().width() != static_cast<QResizeEvent*>(e)->size().width())
        platform::guarded([this] { FormResize(); });
    if (watched == ui->lbTableList->viewport() && e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
        SideListReleased(static_cast<QMouseEvent*>(e)->position().toPoint());
    if (e->type() == QEvent::ShortcutOverride && (watched == ui->eSearch || watched == ui->cbCSearch)) {
        // The window's commands take their keys before the text box, so
        // Ctrl+Z/X/C/V open the filter modes instead of editing the text.
        if (IsCommandKey(static_cast<QKeyEvent*>(e))) {
            e->ignore();
            return true;
        }
    }
    if (const std::optional<QPoint> at = ui->DBGrid->doubleClickAt(watched, e)) {
        platform::guarded([&] { DBGridDblClick(*at); });
        return true;
    }
    if (watched == ui->DBGrid && e->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(e)->isAutoRepeat()) {
        const auto* key = static_cast<QKeyEvent*>(e);
        platform::guarded([&] { DBGridKeyUp(key->key(), key->modifiers()); });
    }
    if (e->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const QChar c = platform::typedCharacter(key);
        bool handled = false;
        if (watched == ui->DBGrid && key->key() == Qt::Key_Delete
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            // The grid's Ctrl+Delete is the delete command itself.
            if (ui->iDelRec->isEnabled())
                platform::guarded([this] { tbDeleteRecordClick(); });
            handled = true;
        } else if (!c.isNull() && watched == ui->DBGrid)
            platform::guarded([&] { handled = DBGridKeyPress(c); });
        else if (!c.isNull() && (watched == ui->eSearch || watched == ui->cbCSearch))
            platform::guarded([&] { handled = SearchInputKeyPress(c); });
        else if (!c.isNull() && watched == ui->lbTableList)
            platform::guarded([&] { handled = lbTableListKeyPress(c); });
        if (handled)
            return true;
    }
    return QMainWindow::eventFilter(watched, e);
}
