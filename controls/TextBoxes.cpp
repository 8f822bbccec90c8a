#include "controls/TextBoxes.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QValidator>

namespace {

class NulDropping : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override {
        const qsizetype before = input.indexOf(QChar(0));
        if (before >= 0) {
            const qsizetype dropped = input.left(position).count(QChar(0));
            input.remove(QChar(0));
            position -= static_cast<int>(dropped);
        }
        return Acceptable;
    }
};

} // namespace

void DropNulCharacters(QWidget* window) {
    auto* validator = new NulDropping(window);
    for (QLineEdit* box : window->findChildren<QLineEdit*>()) {
        // Date boxes keep their own validation; they take no typed text.
        if (qobject_cast<QAbstractSpinBox*>(box->parentWidget()))
            continue;
        box->setValidator(validator);
    }
}
