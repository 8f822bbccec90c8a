#include "dialogs/ModalForm.h"

#include "engine/Query.h"

#include "platform/MessageBox.h"
#include <QApplication>
#include <QHideEvent>
#include <QShowEvent>

ModalForm::ModalForm(QWidget* parent, Placement placement) : QDialog(parent), m_placement(placement) {}

void ModalForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Restoring a minimised window shows it again (a spontaneous show event):
    // what the user typed and where the window sits must stay.
    if (m_open)
        return;
    m_open = true;
    if (m_placement == Placement::CentredOnOwner && parentWidget()) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        const QRect outer = frameGeometry(); // the frame too, once a window manager has framed it
        move(owner.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
    m_handBackTo = QApplication::activeWindow();
    if (!m_handBackTo && parentWidget())
        m_handBackTo = parentWidget()->window();
    activateWindow();
    platform::guarded([this] { Activate(); });
}

void ModalForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) // closed or hidden by the program, not minimised
        m_open = false;
}

void ModalForm::done(int result) {
    QDialog::done(result);
    if (m_handBackTo && m_handBackTo != this)
        m_handBackTo->activateWindow();
}

bool PostThroughEditor(QDialog* editor, engine::Query* query) {
    while (editor->exec() == QDialog::Accepted)
        if (platform::guarded([query] { query->post(); }))
            return true;
    query->cancel();
    return false;
}
