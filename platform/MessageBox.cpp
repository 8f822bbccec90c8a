#include "platform/MessageBox.h"
#include "platform/Version.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace platform {

namespace {

const QString programName = programTitle();

MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::None: return QMessageBox::NoIcon;
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Answer showMessageBoxWindow(const MessageRecord& record) {
    // Without a widget application (command-line tools) there is nobody to
    // click; say it on stderr and take the cautious answer.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", record.caption.toLocal8Bit().constData(),
                     record.text.toLocal8Bit().constData());
        return record.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }

    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox box(qtIcon(record.icon), record.caption, record.text, QMessageBox::NoButton, parent);
    // Texts carry titles, names and paths as the user typed them: "<b>"
    // in a title is no markup.
    box.setTextFormat(Qt::PlainText);
    if (record.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    box.exec();
    if (record.buttons == Buttons::Ok)
        return Answer::Ok;
    return box.standardButton(box.clickedButton()) == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString messageText(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

Answer messageBox(const QString& text, const QString& caption, Buttons buttons, Icon icon) {
    const MessageRecord record{messageText(text), caption, buttons, icon};
    if (handler())
        return handler()(record);
    return showMessageBoxWindow(record);
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    MessageBoxHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}

void showError(const QString& text) {
    QString shown = text;
    if (!shown.isEmpty() && shown.back().unicode() > u'.')
        shown += QLatin1Char('.');
    messageBox(shown, programName, Buttons::Ok, Icon::Error);
}

void showUnknownError() { showError(QStringLiteral("Непредвиденная ошибка")); }

void showPlainMessage(const QString& text) {
    // Qt falls back to the executable's name when no display name was set;
    // that name is no title for a box.
    QString caption = QGuiApplication::applicationDisplayName();
    const QString executableName =
        QCoreApplication::instance() ? QFileInfo(QCoreApplication::arguments().value(0)).fileName() : QString();
    if (caption.isEmpty() || caption == executableName)
        caption = programName;
    messageBox(text, caption, Buttons::Ok, Icon::None);
}

} // namespace platform
