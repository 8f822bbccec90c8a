// Opening a catalogue kept in an Access file: the question, the progress of
// the conversion, and the converted catalogue opened in its place.
#include "features/Feature.h"

#include "data/BaseFiles.h"
#include "jet/Conversion.h"
#include "jet/JetHeader.h"
#include "platform/Files.h"
#include "platform/InputGuard.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>

namespace {

const QString kCaption = QStringLiteral("Файл Access");

bool ask(const QString& text) {
    return platform::messageBox(text, kCaption, platform::Buttons::YesNo, platform::Icon::Question)
           == platform::Answer::Yes;
}

void tell(const QString& text, platform::Icon icon) {
    platform::messageBox(text, kCaption, platform::Buttons::Ok, icon);
}

// A catalogue kept in an Access file, the one the opening names: asks to
// convert it, converts it, and opens the result instead (an opening of
// any other file goes on as it is).
std::optional<Opening> BringInAccessFile(QWidget* window, const Opening& opening) {
    const QString access = QFileInfo(opening.file).absoluteFilePath();
    const jet::Header header = jet::readHeader(access);
    if (header.format == jet::Format::NotJet)
        return opening;
    if (header.format == jet::Format::Ace) {
        tell(QStringLiteral("Файл '%1' создан в Access 2007 или более новой версии (формат .accdb). Такие файлы "
                            "не поддерживаются: сохраните базу в Access в формате Access 2002-2003 (.mdb) и "
                            "откройте её снова.")
                 .arg(access),
             platform::Icon::Warning);
        return std::nullopt;
    }
    if (header.password) {
        tell(QStringLiteral("База данных Access '%1' защищена паролем. Снимите пароль в Access и откройте её снова; "
                            "ничего не записано.")
                 .arg(access),
             platform::Icon::Warning);
        return std::nullopt;
    }
    // Opened before: the newest conversion made then is offered first.
    const QString earlier = accessimport::newestConversion(access);
    if (platform::fileExists(earlier) && jet::readHeader(earlier).format == jet::Format::NotJet
        && ask(QStringLiteral("Файл Access '%1' уже был преобразован в каталог '%2'.\rОткрыть этот каталог?\r\r"
                              "Нет — преобразовать файл Access заново, в новый каталог.")
                   .arg(access, earlier))) {
        return Opening{ReducedDBPath(earlier), opening.mode};
    }
    const QString target = accessimport::targetFor(access);
    if (!ask(QStringLiteral("Файл '%1' — база данных Microsoft Access.\rПреобразовать её в каталог Zandrel?\r\r"
                            "Каталог будет сохранён в файл '%2'; сам файл Access не изменится.")
                 .arg(access, target)))
        return std::nullopt;

    const std::unique_ptr<QProgressDialog> progress =
        platform::progressWindow(window, QStringLiteral("ImportProgress"), QStringLiteral("Преобразование"),
                                 QStringLiteral("Преобразование файла Access..."));
    const accessimport::Result result = [&] {
        // Also before the progress window shows: nothing but its «Отмена»
        // acts, and only while the conversion runs.
        const platform::InputOnlyFor onlyCancel(progress.get());
        return accessimport::run(access, target, [&](const accessimport::Progress& p) {
            progress->setLabelText(QStringLiteral("Таблица %1 из %2, строк %3 из %4")
                                       .arg(p.table)
                                       .arg(p.tables)
                                       .arg(p.rows)
                                       .arg(p.totalRows));
            progress->setValue(p.totalRows > 0 ? int(999 * p.rows / p.totalRows) : 0);
            QApplication::processEvents();
            return !progress->wasCanceled();
        });
    }();
    progress->close();
    if (result.outcome != accessimport::Outcome::Done) {
        if (result.outcome == accessimport::Outcome::Failed)
            tell(result.message, platform::Icon::Error);
        return std::nullopt;
    }
    QStringList notes;
    if (QFileInfo(target).absolutePath() != QFileInfo(access).absolutePath())
        notes << QStringLiteral("Папка файла Access закрыта для записи, поэтому каталог сохранён в '%1'.").arg(target);
    if (!result.renamed.isEmpty())
        notes << accessimport::renamedText(result.renamed);
    if (!notes.isEmpty())
        tell(notes.join(u'\r'), platform::Icon::Information);
    return Opening{ReducedDBPath(target), opening.mode};
}

class ImportFeature : public Feature {
public:
    void install(MainWindowParts& main) override {
        QWidget* window = main.mainWindow();
        main.addOpeningStep(Stage::BringingIn,
                            [window](const Opening& opening) { return BringInAccessFile(window, opening); });
    }
};

} // namespace

std::unique_ptr<Feature> makeImportFeature() { return std::make_unique<ImportFeature>(); }
