#pragma once
// What every modal window of the program does when it opens and closes: it
// takes the activation (also where no window manager hands it over), sits
// centred on its owner when asked to, runs its activation handler, and gives
// the activation back to its owner when it closes. A window restored after
// being minimised is the same opening: nothing is placed or loaded again.
#include <QDialog>
#include <QList>
#include <QPointer>

class ModalForm : public QDialog {
    Q_OBJECT
public:
    enum class Placement { AsDesigned, CentredOnOwner };
    ModalForm(QWidget* parent, Placement placement);

protected:
    // An editor: opened on a catalogue only read, it shows the record to
    // look at, its fields read-only and its writing buttons off.
    void setLooksOnlyWhenReadOnly() { m_looksOnly = true; }
    // The window's FormActivate: once per opening, entered through the guard.
    virtual void Activate() {}
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void done(int result) override;

private:
    void Centre();
    // Centre again once the frame is known, unless the window was moved.
    void CentreAgain(int tries);
    Placement m_placement;
    QPoint m_placedAt;              // where Centre put the window last
    bool m_open = false;            // shown, and not hidden since but by minimising
    QPointer<QWidget> m_handBackTo; // the window active when this one showed
    void LookOnly();
    void EditAgain();
    bool m_looksOnly = false;
    QList<QPointer<QWidget>> m_madeReadOnly, m_madeDisabled, m_madeHidden; // by LookOnly, this opening
    QString m_title;
    bool m_lookingOnly = false; // this opening
};

namespace engine {
class Query;
}

// Shows editor on the pending record of query and posts it on OK. A post the
// engine refuses is shown, and the editor comes back with what was typed,
// until the record is stored or the user cancels; cancelling discards it.
// True when the record was stored.
bool PostThroughEditor(QDialog* editor, engine::Query* query);
