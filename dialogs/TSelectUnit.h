#pragma once
// The table manager: pick the item table to work with, create, rename or
// remove one. Hands back DBTable and its modal result.
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"
#include <memory>

namespace Ui {
class TfmTSForm;
}
class QToolButton;

class TfmTSForm;
// The one window of its kind, from its making to its end.
extern TfmTSForm* fmTSForm;

class TfmTSForm : public ModalForm {
    Q_OBJECT
public:
    enum ModalResult { mrOk = 1, mrCancel = 2 };

    explicit TfmTSForm(QWidget* parent = nullptr);
    ~TfmTSForm() override;

    // Whether name may become a table name: letters A-z and А-я (no Ё/ё),
    // digits and "_".
    static bool NameCharactersAllowed(const QString& name);

    void FormActivate();
    void lbTableSelectDblClick();
    bool lbTableSelectKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void bbOpenClick();
    void bbCancelClick();
    void tbAddTableClick();
    void tbRenTableClick();
    void tbRemoveTableClick();
    void SpeedButton1Click();
    bool eNTNameKeyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void Activate() override { FormActivate(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QString selectedName() const;
    void setNamePanelShown(bool shown);
    // The create and rename toggles: at most one pressed, the name panel
    // shown while one is.
    void ModeToggled(QToolButton* mode, QToolButton* other);

    SingleInstance<TfmTSForm> m_instance{fmTSForm, this}; // before the controls: the name is there while they are
    std::unique_ptr<Ui::TfmTSForm> ui;
};
