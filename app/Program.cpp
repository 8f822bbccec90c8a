#include "app/Program.h"

#include "app/Main.h"
#include "controls/Writers.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/CEditUnit.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/EditUnit.h"
#include "dialogs/TSelectUnit.h"
#include "features/Feature.h"
#include "platform/Files.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "platform/Version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>

namespace {

void NameTheApplication() {
    QApplication::setApplicationName(platform::programTitle());
    QApplication::setApplicationVersion(platform::executableVersion().value_or(QString()));
}

// An application object for an option that runs without the program's
// windows, where none exists yet (a test has its own). On Windows the
// notices go through the notification area, a widget's.
std::unique_ptr<QCoreApplication> ApplicationForAnOption() {
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "zandrel";
    static char* argv[] = {name, nullptr};
#ifdef Q_OS_WIN
    return std::make_unique<QApplication>(argc, argv);
#else
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

// The parser's own messages are English: each said again in Russian.
QString RussianParserError(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty())
        return QStringLiteral("Неизвестный параметр: %1.").arg(unknown.first());
    const QString error = parser.errorText();
    const QRegularExpressionMatch missing =
        QRegularExpression(QStringLiteral("^Missing value after '(.+)'")).match(error);
    if (missing.hasMatch())
        return QStringLiteral("После параметра %1 нужно указать файл.").arg(missing.captured(1));
    const QRegularExpressionMatch unexpected =
        QRegularExpression(QStringLiteral("^Unexpected value after '(.+)'")).match(error);
    if (unexpected.hasMatch())
        return QStringLiteral("Параметр %1 не принимает значения.").arg(unexpected.captured(1));
    return QStringLiteral("Неверные параметры командной строки.");
}

// «--help»: the options, the program's own and the features', one a line.
QString HelpText(const QString& executable, const QList<QCommandLineOption>& own,
                 const std::vector<CommandLineOption>& features) {
    QStringList lines{QStringLiteral("Использование: %1 [параметры] [ФАЙЛ]").arg(executable),
                      QStringLiteral("Каталогизатор: учёт вещей, отданных на время."), QString(),
                      QStringLiteral("Параметры:")};
    const auto line = [&](const QString& names, const QString& description) {
        lines << QStringLiteral("  %1 %2").arg(names, -14).arg(description);
    };
    line(QStringLiteral("-h, --help"), own[0].description());
    line(QStringLiteral("-v, --version"), own[1].description());
    for (const CommandLineOption& o : features)
        line(QStringLiteral("--%1 %2").arg(o.name, o.valueName).trimmed(), o.description);
    lines << QString() << QStringLiteral("Аргументы:");
    line(QStringLiteral("ФАЙЛ"), QStringLiteral("База данных каталогизатора (.mdb), открываемая при запуске."));
    return lines.join(u'\n') + u'\n';
}

} // namespace

Program::StartRequest Program::ParseCommandLine(const QStringList& arguments) {
    NameTheApplication();
    // The parser's own option texts and headings are English, and no
    // translation can be loaded before an application object exists: the
    // options and the help text are the program's own.
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку и выйти."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Показать версию программы и выйти."));
    parser.addOption(help);
    parser.addOption(version);
    const std::vector<CommandLineOption> features = featureOptions();
    std::vector<QCommandLineOption> featureSwitches;
    for (const CommandLineOption& o : features)
        parser.addOption(featureSwitches.emplace_back(o.name, o.description, o.valueName));
    const QString executable = QFileInfo(arguments.value(0, QStringLiteral("zandrel"))).fileName();
    const auto answer = [](const QString& text, FILE* to, int code) {
        platform::print(to, text);
        return StartRequest{{}, code};
    };
    int misuse = 1;
    for (const CommandLineOption& o : features)
        if (arguments.contains(QStringLiteral("--") + o.name))
            misuse = std::max(misuse, o.misuseStatus);
    const auto refuse = [&](const QString& text) {
        return answer(text + QStringLiteral("\nСправка: %1 --help\n").arg(executable), stderr, misuse);
    };
    if (!parser.parse(arguments))
        return refuse(RussianParserError(parser));
    QStringList switches;
    for (size_t i = 0; i < features.size(); ++i)
        if (!features[i].run && parser.isSet(featureSwitches[i]))
            switches << features[i].name;
    for (size_t i = 0; i < features.size(); ++i) {
        if (!features[i].run || !parser.isSet(featureSwitches[i]))
            continue;
        const QString value = features[i].valueName.isEmpty() ? QString() : parser.value(featureSwitches[i]);
        if (!features[i].valueName.isEmpty() && value.trimmed().isEmpty())
            return refuse(QStringLiteral("После параметра --%1 нужно указать файл.").arg(features[i].name));
        const std::unique_ptr<QCoreApplication> application =
            features[i].needsApplication ? ApplicationForAnOption() : nullptr;
        const int status = features[i].run(value, parser.positionalArguments(), switches);
        if (status != kStartAsUsual)
            return {{}, status};
        switches.clear();
    }
    if (!switches.isEmpty())
        return refuse(
            QStringLiteral("Параметр --%1 уточняет другой параметр и один не используется.").arg(switches.first()));
    if (parser.isSet(version))
        return answer(QApplication::applicationName() + u' ' + QApplication::applicationVersion() + u'\n', stdout, 0);
    if (parser.isSet(help))
        return answer(HelpText(executable, {help, version}, features), stdout, 0);
    const QStringList files = parser.positionalArguments();
    return {files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath(), std::nullopt};
}

void Program::openOnStart(const QString& file) { m_main->OpenOnStart(file); }

void Program::PrepareApplication() {
    NameTheApplication();
    // No display name: Qt would append it to every window title.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/zandrel.png")));
    platform::installRussianTranslation(*QCoreApplication::instance());
    // The windows are laid out for an 8-point interface font.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    QDir::setCurrent(platform::catalogueFolder());
}

Program::Program() {
    ResetProgramState();
    // Each window registers its single instance (fmMainForm, DM, ...) itself.
    m_main = std::make_unique<TfmMainForm>();
    m_dm = std::make_unique<TDM>();
    writers::follow(m_dm->ADOConnection);
    m_main->AttachDataModule();
    m_itemEditor = std::make_unique<TmEditForm>(m_main.get());
    m_contacts = std::make_unique<TcEditForm>(m_main.get(), m_main.get());
    m_contactEditor = std::make_unique<TfmCEdit>(m_main.get());
    m_tables = std::make_unique<TfmTSForm>(m_main.get());
    m_about = std::make_unique<TfmAbout>(m_main.get());
    m_features = makeFeatures();
    for (const std::unique_ptr<Feature>& feature : m_features)
        feature->install(*m_main);
    // A missing version is reported; the program goes on with the box's
    // design text.
    platform::guarded([this] { m_about->FormCreate(); });
}

Program::~Program() {
    platform::guarded([this] { m_main->FormDestroy(); });
    // The members then go in reverse order of declaration: the windows
    // before the data module their controls are bound to.
}

void Program::show() {
    m_main->show();
    // Desktops without a window manager don't activate a new window, and
    // the first activation is what opens the remembered database.
    m_main->activateWindow();
}
