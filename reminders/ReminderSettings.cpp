#include "reminders/ReminderSettings.h"

#include "platform/Files.h"
#include "platform/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace reminders {

namespace {

const QString kSection = QStringLiteral("Reminders");
const QChar kSeparator = u'|'; // not a letter of any file name the program makes or keeps
const int kKnownKept = 20;
const char* const kLetterKeys[kLetterKinds] = {"Letter", "LetterAgain", "LetterLast"};

QString read(const QString& key) {
    return platform::readProfileString(platform::settingsFile(), kSection, key, QString());
}
bool write(const QString& key, const QString& value) {
    return platform::writeProfileString(platform::settingsFile(), kSection, key, value);
}
QStringList list(const QString& key) { return read(key).split(kSeparator, Qt::SkipEmptyParts); }

// A line of the settings file holds no line break: they are kept as "\n".
QString oneLine(const QString& text) {
    return QString(text).replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
}
QString lines(const QString& text) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            out += text[i + 1] == u'n' ? QChar(u'\n') : text[i + 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The catalogues opened are state, not settings: kept apart from the settings file.
QString openedFile() { return platform::userStateFolder() + QStringLiteral("/Zandrel/opened"); }

QStringList knownCatalogues() {
    QFile f(openedFile());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

ReminderSettings readSettings() {
    ReminderSettings s;
    s.on = read(QStringLiteral("On")) == QStringLiteral("1");
    const QTime time = QTime::fromString(read(QStringLiteral("Time")), QStringLiteral("HH:mm"));
    if (time.isValid())
        s.time = time;
    s.catalogues = list(QStringLiteral("Catalogues"));
    s.known = knownCatalogues();
    for (int kind = 0; kind < kLetterKinds; ++kind)
        s.letters[kind] = lines(read(QLatin1String(kLetterKeys[kind])));
    // Numbers edited by hand out of their range are not taken.
    bool ok = false;
    const int before = read(QStringLiteral("Before")).toInt(&ok);
    if (ok && before >= 0 && before <= 14)
        s.before = before;
    const int every = read(QStringLiteral("Every")).toInt(&ok);
    if (ok && every >= 1 && every <= 60)
        s.every = every;
    return s;
}

bool writeSettings(const ReminderSettings& s) {
    bool written = write(QStringLiteral("On"), s.on ? QStringLiteral("1") : QStringLiteral("0"))
                   && write(QStringLiteral("Time"), s.time.toString(QStringLiteral("HH:mm")))
                   && write(QStringLiteral("Catalogues"), s.catalogues.join(kSeparator))
                   && write(QStringLiteral("Before"), QString::number(s.before))
                   && write(QStringLiteral("Every"), QString::number(s.every));
    // The program's own wording is kept as none, so a later program's own is used.
    for (int kind = 0; written && kind < kLetterKinds; ++kind)
        written = write(QLatin1String(kLetterKeys[kind]),
                        oneLine(s.letters[kind] == defaultLetter(kind) ? QString() : s.letters[kind]));
    return written;
}

void rememberCatalogue(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList known = knownCatalogues();
    if (!known.isEmpty() && known.first() == absolute)
        return;
    known.removeAll(absolute);
    known.prepend(absolute);
    QDir().mkpath(platform::folderOf(openedFile()));
    QSaveFile f(openedFile());
    if (f.open(QIODevice::WriteOnly)) {
        f.write(known.mid(0, kKnownKept).join(u'\n').toUtf8() + '\n');
        f.commit();
    }
}

QStringList cataloguesToCheck() {
    const QStringList chosen = list(QStringLiteral("Catalogues"));
    if (!chosen.isEmpty())
        return chosen;
    const QString last = platform::readProfileString(platform::settingsFile(), QStringLiteral("Options"),
                                                     QStringLiteral("DefaultBase"), QString());
    if (last.isEmpty())
        return {};
    return {QDir(platform::catalogueFolder()).absoluteFilePath(last)};
}

int letterKindAfter(int reminders) { return std::clamp(reminders, 0, kLetterKinds - 1); }

QString letterTitle(int kind) {
    static const char* const titles[kLetterKinds] = {"Напоминание", "Повторное напоминание", "Последнее напоминание"};
    return QString::fromUtf8(titles[letterKindAfter(kind)]);
}

QString defaultLetter(int kind) {
    switch (letterKindAfter(kind)) {
    case 1:
        return QStringLiteral("Повторное напоминание\n\n"
                              "Здравствуйте, {имя}!\n\n"
                              "Напоминаю ещё раз, что у Вас мои вещи из каталога «{каталог}»:\n\n"
                              "{вещи}\n\n"
                              "Верните их, пожалуйста, в ближайшее время. Спасибо!\n\n"
                              "{сегодня}");
    case 2:
        return QStringLiteral("Последнее напоминание\n\n"
                              "Здравствуйте, {имя}!\n\n"
                              "Это уже не первое напоминание о моих вещах из каталога «{каталог}»:\n\n"
                              "{вещи}\n\n"
                              "Прошу вернуть их без промедления.\n\n"
                              "{сегодня}");
    default:
        return QStringLiteral("Здравствуйте, {имя}!\n\n"
                              "Напоминаю, что у Вас мои вещи из каталога «{каталог}»:\n\n"
                              "{вещи}\n\n"
                              "Верните их, пожалуйста, когда Вам будет удобно. Спасибо!\n\n"
                              "{сегодня}");
    }
}

QString letterOf(const ReminderSettings& settings, int kind) {
    kind = letterKindAfter(kind);
    return settings.letters[kind].isEmpty() ? defaultLetter(kind) : settings.letters[kind];
}

} // namespace reminders
