#include "dialogs/ModalForm.h"

#include "controls/Writers.h"
#include "engine/Query.h"

#include "platform/MessageBox.h"
#include "platform/WindowFrame.h"
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHideEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

ModalForm::ModalForm(QWidget* parent, Placement placement) : QDialog(parent), m_placement(placement) {
    if (placement == Placement::CentredOnOwner)
        // Centred again once the frame is known, unless moved meanwhile.
        platform::followFrame(this, [this](QSize) { CentreAgain(10); });
}

namespace {

// A window with its frame, as far as the window manager has told it.
QRect outerRect(const QWidget* window) {
    const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
    return window->geometry().marginsAdded(frame);
}

} // namespace

void ModalForm::CentreAgain(int tries) {
    // The client area where Centre put it, or pushed aside by the frame as
    // some managers do: not moved by the user. While the manager reframes
    // the window, Qt may for a moment know another place: looked at again.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QPoint at = geometry().topLeft();
    if (at == m_placedAt || at == m_placedAt + QPoint(frame.left(), frame.top()))
        Centre();
    else if (tries > 1)
        QTimer::singleShot(25, this, [this, tries] { CentreAgain(tries - 1); });
}

void ModalForm::Centre() {
    if (!parentWidget())
        return;
    const QRect owner = outerRect(parentWidget()->window());
    const QRect outer = outerRect(this);
    // The client area is placed: a window's frame position means different
    // things before and after a window manager has framed it.
    const QPoint frameAt = owner.center() - QPoint(outer.width() / 2, outer.height() / 2);
    setGeometry(QRect(frameAt + (geometry().topLeft() - outer.topLeft()), size()));
    m_placedAt = geometry().topLeft();
}

void ModalForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Restoring a minimised window shows it again (a spontaneous show event):
    // what the user typed and where the window sits must stay.
    if (m_open)
        return;
    m_open = true;
    if (m_placement == Placement::CentredOnOwner)
        Centre();
    m_handBackTo = QApplication::activeWindow();
    if (!m_handBackTo && parentWidget())
        m_handBackTo = parentWidget()->window();
    activateWindow();
    platform::guarded([this] { Activate(); });
    if (m_looksOnly && writers::readOnly())
        LookOnly();
}

void ModalForm::LookOnly() {
    m_lookingOnly = true;
    m_title = windowTitle();
    setWindowTitle(m_title + QStringLiteral(" (только чтение)"));
    for (QWidget* w : findChildren<QWidget*>()) {
        // A date picker's or a list box's own line goes with its owner.
        auto* line = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget())
                         ? nullptr
                         : qobject_cast<QLineEdit*>(w);
        auto* spin = qobject_cast<QAbstractSpinBox*>(w);
        if ((line && !line->isReadOnly()) || (spin && !spin->isReadOnly())) {
            line ? line->setReadOnly(true) : spin->setReadOnly(true);
            m_madeReadOnly << w;
        } else if (writers::declared(w) && w->isVisibleTo(this)) {
            w->hide(); // «Сохранить»: nothing to save
            m_madeHidden << w;
        } else if ((qobject_cast<QCheckBox*>(w) || qobject_cast<QComboBox*>(w)) && w->isEnabled()) {
            w->setEnabled(false);
            m_madeDisabled << w;
        }
    }
}

void ModalForm::EditAgain() {
    for (const QPointer<QWidget>& w : std::as_const(m_madeReadOnly))
        if (auto* line = qobject_cast<QLineEdit*>(w))
            line->setReadOnly(false);
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w))
            spin->setReadOnly(false);
    for (const QPointer<QWidget>& w : std::as_const(m_madeDisabled))
        if (w)
            w->setEnabled(true);
    for (const QPointer<QWidget>& w : std::as_const(m_madeHidden))
        if (w)
            w->show();
    if (m_lookingOnly)
        setWindowTitle(m_title);
    m_lookingOnly = false;
    m_madeReadOnly.clear();
    m_madeDisabled.clear();
    m_madeHidden.clear();
}

void ModalForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) { // closed or hidden by the program, not minimised
        m_open = false;
        EditAgain();
    }
}

void ModalForm::done(int result) {
    QDialog::done(result);
    if (m_handBackTo && m_handBackTo != this)
        m_handBackTo->activateWindow();
}

bool PostThroughEditor(QDialog* editor, engine::Query* query) {
    if (writers::readOnly()) { // looked at only
        editor->exec();
        query->cancel();
        return false;
    }
    while (editor->exec() == QDialog::Accepted)
        if (platform::guarded([query] { query->post(); }))
            return true;
    query->cancel();
    return false;
}
