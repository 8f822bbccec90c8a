#include "platform/Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <algorithm>

namespace platform {

namespace {

constexpr qsizetype maxValueLength = 2047;
const QByteArray utf8Bom("\xEF\xBB\xBF");

// The file as raw lines, so lines we don't touch are written back byte for byte.
struct IniLines {
    QList<QByteArray> lines; // without "\n"; a "\r" of CRLF files stays in place
    bool bom = false;
    bool finalNewline = false;
    bool crlf = false;
};

bool readLines(const QString& file, IniLines& out) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    QByteArray data = f.readAll();
    if (data.startsWith(utf8Bom)) {
        out.bom = true;
        data.remove(0, utf8Bom.size());
    }
    out.crlf = data.contains("\r\n");
    out.finalNewline = data.endsWith('\n');
    if (out.finalNewline)
        data.chop(1);
    if (!data.isEmpty() || out.finalNewline)
        out.lines = data.split('\n');
    return true;
}

QString decode(const QByteArray& line) { return QString::fromUtf8(line).trimmed(); }

// Section name when line is a section header.
std::optional<QString> sectionName(const QString& line) {
    if (!line.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    return (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
}

bool isComment(const QString& line) { return line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')); }

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

struct KeyLine {
    QString key;
    QString value;
};

std::optional<KeyLine> keyLine(const QString& line) {
    if (isComment(line))
        return std::nullopt;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    return KeyLine{line.left(eq).trimmed(), line.mid(eq + 1).trimmed()};
}

// Where the key and its section sit; -1 when absent. sectionEnd is the
// index after the section's last non-blank line.
struct Location {
    qsizetype section = -1;
    qsizetype sectionEnd = -1;
    qsizetype key = -1;
    QString keyAsWritten;
};

Location locate(const IniLines& ini, const QString& section, const QString& key) {
    Location loc;
    bool inSection = false;
    for (qsizetype i = 0; i < ini.lines.size(); ++i) {
        const QString line = decode(ini.lines[i]);
        if (const auto name = sectionName(line)) {
            if (inSection)
                break; // only the first section of that name counts
            inSection = sameName(*name, section);
            if (inSection) {
                loc.section = i;
                loc.sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection || line.isEmpty())
            continue;
        loc.sectionEnd = i + 1;
        if (loc.key < 0) {
            if (const auto kv = keyLine(line); kv && sameName(kv->key, key)) {
                loc.key = i;
                loc.keyAsWritten = kv->key;
            }
        }
    }
    return loc;
}

bool hasWritePermission(const QString& path) {
    const auto write = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return QFile::permissions(path) & write;
}

} // namespace

QString readProfileString(const QString& file, const QString& section, const QString& key, const QString& def) {
    IniLines ini;
    if (file.isEmpty() || !readLines(file, ini))
        return def;
    const Location loc = locate(ini, section.trimmed(), key.trimmed());
    if (loc.key < 0)
        return def;
    QString value = keyLine(decode(ini.lines[loc.key]))->value;
    if (value.size() > maxValueLength) {
        value.truncate(maxValueLength);
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

bool writeProfileString(const QString& file, const QString& section, const QString& key, const QString& value) {
    if (file.isEmpty())
        return false;
    const QFileInfo info(file);
    // Root ignores permission bits; a file or folder nobody may write is still
    // treated as read-only so the program behaves the same for every user.
    if (info.exists() && (info.isDir() || !hasWritePermission(file)))
        return false;
    if (!hasWritePermission(info.absolutePath()))
        return false;

    IniLines ini;
    if (info.exists() && !readLines(file, ini))
        return false;

    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString trimmedSection = section.trimmed();
    const QString trimmedKey = key.trimmed();
    const QByteArray eol = ini.crlf ? QByteArray("\r") : QByteArray();

    const Location loc = locate(ini, trimmedSection, trimmedKey);
    if (loc.key >= 0) {
        ini.lines[loc.key] = (loc.keyAsWritten + QLatin1Char('=') + oneLine).toUtf8() + eol;
    } else if (loc.section >= 0) {
        ini.lines.insert(loc.sectionEnd, (trimmedKey + QLatin1Char('=') + oneLine).toUtf8() + eol);
        if (loc.sectionEnd == ini.lines.size() - 1)
            ini.finalNewline = true;
    } else {
        ini.lines.append((QLatin1Char('[') + trimmedSection + QLatin1Char(']')).toUtf8() + eol);
        ini.lines.append((trimmedKey + QLatin1Char('=') + oneLine).toUtf8() + eol);
        ini.finalNewline = true;
    }

    QByteArray data = ini.bom ? utf8Bom : QByteArray();
    data += ini.lines.join('\n');
    if (ini.finalNewline)
        data += '\n';

    // Unbuffered: a buffered QSaveFile can report a short write (disk full,
    // size limit) as success and commit a truncated file.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (out.write(data) != data.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

std::optional<long long> parseProfileInteger(const QString& value) {
    const QString text = value.trimmed();
    auto allOf = [](QStringView s, auto pred) { return !s.isEmpty() && std::all_of(s.begin(), s.end(), pred); };
    bool ok = false;
    long long result = 0;
    if (text.size() > 2 && (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        const QStringView digits = QStringView(text).mid(2);
        const auto isHex = [](QChar c) {
            return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
                   || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        };
        if (allOf(digits, isHex))
            result = digits.toLongLong(&ok, 16);
    } else {
        QStringView digits(text);
        if (!digits.isEmpty() && (digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-')))
            digits = digits.mid(1);
        if (allOf(digits, [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }))
            result = text.toLongLong(&ok, 10);
    }
    if (!ok)
        return std::nullopt;
    return result;
}

} // namespace platform
