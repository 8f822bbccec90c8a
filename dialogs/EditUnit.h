#pragma once
// The item editor: title, kind, debtor, issue and return dates and note of
// the current record of aqMain, which the caller has put into insert or
// edit state. Save writes the controls into the record and closes with OK;
// the caller posts. The window keeps its control states between openings:
// activation sets values, and each tick box's handler runs only when its
// state changes, so what a handler enables depends on the last opening.
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <QVariant>

#include <memory>

namespace Ui {
class TmEditForm;
}

// Lending to contact: a contact on the black list is asked about first
// («Всё равно выдать?»); true to go on.
bool MayLendToContact(qint64 contact);

class TmEditForm;
// The one window of its kind, from its making to its end.
extern TmEditForm* mEditForm;

class TmEditForm : public ModalForm {
    Q_OBJECT
public:
    explicit TmEditForm(QWidget* parent = nullptr);
    ~TmEditForm() override;

    void FormActivate();
    void bbSaveClick();
    void bbCancelClick();
    void TitleEditChange();
    void cbIssueClick();
    void cbReturnClick();
    void cbContactClick();
    void cbDescriptionClick();
    void lcbContactClick();
    void IssuePickerChange();
    void ReturnPickerChange();
    void bCEditClick();

protected:
    void Activate() override { FormActivate(); }

private:
    // Save is enabled exactly when the title is not empty and either no loan
    // is recorded, or a debtor is chosen and the return date is not before
    // the issue date.
    void SaveCheck();
    // The date boxes and pickers as the debtor box and the debtor leave them.
    void EnableDates();
    bool DebtorChosen() const;
    // Lending to a contact on the black list is asked about first.
    bool MayLendTo(const QVariant& debtor) const;
    QVariant m_debtorAtOpening; // who had the item when the editor opened
    // With loan rules, a debtor chosen and the due date ticked: the due date
    // is the issue date plus the loan period of the item's table and the
    // debtor's group, still to be changed by hand.
    void DueByRule();
    bool m_activating = false; // the loaded values are not the user's choice

    SingleInstance<TmEditForm> m_instance{mEditForm, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TmEditForm> ui;
};
