#pragma once
// The backups of the open catalogue: when each was taken, its size, the
// items and contacts it holds, whether it is sound; a sound one is chosen
// for restoring (after a question), the folder opened in the file manager.
#include "backups/Backups.h"
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <memory>

namespace Ui {
class TfmBackups;
}

class TfmBackups;
// The one window of its kind, from its making to its end.
extern TfmBackups* fmBackups;

class TfmBackups : public ModalForm {
    Q_OBJECT
public:
    explicit TfmBackups(QWidget* parent = nullptr);
    ~TfmBackups() override;

    // Lists catalogue's copies; returns the copy to restore, chosen and
    // confirmed, or nothing.
    QString Choose(const QString& catalogue);

    void bbRestoreClick();
    void bbOpenFolderClick();

private:
    void EnableRestore();
    // The copies whose checks ended since, shown with what they hold.
    void ShowCheckedCopies();
    void FitColumns();

    SingleInstance<TfmBackups> m_instance{fmBackups, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TfmBackups> ui;
    QString m_catalogue;
    QList<backups::Copy> m_copies;
    QList<bool> m_intact;
    QString m_chosen;
    backups::BackgroundChecks* m_checks = nullptr; // while the window is open
};
