#include "jet/Conversion.h"

#include "engine/DatabaseFiles.h"
#include "jet/ImportProtocol.h"
#include "platform/ChildProcess.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace accessimport {

namespace {

using importprotocol::Failure;

// What the importer may use: a damaged file must not take the machine
// down with it, nor leave a core file behind.
constexpr qint64 kMemoryLimit = qint64(1) << 30;
constexpr int kProcessorSeconds = 600;
// A child that says nothing for this long is taken to hang.
constexpr int kDefaultStallMs = 30000;
const QString kTemporaryPrefix = QStringLiteral(".zandrel-import-");

int stallMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZANDREL_IMPORT_STALL_MS", &ok);
    return ok && ms > 0 ? ms : kDefaultStallMs;
}

QString damaged(const QString& source) {
    return QStringLiteral("Файл '%1' повреждён или не является базой данных Access; ничего не записано.").arg(source);
}

void removeTemporary(const QString& temporary) {
    platform::deleteFile(temporary);
    platform::deleteFile(temporary + QStringLiteral("-journal"));
}

// Temporary files of conversions nobody runs any more: a running one is
// locked by the program that runs it.
void removeAbandoned(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({kTemporaryPrefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden)) {
        const QString main = dir.filePath(name.section(QStringLiteral("-journal"), 0, 0));
        if (!platform::lockedByAnyone(main))
            platform::deleteFile(dir.filePath(name));
    }
}

// What the importer's last words and exit mean to the user.
QString failureMessage(const QString& source, const importprotocol::Message& error, const QProcess& process) {
    if (process.exitStatus() != QProcess::NormalExit || error.kind != importprotocol::Kind::Error)
        return damaged(source);
    switch (error.failure) {
    case Failure::NoContacts:
        return QStringLiteral("Файл Access '%1' не является каталогом: в нём нет таблицы контактов (_contacts или "
                              "contacts). Ничего не записано.")
            .arg(source);
    case Failure::ForeignTable:
        return QStringLiteral("Файл Access '%1' не является каталогом: таблица '%2' не похожа на таблицу каталога. "
                              "Ничего не записано.")
            .arg(source, error.name);
    case Failure::NoColumn:
        return QStringLiteral("Файл Access '%1' не является каталогом: в таблице '%2' нет столбца '%3'. Ничего не "
                              "записано.")
            .arg(source, error.name, error.detail);
    case Failure::WrongKind:
        return QStringLiteral("Файл Access '%1' не является каталогом: столбец '%3' таблицы '%2' хранит не то, что "
                              "хранит каталог. Ничего не записано.")
            .arg(source, error.name, error.detail);
    case Failure::NotWritten:
        return QStringLiteral("Не удалось записать преобразованный каталог: %1. Файл Access '%2' не изменён.")
            .arg(error.detail.endsWith(u'.') ? error.detail.chopped(1) : error.detail, source);
    case Failure::Unreadable:
    case Failure::Damaged: break;
    }
    return damaged(source);
}

// "name (Zandrel).mdb" for n = 1, "name (Zandrel n).mdb" after.
QString conversionName(const QString& base, int n) {
    return n == 1 ? QStringLiteral("%1 (Zandrel).mdb").arg(base)
                  : QStringLiteral("%1 (Zandrel %2).mdb").arg(base).arg(n);
}

QString conversionFolder(const QString& accessFile) {
    QString folder = QFileInfo(accessFile).absolutePath();
    if (!platform::mayWrite(folder))
        folder = platform::catalogueFolder();
    if (!platform::mayWrite(folder)) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(folder);
    }
    return folder;
}

// The importer's standard output, read as it comes.
struct Reading {
    Progress progress;
    QStringList tables;
    QList<qint64> declared;
    importprotocol::Message error;
    QList<QPair<QString, QString>> renamed;
    bool done = false;
    qint64 peak = -1;

    void take(QProcess& importer) {
        using importprotocol::Kind;
        while (importer.canReadLine()) {
            const importprotocol::Message m = importprotocol::parse(importer.readLine());
            switch (m.kind) {
            case Kind::Tables:
                progress.tables = int(m.number);
                progress.totalRows = m.count;
                break;
            case Kind::Table:
                progress.table = int(m.number);
                declared << m.count;
                tables << m.name;
                break;
            case Kind::Renamed: renamed.append({m.name, m.detail}); break;
            case Kind::Rows: progress.rows = m.count; break;
            case Kind::Peak: peak = m.count; break;
            case Kind::Done: done = true; break;
            case Kind::Error: error = m; break;
            case Kind::Unknown: break;
            }
        }
    }
};

} // namespace

