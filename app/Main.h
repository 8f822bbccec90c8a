#pragma once
// The main window: start-up and settings, the opening sequence AInit, the
// grid's column fitting, closing; and the commands split by concern into
// SearchFilters.cpp, TableSwitching.cpp and DatabaseCommands.cpp.
#include "dialogs/ContactsUnit.h"

#include <QMainWindow>
#include <functional>
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

class TfmMainForm : public QMainWindow, public ItemView {
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
    void AInit();
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
    // A catalogue kept in an Access file named by DBPath: asks to convert
    // it, converts it, and points DBPath at the result. True when DBPath
    // names a file to open now (also when it was no Access file at all).
    bool BringInAccessFile();
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

    // Loan history
    void iHistoryClick();

    // Backups
    void iBackupsClick();
    // At exit, before the compaction: a copy when the catalogue changed.
    // A failure is told once (not at every exit) and the exit goes on.
    // True when the copies hold the catalogue as it stands.
    bool BackUpAtExit();
    // The catalogue shown again from a copy, written back in place.
    void RestoreCopy(const QString& copy);

    // Reports: what leaves the program
    void iDebtReportClick();
    void iDebtReportPdfClick();
    void iCalendarClick();
    void iExportTableClick();

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
    void connectHistoryHandlers();
    void connectReportHandlers();
    void connectBackupHandlers();
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
    void PostCurrentItem(const std::function<void()>& change);
    // After a stored edit or a delete during the side-list view: the
    // selected entry shown again, dropped when it has no rows left.
    void RefreshSideList();
    // What a side-list entry shows: its table restricted to debts due by
    // tomorrow or to the debtor of DebtorFilter.
    static QString SideListStatement(const QString& table);
    // AInit on the file just opened, then the grid shown: the one ending of
    // every command that opens a database.
    void ShowOpenedDatabase();
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

    std::unique_ptr<Ui::TfmMainForm> ui;
    bool m_activated = false;
    QString m_fileToOpen;
};

extern TfmMainForm* fmMainForm;
