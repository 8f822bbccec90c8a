#include "data/AccessImport.h"

#include "engine/DatabaseFiles.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace accessimport {

namespace {

// What the importer may use: a damaged file must not take the machine
// down with it, nor leave a core file behind.
constexpr rlim_t kMemoryLimit = rlim_t(1) << 30;
constexpr rlim_t kProcessorSeconds = 600;
// A child that says nothing for this long is taken to hang.
constexpr int kDefaultStallMs = 30000;

int stallMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("ZANDREL_IMPORT_STALL_MS", &ok);
    return ok && ms > 0 ? ms : kDefaultStallMs;
}

void limitChild() {
    const rlimit processor{kProcessorSeconds, kProcessorSeconds};
    const rlimit core{0, 0};
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer reserves far more address space than any limit allows
    const rlimit memory{kMemoryLimit, kMemoryLimit};
    setrlimit(RLIMIT_AS, &memory);
#endif
    setrlimit(RLIMIT_CPU, &processor);
    setrlimit(RLIMIT_CORE, &core);
}

QString damaged(const QString& source) {
    return QStringLiteral("Файл '%1' повреждён или не является базой данных Access; ничего не записано.").arg(source);
}

void removeTemporary(const QString& temporary) {
    platform::deleteFile(temporary);
    platform::deleteFile(temporary + QStringLiteral("-journal"));
}

// What the importer's last words and exit mean to the user.
QString failureMessage(const QString& source, const QString& errorLine, const QProcess& process) {
    const QString kind = errorLine.section(u' ', 1, 1);
    const QString detail = errorLine.section(u' ', 2);
    if (process.exitStatus() == QProcess::NormalExit && kind == QLatin1String("notcatalogue")) {
        if (detail.compare(QLatin1String("_contacts"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("Файл Access '%1' не является каталогом: в нём нет таблицы контактов (_contacts или "
                                  "contacts). Ничего не записано.")
                .arg(source);
        return QStringLiteral("Файл Access '%1' не является каталогом: таблица '%2' не похожа на таблицу каталога. "
                              "Ничего не записано.")
            .arg(source, detail);
    }
    if (process.exitStatus() == QProcess::NormalExit && kind == QLatin1String("write"))
        return QStringLiteral("Не удалось записать преобразованный каталог: %1 Файл Access '%2' не изменён.")
            .arg(detail, source);
    return damaged(source);
}

} // namespace

QString importerPath() {
    const QString given = qEnvironmentVariable("ZANDREL_JET_IMPORT");
    if (!given.isEmpty())
        return given;
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& relative :
         {QStringLiteral("zandrel-jet-import"), QStringLiteral("../" ZANDREL_LIBDIR "/zandrel/zandrel-jet-import"),
          QStringLiteral("../jet/zandrel-jet-import")}) {
        const QString candidate = QDir::cleanPath(here.filePath(relative));
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return here.filePath(QStringLiteral("zandrel-jet-import"));
}

QString targetFor(const QString& accessFile, bool existingToo) {
    const QFileInfo source(accessFile);
    QString folder = source.absolutePath();
    if (!platform::mayWrite(folder))
        folder = platform::catalogueFolder();
    if (!platform::mayWrite(folder)) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(folder);
    }
    const QDir dir(folder);
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? QStringLiteral("%1 (Zandrel).mdb").arg(source.completeBaseName())
                                    : QStringLiteral("%1 (Zandrel %2).mdb").arg(source.completeBaseName()).arg(n);
        const QString candidate = dir.filePath(name);
        if (existingToo || !QFileInfo::exists(candidate))
            return candidate;
    }
}

Result run(const QString& source, const QString& target, const std::function<bool(const Progress&)>& onProgress) {
    const QString folder = QFileInfo(target).absolutePath();
    QString temporary;
    try {
        temporary = platform::uniqueTempFile(folder, QStringLiteral(".zandrel-import-"));
    } catch (const std::exception& e) {
        return {Outcome::Failed, QStringLiteral("Не удалось записать преобразованный каталог в папку '%1': %2")
                                     .arg(folder, QString::fromUtf8(e.what()))};
    }
    platform::deleteFile(temporary); // the importer makes it anew, and never over a file

    QProcess importer;
    importer.setProgram(importerPath());
    importer.setArguments({QFileInfo(source).absoluteFilePath(), temporary});
    importer.setStandardErrorFile(QProcess::nullDevice());
    importer.setChildProcessModifier(limitChild);
    importer.start(QIODevice::ReadOnly);
    if (!importer.waitForStarted()) {
        removeTemporary(temporary);
        return {Outcome::Failed,
                QStringLiteral("Не найдена программа преобразования файлов Access '%1'.").arg(importer.program())};
    }

    Progress progress;
    QStringList tables;
    QList<qint64> declared;
    QString errorLine;
    bool done = false;
    qint64 peak = -1;
    const auto readLines = [&] {
        while (importer.canReadLine()) {
            const QString line = QString::fromUtf8(importer.readLine()).trimmed();
            const QString word = line.section(u' ', 0, 0);
            if (word == QLatin1String("tables")) {
                progress.tables = line.section(u' ', 1, 1).toInt();
                progress.totalRows = line.section(u' ', 2, 2).toLongLong();
            } else if (word == QLatin1String("table")) {
                progress.table = line.section(u' ', 1, 1).toInt();
                declared << line.section(u' ', 2, 2).toLongLong();
                tables << line.section(u' ', 3);
            } else if (word == QLatin1String("rows")) {
                progress.rows = line.section(u' ', 1, 1).toLongLong();
            } else if (word == QLatin1String("peak")) {
                peak = line.section(u' ', 1, 1).toLongLong();
            } else if (word == QLatin1String("done")) {
                done = true;
            } else if (word == QLatin1String("error")) {
                errorLine = line;
            }
        }
    };
    const auto stop = [&](Result result) {
        importer.kill();
        importer.waitForFinished();
        removeTemporary(temporary);
        return result;
    };
    const int stall = stallMs();
    QElapsedTimer quiet;
    quiet.start();
    while (importer.state() != QProcess::NotRunning) {
        if (importer.waitForReadyRead(100))
            quiet.restart();
        readLines();
        if (!onProgress(progress))
            return stop({Outcome::Cancelled, QString()});
        if (quiet.elapsed() > stall)
            return stop({Outcome::Failed, QStringLiteral("Преобразование файла '%1' остановлено: программа "
                                                         "преобразования не отвечает. Ничего не записано.")
                                              .arg(source)});
    }
    importer.waitForFinished();
    readLines();
    if (!done || importer.exitStatus() != QProcess::NormalExit || importer.exitCode() != 0)
        return stop({Outcome::Failed, failureMessage(source, errorLine, importer)});

    // Taken in only when sound and whole.
    try {
        const engine::FileCheck check = engine::checkFile(temporary, tables);
        if (!check.intact || check.rows != declared)
            return stop({Outcome::Failed, damaged(source)});
    } catch (const std::exception&) {
        return stop({Outcome::Failed, damaged(source)});
    }
    // A link never replaces a file: a catalogue made meanwhile stays.
    if (::link(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) != 0)
        return stop({Outcome::Failed, QStringLiteral("Не удалось сохранить каталог '%1': %2")
                                          .arg(target, QString::fromLocal8Bit(std::strerror(errno)))});
    removeTemporary(temporary);
    platform::syncFolder(folder);
    return {Outcome::Done, QString(), peak};
}

} // namespace accessimport
