#pragma once
// The contact editor: name, phone, address and birthday of the current
// record of aqContacts, which the caller has put into insert or edit state.
// Save writes the boxes into the record and closes with OK; the caller posts.
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <memory>

namespace Ui {
class TfmCEdit;
}

class TfmCEdit;
// The one window of its kind, from its making to its end.
extern TfmCEdit* fmCEdit;

class TfmCEdit : public ModalForm {
    Q_OBJECT
public:
    explicit TfmCEdit(QWidget* parent = nullptr);
    ~TfmCEdit() override;

    void FormActivate();
    void eNameChange();
    void cbBirthdayClick();
    void bbSaveClick();

protected:
    void Activate() override { FormActivate(); }

private:
    SingleInstance<TfmCEdit> m_instance{fmCEdit, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TfmCEdit> ui;
};
