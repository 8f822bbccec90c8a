#include "bench/Window.h"

#include "bench/Baseline.h"

#include "app/Main.h"
#include "app/Program.h"
#include "data/DBMUnit.h"
#include "dialogs/ContactsUnit.h"
#include "platform/Files.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace bench {

namespace {

// The whole program on the file, its settings in a folder of its own and its
// data module standing in for the benchmark's while it lives; work runs once
// the file is open.
void withTheProgram(const QString& path, const std::function<void(Program&)>& work) {
    QTemporaryDir folder;
    QFile settings(folder.filePath(QStringLiteral("Zandrel.ini")));
    if (!folder.isValid() || !settings.open(QIODevice::WriteOnly))
        throw std::runtime_error("no folder for the program's settings");
    settings.write(("[Options]\nDefaultBase=" + path + "\nDefaultTable=T001\n").toUtf8());
    settings.close();
    platform::overrideProgramFolder(folder.path());
    TDM* const benchModule = DM;
    DM = nullptr;
    {
        Program program;
        program.show();
        QElapsedTimer opening;
        opening.start();
        while (!DM->aqMain->isOpen() && opening.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!DM->aqMain->isOpen())
            throw std::runtime_error("the program did not open " + path.toStdString());
        work(program);
    }
    DM = benchModule;
    platform::overrideProgramFolder(QString());
}

double elapsedMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

Comparison debtSearchInTheWindow(const QString& path, const Comparison& plainDebts, int runs) {
    Comparison c;
    c.name = QStringLiteral("debts-window");
    c.sqliteMs = plainDebts.sqliteMs;
    c.sqliteRows = plainDebts.sqliteRows;
    withTheProgram(path, [&](Program& program) {
        for (int r = 0; r < runs; ++r) {
            c.oursMs.push_back(elapsedMs([&] { program.mainForm()->tbFDeptsClick(); }));
            c.oursRows = DM->aqMain->recordCount(); // the first listed table's due items
        }
    });
    return c;
}

Comparison contactsWindowWithHistory(const QString& path, int runs) {
    Comparison c;
    c.name = QStringLiteral("contacts-window");
    c.paired = true;
    // The window opened and painted, as the contacts command opens it; a
    // single opening takes a few milliseconds, too few to time on a busy
    // machine, so each figure is as many openings as take ours 300 ms.
    int perRun = 0;
    const auto open = [] {
        cEditForm->show();
        cEditForm->grab();
        cEditForm->hide();
    };
    const auto openings = [&perRun, &open](std::vector<double>& times) {
        open(); // the first showing adds the figures' columns
        if (perRun == 0) {
            QElapsedTimer calibrating;
            calibrating.start();
            while (calibrating.elapsed() < 300 || perRun < 10) {
                open();
                ++perRun;
            }
        }
        times.push_back(elapsedMs([&] {
            for (int i = 0; i < perRun; ++i)
                open();
        }));
        return int64_t(DM->aqContacts->recordCount());
    };
    // As before the history: the same file without it, read-only so that
    // none is made.
    const QString before = path + QStringLiteral(".before-history");
    QFile::remove(before);
    if (!QFile::copy(path, before))
        throw std::runtime_error("cannot copy the catalogue");
    Baseline::dropTable(before, QStringLiteral("_loans"));
    QFile::setPermissions(before, QFile::ReadOwner);
    // One program, the two files opened in turn for each sample, many
    // samples, each pair's ratio taken: both meet the program and the
    // machine as they are, and two runs agree.
    withTheProgram(path, [&](Program& program) {
        for (int sample = 0; sample < std::max(runs, 41); ++sample) {
            program.mainForm()->OpenDatabaseFile(path);
            c.oursRows = openings(c.oursMs);
            program.mainForm()->OpenDatabaseFile(before);
            c.sqliteRows = openings(c.sqliteMs);
        }
    });
    QFile::setPermissions(before, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(before);
    return c;
}

} // namespace bench
