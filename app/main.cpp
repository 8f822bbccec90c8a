#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // --help and --version answer before any window system is needed, so
    // they work without a display too.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString file = Program::ParseCommandLine(arguments);
    QApplication app(argc, argv);
    Program::PrepareApplication();
    Program program;
    if (!file.isEmpty())
        program.openOnStart(file);
    program.show();
    return app.exec();
}
