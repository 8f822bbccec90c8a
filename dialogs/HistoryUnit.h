#pragma once
// The loan history of one item, or of one contact with their figures: a
// read-only list of loans (debtor or item, issued, due, returned or written
// off, days late), built from the events of _loans.
#include "dialogs/ModalForm.h"
#include "history/LoanHistory.h"
#include "platform/SingleInstance.h"

#include <memory>

namespace Ui {
class TfmHistory;
}

class TfmHistory;
// The one window of its kind, from its making to its end.
extern TfmHistory* fmHistory;

class TfmHistory : public ModalForm {
    Q_OBJECT
public:
    explicit TfmHistory(QWidget* parent = nullptr);
    ~TfmHistory() override;

    // Shows the loans of the item id of table, titled by title.
    void ShowItem(const QString& table, qint64 id, const QString& title);
    // Shows the loans of the contact id, named name, with their figures.
    void ShowContact(qint64 id, const QString& name);

    // What the window shows, a row per loan, cells as the user reads them.
    QStringList Rows() const;

private:
    void Fill(const QList<shape::Loan>& loans, bool perItem);

    SingleInstance<TfmHistory> m_instance{fmHistory, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TfmHistory> ui;
};

// "На руках: 2 (просрочено 1). Возвращено: 5 (с опозданием 2). Списано: 1."
QString FiguresText(const loanhistory::ContactFigures& figures);
