#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace platform {

enum class Buttons { Ok, YesNo };
enum class Icon { None, Information, Question, Warning, Error };
enum class Answer { Ok, Yes, No };

// What a box shows. text is already converted by messageText(), i.e. exactly
// what the user reads.
struct MessageRecord {
    QString text;
    QString caption;
    Buttons buttons;
    Icon icon;
};

// Message texts use "\r" as the line break; "\r\n" counts as one break.
QString messageText(const QString& text);

// Shows a modal message box. Returns Yes/No for YesNo (closing the box = No),
// Ok for Ok.
Answer messageBox(const QString& text, const QString& caption, Buttons buttons, Icon icon);

// The real box, whatever handler is set: tests answer it by keys and clicks.
Answer showMessageBoxWindow(const MessageRecord& record);

// Tests replace the real box. Pass an empty function to restore it.
using MessageBoxHandler = std::function<Answer(const MessageRecord&)>;
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler); // returns the handler it replaces

// The general error display: caption "Zandrel", error icon, OK. A full stop is
// added when the last character sorts after "." so sentences end properly
// while texts already ending in punctuation such as "!" or ")" stay as they are.
void showError(const QString& text);

// Plain message with OK and no icon, captioned with the application's display
// name when the program set one, otherwise "Zandrel".
void showPlainMessage(const QString& text);

// Shows a generic error for an exception that carries no text.
void showUnknownError();

// Runs f. Every event handler of the program is entered through this, so no
// exception crosses Qt's event loop: a std::exception is shown with showError,
// anything else with showUnknownError. Returns true when f ran without an
// exception.
// What a handler throws when the user declined a question it asked: it
// ends the command, and guarded shows nothing for it.
struct Declined {};

template <class F> bool guarded(F&& f) {
    try {
        std::forward<F>(f)();
        return true;
    } catch (const Declined&) {
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    } catch (...) {
        showUnknownError();
    }
    return false;
}

// Connects signal of sender to handler, entered through guarded: a member
// function of receiver taking no arguments (the signal's are not passed), or
// any callable that takes none, run while receiver lives.
template <class Sender, class Signal, class Receiver, class Handler>
QMetaObject::Connection connectHandler(Sender* sender, Signal signal, Receiver* receiver, Handler handler) {
    return QObject::connect(sender, signal, receiver, [receiver, handler] {
        guarded([&] {
            if constexpr (std::is_member_function_pointer_v<Handler>)
                (receiver->*handler)();
            else
                handler();
        });
    });
}

} // namespace platform
