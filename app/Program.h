#pragma once
// Owns the program's windows: creates them once, in their fixed order, and
// takes them down again, so a test can build the whole program and use it.
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class TfmMainForm;
class TDM;
class TmEditForm;
class TcEditForm;
class TfmCEdit;
class TfmTSForm;
class TfmAbout;
class Feature;

class Program {
public:
    Program();
    ~Program(); // writes the settings back (FormDestroy), then frees the windows

    TfmMainForm* mainForm() const { return m_main.get(); }
    void show();

    // Sets the application title and version, loads Qt's Russian texts and
    // makes the catalogue folder the current directory, as a start from a
    // desktop menu or another folder would otherwise leave a remembered bare
    // file name unfound.
    static void PrepareApplication();

    // What the command line asks: a FILE to open at the start, as a full
    // path against the folder the program was started in; or, where the
    // program ends at once ("--help", "--version", a misused option, a
    // feature's own run such as the reminders' check), its exit status.
    struct StartRequest {
        QString file;
        std::optional<int> exitStatus;
    };
    // Reads the command line (the program's name first), printing what an
    // option answers. Needs no application object; call it before
    // PrepareApplication.
    static StartRequest ParseCommandLine(const QStringList& arguments);

    // Opens file at the first activation, as "Открыть базу данных" does once
    // a file is chosen, instead of the remembered database.
    void openOnStart(const QString& file);

private:
    // Declared so that destruction, in reverse order, takes the windows
    // down before the data module; they are created in the program's
    // fixed order, the main window first.
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TfmMainForm> m_main;
    std::unique_ptr<TmEditForm> m_itemEditor;
    std::unique_ptr<TcEditForm> m_contacts;
    std::unique_ptr<TfmCEdit> m_contactEditor;
    std::unique_ptr<TfmTSForm> m_tables;
    std::unique_ptr<TfmAbout> m_about;
    // Beyond the design: each wires itself into the main window (their
    // windows are the main window's children).
    std::vector<std::unique_ptr<Feature>> m_features;
};
