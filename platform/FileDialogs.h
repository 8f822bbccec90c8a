#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

enum class FileDialogKind { Save, Open };

struct FileDialogRequest {
    FileDialogKind kind;
    QString title;
    QString filter;        // e.g. "Базы данных Access (*.mdb)"
    QString initialFolder; // "" = current directory
    bool confirmOverwrite = true;
    // Save: a name typed without an extension gets the filter's own (before
    // the overwrite question); without this the name stays as typed.
    bool addsExtension = false;
};

// Returns the chosen path or an empty string on cancel. Save asks before
// overwriting (when confirmOverwrite) and requires the folder to exist. Open
// requires the file to exist.
QString chooseFile(QWidget* parent, const FileDialogRequest& request);

// The file a command writes, chosen by the user (a save dialog starting in
// the catalogue folder, the filter's extension added); empty when cancelled.
QString chooseTarget(QWidget* parent, const QString& title, const QString& filter);

// Tests script the dialogs. Pass an empty function to restore the real ones.
using FileDialogHandler = std::function<QString(const FileDialogRequest&)>;
FileDialogHandler setFileDialogHandler(FileDialogHandler handler); // returns the handler it replaces

} // namespace platform