QString importerPath() {
    const QString given = qEnvironmentVariable("ZANDREL_JET_IMPORT");
    if (!given.isEmpty())
        return given;
#ifdef _WIN32
    const QString program = QStringLiteral("zandrel-jet-import.exe");
#else
    const QString program = QStringLiteral("zandrel-jet-import");
#endif
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& relative :
         {program, QStringLiteral("../" ZANDREL_LIBDIR "/zandrel/") + program, QStringLiteral("../jet/") + program}) {
        const QString candidate = QDir::cleanPath(here.filePath(relative));
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return here.filePath(program);
}

QString targetFor(const QString& accessFile) {
    const QDir dir(conversionFolder(accessFile));
    const QString base = QFileInfo(accessFile).completeBaseName();
    for (int n = 1;; ++n)
        if (const QString candidate = dir.filePath(conversionName(base, n)); !QFileInfo::exists(candidate))
            return candidate;
}

QString newestConversion(const QString& accessFile) {
    const QDir dir(conversionFolder(accessFile));
    const QString base = QFileInfo(accessFile).completeBaseName();
    const QRegularExpression numbered(
        QStringLiteral("^%1 \\(Zandrel(?: (\\d+))?\\)\\.mdb$").arg(QRegularExpression::escape(base)));
    int newest = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = numbered.match(name);
        if (m.hasMatch())
            newest = std::max(newest, m.captured(1).isEmpty() ? 1 : m.captured(1).toInt());
    }
    return newest > 0 ? dir.filePath(conversionName(base, newest)) : QString();
}

QString renamedText(const QList<QPair<QString, QString>>& renamed) {
    if (renamed.isEmpty())
        return QString();
    QStringList pairs;
    for (const auto& [name, source] : renamed)
        pairs << QStringLiteral("«%1» → «%2»").arg(source, name);
    return QStringLiteral("Таблицы переименованы, чтобы программа могла с ними работать: %1.")
        .arg(pairs.join(QStringLiteral(", ")));
}

Result run(const QString& source, const QString& target, const std::function<bool(const Progress&)>& onProgress) {
    const QString folder = QFileInfo(target).absolutePath();
    removeAbandoned(folder);
    QString temporary;
    try {
        temporary = platform::uniqueTempFile(folder, kTemporaryPrefix);
    } catch (const std::exception& e) {
        return {Outcome::Failed, QStringLiteral("Не удалось записать преобразованный каталог в папку '%1': %2.")
                                     .arg(folder, QString::fromUtf8(e.what()))};
    }
    // Held until the file is taken in or gone: a conversion killed meanwhile
    // leaves a file nobody holds, which the next conversion removes.
    const platform::FileLock working(temporary);

    QProcess importer;
    importer.setProgram(importerPath());
    importer.setArguments({QFileInfo(source).absoluteFilePath(), temporary});
    importer.setStandardErrorFile(QProcess::nullDevice());
    // The importer's limits, and its end when this program ends.
    platform::ChildLimits limits(kMemoryLimit, kProcessorSeconds);
    limits.prepare(importer);
    importer.start(QIODevice::ReadOnly);
    limits.started(importer);
    const auto stop = [&](Result result) {
        importer.kill();
        importer.waitForFinished();
        removeTemporary(temporary);
        return result;
    };
    if (!importer.waitForStarted())
        return stop(
            {Outcome::Failed,
             QStringLiteral("Не найдена программа преобразования файлов Access '%1'; файл '%2' не преобразован.")
                 .arg(importer.program(), source)});

    Reading reading;
    const int stall = stallMs();
    QElapsedTimer quiet;
    quiet.start();
    while (importer.state() != QProcess::NotRunning) {
        if (importer.waitForReadyRead(100))
            quiet.restart();
        reading.take(importer);
        if (!onProgress(reading.progress))
            return stop({Outcome::Cancelled, QString()});
        if (quiet.elapsed() > stall)
            return stop({Outcome::Failed, QStringLiteral("Преобразование файла '%1' остановлено: программа "
                                                         "преобразования не отвечает. Ничего не записано.")
                                              .arg(source)});
    }
    importer.waitForFinished();
    reading.take(importer);
    if (!reading.done || importer.exitStatus() != QProcess::NormalExit || importer.exitCode() != 0)
        return stop({Outcome::Failed, failureMessage(source, reading.error, importer)});

    // Taken in only when sound and whole.
    try {
        const engine::FileCheck check = engine::checkFile(temporary, reading.tables);
        if (!check.intact || check.rows != reading.declared)
            return stop({Outcome::Failed, damaged(source)});
    } catch (const std::exception&) {
        return stop({Outcome::Failed, damaged(source)});
    }
    // Never over a file: a catalogue made meanwhile stays.
    if (const int error = platform::placeNewFile(temporary, target))
        return stop(
            {Outcome::Failed, QStringLiteral("Не удалось сохранить каталог '%1': %2. Файл Access '%3' не изменён.")
                                  .arg(target, platform::systemErrorText(error), source)});
    removeTemporary(temporary);
    platform::syncFolder(folder);
    return {Outcome::Done, QString(), reading.peak, reading.renamed};
}

} // namespace accessimport
