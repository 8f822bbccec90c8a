#include "bench/Window.h"

#include "app/Main.h"
#include "app/Program.h"
#include "data/DBMUnit.h"
#include "platform/Files.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <stdexcept>

namespace bench {

Comparison debtSearchInTheWindow(const QString& path, const Comparison& plainDebts, int runs) {
    // The program keeps its settings in a folder of its own here, and its
    // data module stands in for the benchmark's while it lives.
    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("Zandrel.ini")));
    if (!folder.isValid() || !settings.open(QIODevice::WriteOnly))
        throw std::runtime_error("no folder for the program's settings");
    settings.write(("[Options]\nDefaultBase=" + path + "\nDefaultTable=T001\n").toUtf8());
    settings.close();
    platform::overrideProgramFolder(folder.path());
    TDM* const benchModule = DM;
    DM = nullptr;

    Comparison c;
    c.name = QStringLiteral("debts-window");
    c.sqliteMs = plainDebts.sqliteMs;
    c.sqliteRows = plainDebts.sqliteRows;
    {
        Program program;
        program.show();
        QElapsedTimer opening;
        opening.start();
        while (!DM->aqMain->isOpen() && opening.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!DM->aqMain->isOpen())
            throw std::runtime_error("the program did not open " + path.toStdString());
        for (int r = 0; r < runs; ++r) {
            QElapsedTimer timer;
            timer.start();
            program.mainForm()->tbFDeptsClick();
            c.oursMs.push_back(double(timer.nsecsElapsed()) / 1e6);
            c.oursRows = DM->aqMain->recordCount(); // the first listed table's due items
        }
    }
    DM = benchModule;
    platform::overrideProgramFolder(QString());
    return c;
}

} // namespace bench
