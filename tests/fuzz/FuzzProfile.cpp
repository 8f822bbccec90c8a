#include "tests/fuzz/Targets.h"

#include "platform/Profile.h"

#include <QDir>
#include <QFile>

#include <cstdlib>
#include <unistd.h>

int fuzz::profile(const uint8_t* data, size_t size) {
    // The file lives in memory where the system offers it.
    static const QString file = QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-fuzz-%1.ini").arg(getpid()));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    for (const char* key : {"DefaultBase", "DefaultTable", "CheckOnOpen"})
        platform::parseProfileInteger(platform::readProfileString(file, QStringLiteral("Options"),
                                                                  QString::fromLatin1(key), QStringLiteral("-")));
    // Whatever the file held, a plain value written is read back as written.
    const QString value = QStringLiteral("base%1.mdb").arg(size);
    if (platform::writeProfileString(file, QStringLiteral("Options"), QStringLiteral("DefaultBase"), value)
        && platform::readProfileString(file, QStringLiteral("Options"), QStringLiteral("DefaultBase"), {}) != value)
        std::abort();
    return 0;
}
