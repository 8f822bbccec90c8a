// zandrel-crashhelper COMMAND ROWS FILE: runs one write command of the
// catalogue (the index into writePaths(ROWS)) on FILE, for the crash test to
// kill half-way; COMMAND "import" converts the Access file FILE instead. It
// says "ready" once started, waits for a line on its input, runs the
// command, and prints how long it took in microseconds.
#include "jet/Conversion.h"
#include "tests/support/WritePaths.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: zandrel-crashhelper COMMAND ROWS FILE\n");
        return 2;
    }
    WritePath command = writePaths(std::atoi(argv[2])).value(std::atoi(argv[1]));
    if (QByteArray(argv[1]) == "import")
        command.run = [](const QString& source) {
            const accessimport::Result r =
                accessimport::run(source, accessimport::targetFor(source), [](const auto&) { return true; });
            if (r.outcome != accessimport::Outcome::Done)
                throw std::runtime_error(r.message.toStdString());
        };
    if (!command.run)
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;
    QElapsedTimer timer;
    timer.start();
    try {
        command.run(QString::fromLocal8Bit(argv[3]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(timer.nsecsElapsed() / 1000));
    std::fflush(stdout);
    return 0;
}
