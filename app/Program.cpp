#include "app/Program.h"

#include "app/Main.h"
#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/CEditUnit.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/EditUnit.h"
#include "dialogs/TSelectUnit.h"
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

#include <cstdio>
#include <cstdlib>

namespace {

void NameTheApplication() {
    QApplication::setApplicationName(QStringLiteral("Zandrel"));
    QApplication::setApplicationVersion(platform::executableVersion().value_or(QString()));
}

} // namespace

QString Program::ParseCommandLine(const QStringList& arguments) {
    NameTheApplication();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Каталогизатор: учёт вещей, отданных на время."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("База данных каталогизатора (.mdb)."),
                                 QStringLiteral("[FILE]"));
    // Answered here rather than by the parser, which names the program only
    // once an application object exists.
    const auto answer = [](const QString& text, FILE* to, int code) {
        std::fputs(qPrintable(text), to);
        std::exit(code);
    };
    if (!parser.parse(arguments))
        answer(parser.errorText() + u'\n', stderr, 1);
    if (parser.isSet(version))
        answer(QApplication::applicationName() + u' ' + QApplication::applicationVersion() + u'\n', stdout, 0);
    if (parser.isSet(help))
        answer(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                         QFileInfo(arguments.value(0, QStringLiteral("zandrel"))).fileName()),
               stdout, 0);
    const QStringList files = parser.positionalArguments();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
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
    m_main->AttachDataModule();
    m_itemEditor = std::make_unique<TmEditForm>(m_main.get());
    m_contacts = std::make_unique<TcEditForm>(m_main.get(), m_main.get());
    m_contactEditor = std::make_unique<TfmCEdit>(m_main.get());
    m_tables = std::make_unique<TfmTSForm>(m_main.get());
    m_about = std::make_unique<TfmAbout>(m_main.get());
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
