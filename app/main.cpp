#include "app/Program.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    Program::PrepareApplication();
    Program program;
    program.show();
    return app.exec();
}
