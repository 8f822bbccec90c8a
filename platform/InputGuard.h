#pragma once
// While a long command keeps events flowing (for its progress window), the
// user's input reaches only that window, and any window the command itself
// opens meanwhile (a message it shows): keys, clicks, menus and the close
// box of every window open before it wait for nothing and do nothing.
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class QProgressDialog;
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
    QList<QPointer<QWidget>> m_before; // the windows open when the command began
};

// A long command's progress window over parent: from 0 to 1000, with
// «Отмена», shown once the command has taken half a second, kept at its end
// until the command closes it.
std::unique_ptr<QProgressDialog> progressWindow(QWidget* parent, const QString& objectName, const QString& title,
                                                const QString& text);

// The pointer shows the wait while a command works without a progress
// window (reading a large file, say).
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace platform
