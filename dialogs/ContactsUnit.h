#pragma once
// The contacts window: every contact of the open database, added and
// changed through the contact editor, sorted into reliability groups that
// colour their rows, and deleted only when no item table holds an item of
// theirs. A refused deletion hands the main window that contact's tables.
#include "controls/DataGrid.h"
#include "dialogs/ModalForm.h"
#include "history/LoanHistory.h"
#include "platform/SingleInstance.h"

#include <QStringList>
#include <memory>

namespace Ui {
class TcEditForm;
}
class QLabel;
class QMenu;

// What the contacts window does to the main window's item view; the main
// window gives it this, so the window never reaches into the main window.
class ItemView {
public:
    virtual ~ItemView() = default;
    // The side list's entries removed.
    virtual void ClearTableList() = 0;
    // The side list shown and enabled with these tables, the first selected
    // as a program step (nothing is shown by the selection itself).
    virtual void ListTables(const QStringList& tables) = 0;
    virtual void SetGridShown(bool shown) = 0;
    // aqMain := the whole current table, now or, while an editor holds a
    // record of it, once that editor has closed.
    virtual void ReloadCurrentTable() = 0;
    // The main grid's first column stretched to fill the grid.
    virtual void StretchFirstColumn() = 0;
};

// Hides the item view's grid while the item tables are searched, and shows
// it again however the search ends: a hidden grid means "no database shown".
class GridHiddenWhileSearching {
public:
    explicit GridHiddenWhileSearching(ItemView* items) : m_items(items) { m_items->SetGridShown(false); }
    ~GridHiddenWhileSearching() { m_items->SetGridShown(true); }
    GridHiddenWhileSearching(const GridHiddenWhileSearching&) = delete;
    GridHiddenWhileSearching& operator=(const GridHiddenWhileSearching&) = delete;

private:
    ItemView* m_items;
};

class TcEditForm;
// The one window of its kind, from its making to its end.
extern TcEditForm* cEditForm;

class TcEditForm : public ModalForm {
    Q_OBJECT
public:
    TcEditForm(QWidget* parent, ItemView* items);
    ~TcEditForm() override;

    // The reliability groups: Null general, 0 trusted, 1 black list.
    static CellStyle GroupStyle(const QVariant& reliability, bool selected);

    void FormActivate();
    void FormResize();
    void tbAddClick();
    void tbEditClick();
    void tbDeleteClick();
    void DBGridDblClick(const QPoint& at);
    bool DBGridKeyPress(QChar key);
    bool DBGridKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void pmContactsPopup();
    void iNoneClick();
    void iWhiteClick();
    void iBlackClick();
    CellStyle DBGridDrawColumnCell(int row, int column, bool selected) const;

    // The loan history: each contact's figures in columns after the four,
    // the current contact's loans, a hint about a doubtful contact.
    void ShowLoanFigures();
    void tbContactHistoryClick();
    // A polite reminder of what the contact has, copied for a message.
    void tbReminderClick();
    // The contact's letter printed (pdf false) or saved as PDF.
    void iLetterClick(bool pdf);
    void ShowDoubtfulHint();

protected:
    void Activate() override { FormActivate(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Add when the contacts table is empty, else change the current contact.
    void AddOrChange();
    void SetGroup(const QVariant& reliability);
    void EnableEditAndDeleteByCount();
    // The item tables that hold an item of the contact with this id. The
    // search leaves aqMain alone, so an item editor holding a record keeps it.
    QStringList TablesWithItemsOf(const QString& id);
    void ShowGroupMenu(const QPoint& at);

    void connectHistoryHandlers();
    loanhistory::ContactFigures FiguresOfRow(int row) const;
    // The figures of rows, read from the history once and kept.
    void WorkOutFigures(const QList<int>& rows);
    void WorkOutFiguresInView();
    // The five figure columns added, or taken away when nothing was ever lent.
    void ShowFigureColumns();
    bool m_showingFigures = false;
    // What m_figures were worked out from: the history up to an event, on a
    // day, of a file.
    qint64 m_figuresUpTo = -1;
    double m_figuresOn = 0;
    QString m_figuresOf;

    SingleInstance<TcEditForm> m_instance{cEditForm, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TcEditForm> ui;
    QLabel* m_hint; // about a doubtful contact, in the status bar
    QHash<qint64, loanhistory::ContactFigures> m_figures;
    ItemView* m_items;
    QMenu* pmContacts;
};
