#include "app/Program.h"
#include "platform/Files.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // --help and --version answer before any window system is needed, so
    // they work without a display too.
    const Program::StartRequest request = Program::ParseCommandLine(platform::commandLine(argc, argv));
    if (request.exitStatus)
        return *request.exitStatus;
    QApplication app(argc, argv);
    Program::PrepareApplication();
    Program program;
    if (!request.file.isEmpty())
        program.openOnStart(request.file);
    program.show();
    return app.exec();
}
