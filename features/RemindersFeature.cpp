// Reminders: the daily check of what is due while the program is closed
// (--check-due, set up in «Напоминания...», menu «Отчёты»), the program
// started from a notice with its debt search shown (--debts), and the
// catalogues opened, remembered to choose from.
#include "features/Feature.h"

#include "data/ProgramState.h"
#include "dialogs/RemindersUnit.h"
#include "platform/MessageBox.h"
#include "reminders/CheckDue.h"
#include "reminders/ReminderSettings.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QProcess>
#include <QTimer>

#include <memory>

namespace {

bool showDebtsAtStart = false;

// The notice's «Открыть»: the program on that catalogue, its debts shown.
void openWithDebts(const QString& file) {
    const QString given = qEnvironmentVariable("ZANDREL_OPEN_PROGRAM"); // tests watch what would start
    QProcess::startDetached(given.isEmpty() ? QCoreApplication::applicationFilePath() : given,
                            {QStringLiteral("--debts"), file});
}

int CheckDue(const QStringList& files, const QStringList& switches) {
    return reminders::checkDue({files, switches.contains(QStringLiteral("force")), openWithDebts});
}

// --check-due [FILE...] [--force]: the notices of what is due; --debts:
// the program started with the debt search shown.
std::vector<CommandLineOption> reminderOptions() {
    CommandLineOption check{QString::fromLatin1(reminders::kCheckOption), QString(),
                            QStringLiteral("Проверить сроки возврата в каталогах (ФАЙЛ... или выбранных) и выйти."),
                            [](const QString&, const QStringList& files, const QStringList& switches) {
                                return CheckDue(files, switches);
                            }};
    check.misuseStatus = 2;
    check.needsApplication = true;
    CommandLineOption force{QStringLiteral("force"),
                            QString(),
                            QStringLiteral("С --check-due: напомнить, даже если сегодня уже напоминали."),
                            {}};
    force.misuseStatus = 2;
    CommandLineOption debts{QStringLiteral("debts"), QString(), QStringLiteral("Открыть каталог с поиском долгов."),
                            [](const QString&, const QStringList&, const QStringList&) {
                                showDebtsAtStart = true;
                                return kStartAsUsual;
                            }};
    return {check, force, debts};
}

class RemindersFeature : public Feature {
public:
    std::vector<CommandLineOption> options() const override { return reminderOptions(); }
    void install(MainWindowParts& main) override {
        new TfmReminders(main.mainWindow()); // fmReminders, the main window's to keep
        QMenu* reports = main.menu(QStringLiteral("mReports"), QStringLiteral("Отчёты"));
        reports->addSeparator();
        QAction* settings = makeCommand(main, "iReminders", QStringLiteral("Напоминания..."));
        reports->addAction(settings);
        platform::connectHandler(settings, &QAction::triggered, settings,
                                 [&main] { fmReminders->Execute(main.catalogue().file); });
        QAction* debtSearch = main.debtSearch();
        main.addStep(Stage::Opened, [&main, debtSearch] {
            reminders::rememberCatalogue(main.catalogue().file);
            // Once the opening has shown the grid, as the search at opening does.
            if (showDebtsAtStart && !CheckOnOpenFlag)
                QTimer::singleShot(0, debtSearch, [debtSearch] { debtSearch->trigger(); });
            showDebtsAtStart = false;
        });
    }
};

} // namespace

std::unique_ptr<Feature> makeRemindersFeature() { return std::make_unique<RemindersFeature>(); }
