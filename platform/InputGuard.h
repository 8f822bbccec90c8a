#pragma once
// While a long command keeps events flowing (for its progress window), the
// user's input reaches only that window: keys, clicks, menus and the close
// box of every other window wait for nothing and do nothing.
#include <QObject>
#include <QPointer>

class QWidget;

namespace platform {

class InputOnlyFor : public QObject {
public:
    // allowed may be shown later; until then no window takes input.
    explicit InputOnlyFor(QWidget* allowed);
    ~InputOnlyFor() override;
    InputOnlyFor(const InputOnlyFor&) = delete;
    InputOnlyFor& operator=(const InputOnlyFor&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_allowed;
};

} // namespace platform
