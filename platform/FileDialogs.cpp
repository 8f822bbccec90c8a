#include "platform/FileDialogs.h"

#include "platform/Files.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace platform {

namespace {

FileDialogHandler& handler() {
    static FileDialogHandler h;
    return h;
}

// Qt's own dialog lets a save name point into a folder that doesn't exist and
// only fails later, when the file is written; refuse it while the user can
// still correct it.
class CheckingFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo info(files.first());
            if (!info.isDir() && !QFileInfo(info.absolutePath()).isDir()) {
                messageBox(QStringLiteral("Папка «%1» не существует.\rПроверьте путь.")
                               .arg(QDir::toNativeSeparators(info.absolutePath())),
                           windowTitle(), Buttons::Ok, Icon::Warning);
                return;
            }
        }
        QFileDialog::accept();
    }
};

// "pdf" of "Документ PDF (*.pdf)".
QString extensionOf(const QString& filter) {
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace

QString chooseFile(QWidget* parent, const FileDialogRequest& request) {
    const QString extension =
        request.kind == FileDialogKind::Save && request.addsExtension ? extensionOf(request.filter) : QString();
    if (handler()) {
        const QString path = handler()(request);
        return path.isEmpty() || extension.isEmpty() || !QFileInfo(path).suffix().isEmpty() ? path
                                                                                            : path + u'.' + extension;
    }

    const QString folder = request.initialFolder.isEmpty() ? QDir::currentPath() : request.initialFolder;
    CheckingFileDialog dialog(parent, request.title, folder, request.filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The filter reads as its name alone; its pattern still filters.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setSizeGripEnabled(true);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        dialog.setDefaultSuffix(extension);
    } else {
        // ExistingFile makes the dialog itself refuse names that don't exist.
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

FileDialogHandler setFileDialogHandler(FileDialogHandler h) {
    FileDialogHandler previous = std::move(handler());
    handler() = std::move(h);
    return previous;
}

QString chooseTarget(QWidget* parent, const QString& title, const QString& filter) {
    return chooseFile(parent, {FileDialogKind::Save, title, filter, catalogueFolder(), true, true});
}

} // namespace platform
