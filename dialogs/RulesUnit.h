#pragma once
// «Правила выдачи»: the loan rules of every table and of all of them, for
// each contact group and for every group, one row each, every value
// edited with the keyboard; a line says what the current row means once
// the rules are taken together.
#include "data/LoanRules.h"
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <memory>

namespace Ui {
class TfmRules;
}

class TfmRules;
extern TfmRules* fmRules;

class TfmRules : public ModalForm {
    Q_OBJECT
public:
    explicit TfmRules(QWidget* parent = nullptr);
    ~TfmRules() override;

    // The columns of the table of rules.
    enum Column { cTable, cGroup, cDays, cMost, cScope, cProlongations, cBreach, kColumns };

    // The rules of tables (the item tables, in order) shown to be changed;
    // true when they were saved.
    bool Execute(const QStringList& tables);

    void bbSaveClick();
    void ShowMeaning();

private:
    QList<loanrules::Rule> Rules() const;
    void Fill(const QStringList& tables, const QList<loanrules::Rule>& rules);

    SingleInstance<TfmRules> m_instance{fmRules, this};
    std::unique_ptr<Ui::TfmRules> ui;
};
