#pragma once
// Features beyond the design wire themselves into the main window through
// this: each is one unit that adds its commands to the window's menus,
// toolbar and pop-up menu, and registers the steps it takes when a
// catalogue is opened and at exit. The main window runs the steps; it
// knows nothing of any one feature.
#include "engine/Connection.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QWidget;
class DataGrid;

// When a feature's step runs, in this order; the steps of one stage run in
// the order features are listed.
enum class Stage {
    // Before the file is opened: a step may bring it in from elsewhere (a
    // conversion) and return the file made.
    BringingIn,
    // Before the file is opened, once it is the one to open: the mode it is
    // opened in is decided.
    ChoosingMode,
    // The file is open and holds a catalogue, nothing of it shown yet: a
    // step may have it opened again only to read.
    Connected,
    // A catalogue is shown (its tables, contacts and commands ready).
    Opened,
    // At exit, a catalogue having been shown, its connection closed:
    // before the compaction, and after it.
    BeforeCompaction,
    AfterCompaction,
};

// Whether a command writes to the catalogue.
enum class Writes { No, Yes };

// A catalogue about to be opened: its file (as the user named it, or bare
// in the catalogue folder) and its mode.
struct Opening {
    QString file;
    engine::OpenMode mode = engine::OpenMode::Write;
};
// A step of the stages up to Connected: the opening as it now stands, or
// none to give it up (the connection closed, nothing shown).
using OpeningStep = std::function<std::optional<Opening>(const Opening&)>;

// The catalogue shown, as a feature reaches it.
struct ShownCatalogue {
    QString file;  // as Opening::file
    QString table; // the item table in the grid
    engine::OpenMode mode = engine::OpenMode::Write;
    engine::Connection* connection = nullptr;
    bool readOnly() const { return mode == engine::OpenMode::ReadOnly; }
};

// The main window as a feature sees it.
class MainWindowParts {
public:
    virtual ~MainWindowParts() = default;
    virtual QWidget* mainWindow() = 0;
    // A menu of the menu bar by object name ("mFile", "mEdit", ...); a menu
    // not there yet is made with title, before «Помощь».
    virtual QMenu* menu(const QString& name, const QString& title = {}) = 0;
    virtual QToolBar* toolBar() = 0;
    // The grid's pop-up menu.
    virtual QMenu* gridMenu() = 0;
    virtual DataGrid* itemGrid() = 0;
    // The catalogue last opened (its connection closed when none is shown).
    virtual ShownCatalogue catalogue() = 0;
    // The debt search («Поиск должников»), as the toolbar runs it.
    virtual QAction* debtSearch() = 0;
    // command is live only while a catalogue is shown; one that writes to
    // the catalogue is off while the catalogue is only read.
    virtual void addCatalogueCommand(QAction* command, Writes writes = Writes::No) = 0;
    // A step of the opening (the stages up to Connected).
    virtual void addOpeningStep(Stage stage, OpeningStep step) = 0;
    // A step of a later stage.
    virtual void addStep(Stage stage, std::function<void()> step) = 0;
    // change made to the catalogue's file while it is put away (no database
    // shown, its connection closed); then it is shown again as after an
    // opening, also when change throws (the file as change left it).
    virtual void whileCatalogueAway(const std::function<void()>& change) = 0;
    // table of the open catalogue shown in the grid, read anew with the
    // contacts (after a feature wrote to them).
    virtual void showTable(const QString& table) = 0;
};

// A command-line option a feature answers without any window: the program
// runs it and ends with the status it returns, or starts as usual when it
// returns kStartAsUsual. A switch without run only qualifies another
// option: run is given the names of the switches set.
struct CommandLineOption {
    QString name;        // "backups": --backups
    QString valueName;   // "ФАЙЛ"; empty for an option without a value
    QString description; // one line of «--help»
    std::function<int(const QString& value, const QStringList& files, const QStringList& switches)> run;
    int misuseStatus = 1; // the status when the command line is wrong and names this option
    // run is given an application object (events, timers, the notices): the
    // program's own is made only when it starts as usual.
    bool needsApplication = false;
};
inline constexpr int kStartAsUsual = -1;
class Feature {
public:
    virtual ~Feature() = default;
    // Adds the feature's commands and steps; once, when the windows exist.
    virtual void install(MainWindowParts& main) = 0;
    // The command-line options it answers, read before any window exists.
    virtual std::vector<CommandLineOption> options() const { return {}; }
};

// Every feature, in the order their steps run (features/Features.cpp).
std::vector<std::unique_ptr<Feature>> makeFeatures();

// Every feature's options, in the features' order.
std::vector<CommandLineOption> featureOptions();

// A command of a feature, a child of the main window found by its name as
// every control is: its caption, shortcut and (optional) picture.
QAction* makeCommand(MainWindowParts& main, const char* name, const QString& text, const QString& shortcut = {},
                     const QString& picture = {});

// command put into menu right after the entry named after (at the end
// when there is none).
void insertAfter(QMenu* menu, const char* after, QAction* command);
