// Every input kept in the fuzz corpus, the ones that once found a fault
// among them, replayed through its target: none may crash or abort.
#include "tests/fuzz/Targets.h"

#include <QDir>
#include <QtTest>

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void corpusReplays_data() {
        QTest::addColumn<QString>("target");
        for (const char* target : {"dialect", "like", "profile", "jpeg", "csv", "zipXml"})
            QTest::newRow(target) << QString::fromLatin1(target);
    }
    void corpusReplays() {
        QFETCH(QString, target);
        using Target = int (*)(const uint8_t*, size_t);
        const QMap<QString, Target> targets{{"dialect", fuzz::dialect}, {"like", fuzz::like},
                                            {"profile", fuzz::profile}, {"jpeg", fuzz::jpeg},
                                            {"csv", fuzz::csv},         {"zipXml", fuzz::zipXml}};
        const QDir corpus(QStringLiteral(ZANDREL_FUZZ_CORPUS) + u'/' + target);
        const QStringList inputs = corpus.entryList(QDir::Files);
        QVERIFY2(!inputs.isEmpty(), qPrintable(corpus.path()));
        for (const QString& name : inputs) {
            QFile input(corpus.filePath(name));
            QVERIFY(input.open(QIODevice::ReadOnly));
            const QByteArray bytes = input.readAll();
            targets[target](reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        }
    }
};

QTEST_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
