#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString file = Program::ParseCommandLine(QApplication::arguments());
    Program::PrepareApplication();
    Program program;
    if (!file.isEmpty())
        program.openOnStart(file);
    program.show();
    return app.exec();
}
