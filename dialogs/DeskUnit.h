#pragma once
// «Выдача и возврат»: the lending desk. One field «Код» takes a scanned or
// typed code (Enter or Tab ends it): an item on hand is lent to the person
// given next, an item out is returned, a contact's code lends the items
// scanned after it to that contact until Escape, an unknown code offers a
// new record. Each action is listed, newest first; Ctrl+Z undoes the last.
#include "desk/Desk.h"
#include "dialogs/ModalForm.h"
#include "platform/SingleInstance.h"

#include <functional>
#include <memory>

namespace Ui {
class TfmDesk;
}

class TfmDesk;
extern TfmDesk* fmDesk;

class TfmDesk : public ModalForm {
    Q_OBJECT
public:
    explicit TfmDesk(QWidget* parent = nullptr);
    ~TfmDesk() override;

    // What the desk asks of the main window: a new item in the shown table
    // through the item editor (its id, or -1 when none was saved), and the
    // grid read again after a change in table.
    struct Window {
        std::function<qint64()> newItem;
        std::function<void(const QString& table)> changed;
        QString shownTable;
    };
    void Execute(const Window& window);

    void CodeEntered();
    void WhomEntered();
    void bNewRecordClick();
    void UndoLast();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    enum class Mode { Idle, AwaitingWhom, ForContact, Unknown };
    void Enter(Mode mode);
    void Lend(const codes::Holder& item, qint64 contact);
    void Return(const desk::Scanned& scanned);
    void Record(const desk::Action& action);
    // The contact the «Кому?» field names: by code, else by name; -1: none.
    qint64 ContactNamed(const QString& typed);
    void ShowHeld();
    void Say(const QString& message);
    desk::Settings CurrentSettings() const;

    Window m_window;
    Mode m_mode = Mode::Idle;
    desk::Scanned m_pending; // the item awaiting its person, the unknown code
    qint64 m_contact = -1;   // ForContact: the one lent to
    QList<desk::Action> m_done;
    SingleInstance<TfmDesk> m_instance{fmDesk, this};
    std::unique_ptr<Ui::TfmDesk> ui;
};
