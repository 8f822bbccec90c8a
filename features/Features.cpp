// The features beyond the design, one line each, in the order their steps
// run: the import prepares a file before it is opened; at exit the backup
// runs before the compaction. To add one: a unit in this folder with its
// make function, and a line here.
#include "features/Feature.h"
#include "features/Units.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

std::vector<std::unique_ptr<Feature>> makeFeatures() {
    std::vector<std::unique_ptr<Feature>> features;
    features.push_back(makeImportFeature());
    features.push_back(makeHistoryFeature());
    features.push_back(makeReportsFeature());
    features.push_back(makeBackupsFeature());
    features.push_back(makeRemindersFeature());
    features.push_back(makeListImportFeature());
    features.push_back(makeSharingFeature());
    return features;
}

std::vector<CommandLineOption> featureOptions() {
    std::vector<CommandLineOption> options{backupsOption()};
    for (CommandLineOption& o : reminderOptions())
        options.push_back(std::move(o));
    return options;
}

QAction* makeCommand(MainWindowParts& main, const char* name, const QString& text, const QString& shortcut,
                     const QString& picture) {
    auto* command = new QAction(text, main.mainWindow());
    command->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        command->setShortcut(QKeySequence(shortcut));
    if (!picture.isEmpty())
        command->setIcon(QIcon(picture));
    return command;
}

void insertAfter(QMenu* menu, const char* after, QAction* command) {
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->objectName() == QLatin1String(after)) {
            menu->insertAction(items.value(i + 1), command);
            return;
        }
    menu->addAction(command);
}
