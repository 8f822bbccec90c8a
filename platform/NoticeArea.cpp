#include "platform/NoticeArea.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace platform {

AreaMessage areaMessageOf(const Notification& notice) {
    return {notice.summary, notice.body, notice.critical, notice.critical ? 60 * 1000 : 15 * 1000};
}

void showInArea(NoticeArea& area, const QList<Notification>& notices, const std::function<void(int)>& onAction,
                const std::function<void(int)>& notShown, int waitMs) {
    if (!area.available()) {
        for (int i = 0; i < notices.size(); ++i)
            notShown(i);
        return;
    }
    QEventLoop loop;
    int open = int(notices.size());
    const auto oneGone = [&] {
        if (--open <= 0)
            loop.quit();
    };
    area.clicked = [&](int index) {
        if (onAction && index >= 0 && index < notices.size() && !notices[index].actionLabel.isEmpty())
            onAction(index);
        oneGone();
    };
    area.closed = oneGone;
    for (int i = 0; i < notices.size(); ++i)
        area.show(i, areaMessageOf(notices[i]));
    if (open <= 0)
        return;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
    area.clicked = nullptr;
    area.closed = nullptr;
}

namespace {

QString escaped(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
}

class RecordedArea : public NoticeArea {
public:
    explicit RecordedArea(const QString& file) : m_file(file) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { readAnswers(); });
        m_poll.start(50);
    }
    bool available() const override { return true; }
    void show(int index, const AreaMessage& message) override {
        QFile record(m_file);
        if (!record.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        record.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                         .arg(index)
                         .arg(message.warning ? QStringLiteral("warning") : QStringLiteral("information"))
                         .arg(message.shownMs)
                         .arg(escaped(message.title), escaped(message.text))
                         .toUtf8());
    }

private:
    // The answers written since the last look, each taken once.
    void readAnswers() {
        QFile answers(m_file + QStringLiteral(".answer"));
        if (!answers.open(QIODevice::ReadOnly))
            return;
        const QList<QByteArray> lines = answers.readAll().split('\n');
        // The last piece is a line still being written, or nothing.
        for (; m_taken < lines.size() - 1; ++m_taken) {
            const QByteArray line = lines[m_taken].trimmed();
            if (line.startsWith("click ") && clicked)
                clicked(line.mid(6).toInt());
            else if (line == "close" && closed)
                closed();
        }
    }

    QString m_file;
    QTimer m_poll;
    qsizetype m_taken = 0;
};

} // namespace

std::unique_ptr<NoticeArea> recordedArea() {
    const QString file = qEnvironmentVariable("ZANDREL_NOTICE_RECORD");
    if (file.isEmpty())
        return nullptr;
    return std::make_unique<RecordedArea>(file);
}

void showNotifications(const QList<Notification>& notifications, const std::function<void(int)>& onAction,
                       const std::function<void(int)>& notShown, int waitMs) {
    if (const std::unique_ptr<NoticeArea> recorded = recordedArea())
        return showInArea(*recorded, notifications, onAction, notShown, waitMs);
    showSystemNotifications(notifications, onAction, notShown, waitMs);
}

} // namespace platform
