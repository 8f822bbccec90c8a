#pragma once
// The main window: start-up, settings and closing (Main.cpp, Settings.cpp),
// and the design's commands split by concern into TableSwitching.cpp,
// RecordCommands.cpp, SearchFilters.cpp, DebtTracking.cpp and
// DatabaseCommands.cpp. Features beyond the design wire themselves in
// through MainWindowParts (MainWindowParts.cpp): the window runs their
// steps and knows nothing of any one of them.
#include "dialogs/ContactsUnit.h"
#include "features/Feature.h"
#include "platform/SingleInstance.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>

namespace Ui {
class TfmMainForm;
}
class QMenu;
class QAction;
class QLabel;

// Heights of the top panel: the toolbar alone, and with the search row under it.
inline constexpr int kToolbarOnlyHeight = 32;
inline constexpr int kWithSearchRowHeight = 58;
// The two date columns of the grid; the other four share the rest.
inline constexpr int kDateColumnWidth = 80;

class TfmMainForm;
// The one of its kind, from its making to its end.
extern TfmMainForm* fmMainForm;

class TfmMainForm : public QMainWindow, public ItemView, public MainWindowParts {
    Q_OBJECT
public:
    explicit TfmMainForm(QWidget* parent = nullptr);
    ~TfmMainForm() override;

    // Binds the grid and the debtor box to the data module once it exists.
    void AttachDataModule();
    QMenu* pmMain = nullptr;
    QLabel* StatusPanel = nullptr;

    // Start-up and closing
    void FormCreate();
    void FormActivate();
    // The catalogue DBPath names, opened in mode; false when a feature gave
    // the opening up (nothing shown).
    bool AInit(engine::OpenMode mode);
    void FitColumns();
    void FormResize();
    bool FormCloseQuery();
    void FormClose();
    void FormDestroy();
    void iExitClick();
    void iOCheckClick();
    void iAboutClick();
    // The window's state with no database shown.
    void EnterNoDatabaseState();
    // "Zandrel - " + file name of DBPath + "(" + table + ")"
    void ShowTableCaption(const QString& table);

    // Database commands
    // DBPath for a chosen file: the bare name in the program's own folder.
    static QString ReducedPath(const QString& path);
    void iNewBaseClick();
    void iSelectDBClick();
    // What "Открыть базу данных" does once a file is chosen.
    void OpenDatabaseFile(const QString& path);
    // A file to open at the first activation instead of the remembered one.
    void OpenOnStart(const QString& path) { m_fileToOpen = path; }

    // Search and filters
    void tbSearchClick();
    void tbSBNameClick();
    void tbSBContactClick();
    void sbStartSearchClick();
    void OpenFilterIn(QAction* modeButton);
    bool SearchInputKeyPress(QChar key);

    // Table switching
    void tbSelectTableClick();
    void lbTableListClick();
    bool lbTableListKeyPress(QChar key);
    void CloseTableList();

    // The item view as the contacts window sees it
    void ClearTableList() override;
    void ListTables(const QStringList& tables) override;
    void SetGridShown(bool shown) override;
    void ReloadCurrentTable() override;
    void StretchFirstColumn() override;

    // Record commands
    void tbNewRecordClick();
    void tbEditRecordClick();
    void tbDeleteRecordClick();
    void DBGridDblClick(const QPoint& at);
    bool DBGridKeyPress(QChar key);
    void DBGridTitleClick(int column);
    // The pop-up menu over the data cells of the grid.
    void ShowGridMenu(const QPoint& at);

    // The window as features see it
    QWidget* mainWindow() override { return this; }
    QMenu* menu(const QString& name, const QString& title = {}) override;
    QToolBar* toolBar() override;
    QMenu* gridMenu() override { return pmMain; }
    DataGrid* itemGrid() override;
    QAction* debtSearch() override;
    void addCatalogueCommand(QAction* command, Writes writes) override;
    ShownCatalogue catalogue() override;
    void addOpeningStep(Stage stage, OpeningStep step) override;
    void addStep(Stage stage, std::function<void()> step) override;
    void whileCatalogueAway(const std::function<void()>& change) override;
    void showTable(const QString& table) override;

    // Debt tracking
    void tbContactsClick();
    void iBothClick();
    void iElapseClick();
    void iExpiredClick();
    void tbFDeptsClick();
    void pmMainPopup();
    void DBGridCellClick();
    void Prolong(int days);
    void iClearDeptClick();
    bool DBGridKeyUp(int key, Qt::KeyboardModifiers modifiers);
    // How a cell of the grid is painted: by the debt state of its row.
    CellStyle DBGridDrawColumnCell(int row, int column, bool selected) const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectHandlers();
    void connectSearchHandlers();
    void connectSwitchingHandlers();
    void connectDatabaseHandlers();
    void connectDebtHandlers();
    void connectRecordHandlers();
    // The commands live only while a catalogue is shown (the property
    // needsCatalogue), all on or all off.
    void EnableCatalogueCommands(bool enabled);
    // The features' opening steps of stage, each given what the one before
    // returned; none when one of them gave the opening up.
    std::optional<Opening> RunOpeningSteps(Stage stage, Opening opening);
    void RunSteps(Stage stage);
    std::map<Stage, std::vector<OpeningStep>> m_openingSteps;
    std::map<Stage, std::vector<std::function<void()>>> m_steps;
    // The item editor on the pending record of aqMain, posted on Save.
    bool EditItem();
    // Edit the current item, or add one when the view is empty.
    void AddOrEditItem();
    void SetEditAndDeleteEnabled(bool enabled);
    // One of the three debt filters: on with its condition, or off again.
    void DebtFilterClick(QAction* filter, const QString& condition);
    QAction* m_debtFilter = nullptr; // the filter whose mark is set
    void ShowCurrentNote();
    void FollowCurrentNote();
    // reason: why the item changed, told to whoever follows changes.
    void PostCurrentItem(const std::function<void()>& change, int reason);
    // After a stored edit or a delete during the side-list view: the
    // selected entry shown again, dropped when it has no rows left.
    void RefreshSideList();
    // What a side-list entry shows: its table restricted to debts due by
    // tomorrow or to the debtor of DebtorFilter.
    static QString SideListStatement(const QString& table);
    // The features' steps before a file is opened, DBPath pointed at the
    // file they settle on; none when one of them gave the opening up.
    std::optional<Opening> PrepareOpening();
    // AInit on the file just opened, then the grid shown: the one ending of
    // every command that opens a database.
    void ShowOpenedDatabase(engine::OpenMode mode);
    void EnableDeleteByCount();
    // The side list's selection moved: by keyboard it shows the entry at
    // once, by mouse when the button is released.
    void SideListMoved();
    // A mouse click on the side list, or a drag that moved its selection.
    void SideListReleased(const QPoint& at);
    bool m_sideListMovedByMouse = false;
    // The current table is reloaded once the item editor holding a record
    // of it has closed.
    bool m_reloadAfterEditor = false;
    // Whether a key would fire an enabled command of this window.
    bool IsCommandKey(const QKeyEvent* key) const;

    SingleInstance<TfmMainForm> m_instance{fmMainForm, this};
    std::unique_ptr<Ui::TfmMainForm> ui;
    bool m_activated = false;
    QString m_fileToOpen;
};
