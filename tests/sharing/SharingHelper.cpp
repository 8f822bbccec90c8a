// zandrel-sharinghelper FILE: the whole program on FILE, for the test of two
// programs started at one moment (copied as "zandrel", so that the other
// program counts its note as a live one). Started, it says "ready", waits
// for a line, then opens FILE as «Открыть базу данных» does; prints every
// message box ("box: <text>") and answers No (Yes to
// «Выход»); once the opening has ended it prints "writing", "reading" or
// "left", then waits for a line and ends as «Выход» does.
#include "app/Main.h"
#include "app/Program.h"
#include "data/ProgramState.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    int asked = 0;
    platform::setMessageBoxHandler([&](const platform::MessageRecord& box) {
        say(QStringLiteral("box: ") + QString(box.text).replace(u'\n', u' '));
        if (box.caption == u"Выход")
            return platform::Answer::Yes;
        ++asked;
        return box.buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
    });
    // Everything made and shown before the signal: the two openings then
    // start within a moment of each other.
    auto program = std::make_unique<Program>();
    program->show();
    QElapsedTimer started;
    started.start();
    while (!program->mainForm()->isActiveWindow() && !started.hasExpired(5000))
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    for (int i = 0; i < 5; ++i) // its first activation's work done
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    platform::setFileDialogHandler([&](const platform::FileDialogRequest&) { return QString::fromLocal8Bit(argv[1]); });
    say(QStringLiteral("ready"));
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 2;
    program->mainForm()->findChild<QAction*>(QStringLiteral("iSelectDB"))->trigger();
    // The opening ends with the catalogue shown, or with both questions answered No.
    QElapsedTimer clock;
    clock.start();
    while (program->mainForm()->windowTitle() == u"Zandrel" && asked < 2 && !clock.hasExpired(20000))
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    const QString title = program->mainForm()->windowTitle();
    say(title == u"Zandrel"                           ? QStringLiteral("left")
        : program->mainForm()->catalogue().readOnly() ? QStringLiteral("reading")
                                                      : QStringLiteral("writing"));
    if (!std::fgets(line, sizeof line, stdin))
        return 0;
    program->mainForm()->findChild<QAction*>(QStringLiteral("iExit"))->trigger();
    program.reset();
    return 0;
}
