// The features beyond the design, one line each, in the order their steps
// run: the import prepares a file before it is opened; at exit the backup
// runs before the compaction. To add one: a unit XFeature.cpp in this
// folder defining makeXFeature(), and a line FEATURE(X) here.
#define ZANDREL_FEATURES(FEATURE)                                                                                      \
    FEATURE(Import)                                                                                                    \
    FEATURE(History)                                                                                                   \
    FEATURE(Reports)                                                                                                   \
    FEATURE(Backups)                                                                                                   \
    FEATURE(Reminders)                                                                                                 \
    FEATURE(ListImport)                                                                                                \
    FEATURE(Desk)                                                                                                      \
    FEATURE(Codes)                                                                                                     \
    FEATURE(Labels)                                                                                                    \
    FEATURE(Rules)                                                                                                     \
    FEATURE(Sharing)

#include "features/Feature.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QWidget>

#define ZANDREL_DECLARE_FEATURE(name) std::unique_ptr<Feature> make##name##Feature();
ZANDREL_FEATURES(ZANDREL_DECLARE_FEATURE)

std::vector<std::unique_ptr<Feature>> makeFeatures() {
    std::vector<std::unique_ptr<Feature>> features;
#define ZANDREL_MAKE_FEATURE(name) features.push_back(make##name##Feature());
    ZANDREL_FEATURES(ZANDREL_MAKE_FEATURE)
    return features;
}

std::vector<CommandLineOption> featureOptions() {
    std::vector<CommandLineOption> options;
    for (const std::unique_ptr<Feature>& feature : makeFeatures())
        for (CommandLineOption& o : feature->options())
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
