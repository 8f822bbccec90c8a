#include "app/Program.h"
#include "platform/Files.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // --help and --version answer before any window system is needed, so
    // they work without a display too.
    const QString file = Program::ParseCommandLine(platform::commandLine(argc, argv));
    QApplication app(argc, argv);
    Program::PrepareApplication();
    Program program;
    if (!file.isEmpty())
        program.openOnStart(file);
    program.show();
    return app.exec();
}
