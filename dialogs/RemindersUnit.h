#pragma once
// The reminders' settings: the daily check while the program is closed (on
// or off, its time, the catalogues it looks at, its cadence) and the letters
// to debtors, one of each kind.
// OK sets up or removes the daily run and says which was set up.
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <memory>

class QPlainTextEdit;

namespace Ui {
class TfmReminders;
}

class TfmReminders;
extern TfmReminders* fmReminders;

class TfmReminders : public ModalForm {
    Q_OBJECT
public:
    explicit TfmReminders(QWidget* parent = nullptr);
    ~TfmReminders() override;

    // Shows the settings, current (the open catalogue, may be empty) ticked
    // when nothing was chosen yet.
    void Execute(const QString& current);

    void bbOkClick();
    void bbDefaultLetterClick();

private:
    void EnableSchedule();
    QPlainTextEdit* Letter(int kind) const;

    SingleInstance<TfmReminders> m_instance{fmReminders, this};
    std::unique_ptr<Ui::TfmReminders> ui;
};
