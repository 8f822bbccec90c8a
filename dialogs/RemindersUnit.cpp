#include "dialogs/RemindersUnit.h"

#include "platform/MessageBox.h"
#include "platform/Scheduling.h"
#include "reminders/CheckDue.h"
#include "reminders/ReminderSettings.h"
#include "ui_RemindersForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <array>

TfmReminders* fmReminders = nullptr;

TfmReminders::TfmReminders(QWidget* parent) : ModalForm(parent, Placement::CentredOnOwner), ui(new Ui::TfmReminders) {
    setObjectName(QStringLiteral("fmReminders"));
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    using platform::connectHandler;
    connectHandler(ui->bbOk, &QPushButton::clicked, this, &TfmReminders::bbOkClick);
    connectHandler(ui->bbDefaultLetter, &QPushButton::clicked, this, &TfmReminders::bbDefaultLetterClick);
    connect(ui->bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->cbRemind, &QCheckBox::toggled, this, [this] { EnableSchedule(); });
}

TfmReminders::~TfmReminders() = default;

void TfmReminders::Execute(const QString& current) {
    const reminders::ReminderSettings s = reminders::readSettings();
    ui->cbRemind->setChecked(s.on);
    ui->teTime->setTime(s.time);
    ui->sbBefore->setValue(s.before);
    ui->sbEvery->setValue(s.every);
    ui->lbCatalogues->clear();
    QStringList shown = s.known;
    const QString open = current.isEmpty() ? QString() : QFileInfo(current).absoluteFilePath();
    for (const QString& chosen : s.catalogues + QStringList{open})
        if (!chosen.isEmpty() && !shown.contains(chosen))
            shown << chosen;
    for (const QString& path : std::as_const(shown)) {
        auto* item = new QListWidgetItem(QDir::toNativeSeparators(path), ui->lbCatalogues);
        item->setData(Qt::UserRole, path);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        const bool ticked = s.catalogues.isEmpty() ? path == open : s.catalogues.contains(path);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    for (int kind = 0; kind < reminders::kLetterKinds; ++kind)
        Letter(kind)->setPlainText(reminders::letterOf(s, kind));
    ui->tcLetters->setCurrentIndex(0);
    ui->lSchedule->setText(platform::describeDailyRun(platform::dailyRun(), s.time));
    EnableSchedule();
    exec();
}

void TfmReminders::EnableSchedule() {
    ui->teTime->setEnabled(ui->cbRemind->isChecked());
    ui->sbBefore->setEnabled(ui->cbRemind->isChecked());
    ui->sbEvery->setEnabled(ui->cbRemind->isChecked());
    ui->lbCatalogues->setEnabled(ui->cbRemind->isChecked());
}

QPlainTextEdit* TfmReminders::Letter(int kind) const {
    return std::array{ui->mLetter, ui->mLetterAgain, ui->mLetterLast}[kind];
}

// The letter shown: the others stay as typed.
void TfmReminders::bbDefaultLetterClick() {
    const int kind = ui->tcLetters->currentIndex();
    Letter(kind)->setPlainText(reminders::defaultLetter(kind));
}

void TfmReminders::bbOkClick() {
    reminders::ReminderSettings s = reminders::readSettings();
    s.on = ui->cbRemind->isChecked();
    s.time = ui->teTime->time();
    s.before = ui->sbBefore->value();
    s.every = ui->sbEvery->value();
    s.catalogues.clear();
    for (int i = 0; i < ui->lbCatalogues->count(); ++i)
        if (ui->lbCatalogues->item(i)->checkState() == Qt::Checked)
            s.catalogues << ui->lbCatalogues->item(i)->data(Qt::UserRole).toString();
    for (int kind = 0; kind < reminders::kLetterKinds; ++kind)
        s.letters[kind] = Letter(kind)->toPlainText();
    if (!reminders::writeSettings(s))
        throw std::runtime_error("Не удалось сохранить настройки напоминаний.");
    QString error;
    platform::DailyRun run = platform::DailyRun::None;
    if (s.on)
        run = platform::scheduleDailyRun(s.time, QCoreApplication::applicationFilePath(),
                                         {QStringLiteral("--") + QLatin1String(reminders::kCheckOption)}, &error);
    else
        platform::removeDailyRun();
    const QString said = error.isEmpty() ? platform::describeDailyRun(run, s.time) : error;
    ui->lSchedule->setText(said);
    platform::messageBox(said, QStringLiteral("Напоминания"), platform::Buttons::Ok,
                         s.on && run == platform::DailyRun::None ? platform::Icon::Warning
                                                                 : platform::Icon::Information);
    accept();
}
