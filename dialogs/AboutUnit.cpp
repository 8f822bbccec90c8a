#include "dialogs/AboutUnit.h"

#include "dialogs/JpegPicture.h"
#include "platform/Keys.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "platform/Version.h"
#include "platform/WindowFrame.h"
#include "ui_About.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QUrl>
#include <algorithm>
#include <stdexcept>

TfmAbout* fmAbout = nullptr;

const QString TfmAbout::kNickname = QStringLiteral("Кладовщик");
const QString TfmAbout::kHomePage = QStringLiteral("https://zandrel.example.org/");
const QString TfmAbout::kEMail = QStringLiteral("zandrel@example.org");

TfmAbout::TfmAbout(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmAbout) {
    // Named as its single instance (the layout file uses the class name, so
    // the generated code shadows no global); setupUi keeps the name.
    setObjectName(QStringLiteral("fmAbout"));
    ui->setupUi(this);
    m_designWidth = width();
    platform::setFixedFrame(this, platform::TitleButtons::Close);
    QFile picture(QStringLiteral(":/images/avatar.jpg"));
    if (picture.open(QIODevice::ReadOnly))
        ui->Avatar->setPixmap(QPixmap::fromImage(decodeJpeg(picture.readAll())));
    ui->Avatar->adjustSize();
    ui->lNik->setText(kNickname);
    ui->lurlHome->setText(QUrl(kHomePage).host());
    ui->lurlEMail->setText(kEMail);
    for (QLabel* label :
         {ui->lZandrel, ui->lType, ui->lCreator, ui->lNik, ui->lHome, ui->lEMail, ui->lurlHome, ui->lurlEMail})
        label->adjustSize();
    FitToTexts();
    for (QLabel* link : {ui->lurlHome, ui->lurlEMail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->installEventFilter(this);
    }
}

TfmAbout::~TfmAbout() = default;

void TfmAbout::FormCreate() {
    const std::optional<QString> version = platform::executableVersion();
    if (!version)
        throw std::runtime_error(
            ("Can't get file version information for " + QCoreApplication::applicationFilePath()).toStdString());
    ui->lZandrel->setText(QStringLiteral("Zandrel v.") + *version);
    ui->lZandrel->adjustSize();
    FitToTexts();
}

void TfmAbout::FitToTexts() {
    // The design places the links at 136 and the box at 251 wide; fonts
    // wider than the design's push both out instead of overlapping.
    const int linkLeft = std::max({136, ui->lHome->geometry().right() + 6, ui->lEMail->geometry().right() + 6});
    ui->lurlHome->move(linkLeft, ui->lurlHome->y());
    ui->lurlEMail->move(linkLeft, ui->lurlEMail->y());
    int right = m_designWidth;
    for (const QLabel* label : findChildren<QLabel*>())
        right = std::max(right, label->geometry().right() + 9);
    setFixedSize(right, height());
}

void TfmAbout::lurlHomeClick() { platform::shellOpen(kHomePage); }

void TfmAbout::lurlEMailClick() {
    platform::shellOpen(QStringLiteral("mailto:") + kEMail + QStringLiteral("?subject=Zandrel"));
}

void TfmAbout::keyPressEvent(QKeyEvent* event) {
    // Esc closes the box; every other key is ignored.
    if (event->key() == Qt::Key_Escape && platform::noModifiers(event->modifiers()))
        reject();
}

bool TfmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->lurlHome)
            platform::guarded([this] { lurlHomeClick(); });
        else if (watched == ui->lurlEMail)
            platform::guarded([this] { lurlEMailClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
