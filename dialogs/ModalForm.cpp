#include "dialogs/ModalForm.h"

#include "engine/Query.h"

#include "platform/MessageBox.h"
#include <QApplication>

ModalForm::ModalForm(QWidget* parent, Placement placement) : QDialog(parent), m_placement(placement) {}

void ModalForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_placement == Placement::CentredOnOwner && parentWidget()) {
        const QRect owner = parentWidget()->window()->frameGeometry();
        move(owner.center() - rect().center());
    }
    m_handBackTo = QApplication::activeWindow();
    if (!m_handBackTo && parentWidget())
        m_handBackTo = parentWidget()->window();
    activateWindow();
    platform::guarded([this] { Activate(); });
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
