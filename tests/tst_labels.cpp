// Labels read back by tools we did not write: the PDF's pages rendered by
// pdftoppm at 300 dpi, each label cut out where the sheet puts it and its
// barcode decoded by zbarimg; and the labels window driven by keys and clicks.
#include "AppHarness.h"

#include "data/Codes.h"
#include "labels/Barcode.h"
#include "labels/LabelSheet.h"
#include "platform/LockNote.h"
#include "reports/PdfFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QtTest>

namespace {

constexpr double kDotsPerMm = 300 / 25.4;

bool toolsThere() {
    return !QStandardPaths::findExecutable("pdftoppm").isEmpty()
           && !QStandardPaths::findExecutable("zbarimg").isEmpty();
}

// Each label of sheet from first on, cut out of the pages of pdf and
// decoded, in the order the labels were given; "" where none was read.
QStringList decoded(const QString& pdf, const labels::Sheet& sheet, int first, int count, int* pages = nullptr) {
    const QString stem = pdf.chopped(4);
    QProcess::execute("pdftoppm", {"-r", "300", "-png", pdf, stem});
    QDir folder(QFileInfo(pdf).path());
    const QStringList pageFiles = folder.entryList({QFileInfo(stem).fileName() + "-*.png"}, QDir::Files, QDir::Name);
    if (pages)
        *pages = int(pageFiles.size());
    QStringList codes;
    for (int i = 0; i < count; ++i) {
        const int position = first + i, page = position / sheet.perPage();
        const QImage image(folder.filePath(pageFiles.value(page)));
        const QRectF mm = sheet.cell(position % sheet.perPage());
        const QString cut = stem + QStringLiteral("-label%1.png").arg(i);
        image.copy(QRectF(mm.topLeft() * kDotsPerMm, mm.size() * kDotsPerMm).toRect()).save(cut);
        QProcess zbar;
        zbar.start("zbarimg", {"-q", "--raw", cut});
        zbar.waitForFinished(30000);
        codes << QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
    }
    return codes;
}

labels::Sheet ownSheet() {
    labels::Sheet sheet;
    sheet.rows = 5;
    sheet.columns = 2;
    sheet.labelWidth = 80;
    sheet.labelHeight = 30;
    sheet.left = 15;
    sheet.top = 20;
    sheet.gapX = 10;
    sheet.gapY = 5;
    return sheet;
}

} // namespace

Q_DECLARE_METATYPE(labels::Sheet)

class TestLabels : public QObject {
    Q_OBJECT

private slots:
    // Every code of a sheet read back from the PDF, in order, none missing:
    // own numbers as Code 128, ISBNs as EAN-13, on each preset and one's
    // own sheet, from a label of a partly used sheet on, over pages.
    void barcodesReadBack_data() {
        QTest::addColumn<labels::Sheet>("sheet");
        QTest::addColumn<int>("first");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("pages");
        const QStringList mixed{"00000001",      "9780306406157", "00000002", "LIB-CARD-000123",
                                "9785170906307", "00000003",      "K7"};
        QStringList many;
        for (int i = 1; i <= 45; ++i)
            many << QStringLiteral("%1").arg(i, 8, 10, QChar(u'0'));
        const QList<labels::Sheet> presets = labels::presets();
        QTest::newRow("3 × 8") << presets[0] << 0 << mixed << 1;
        QTest::newRow("2 × 7, from the sixth") << presets[1] << 5 << mixed << 1;
        QTest::newRow("4 × 10 over two pages") << presets[2] << 3 << many << 2;
        QTest::newRow("one's own sheet, from the last") << ownSheet() << 9 << mixed << 2;
    }
    void barcodesReadBack() {
        if (!toolsThere())
            QSKIP("pdftoppm and zbarimg are needed");
        QFETCH(labels::Sheet, sheet);
        QFETCH(int, first);
        QFETCH(QStringList, codes);
        QFETCH(int, pages);
        QList<labels::Label> list;
        for (const QString& code : codes)
            list << labels::Label{code,
                                  QStringLiteral("Очень длинное название книги, которое не помещается на этикетку "
                                                 "ни в две строки, ни в три, ни даже в четыре строки текста"),
                                  QStringLiteral("Книги")};
        TestFolder folder;
        const QString pdf = folder.path("labels.pdf");
        int painted = 0;
        reports::savePdf(
            pdf, "Этикетки",
            [&](QPagedPaintDevice& device) { painted = labels::paintLabels(device, sheet, first, list); }, QMarginsF());
        int rendered = 0;
        QCOMPARE(decoded(pdf, sheet, first, int(codes.size()), &rendered), codes);
        // Each label's title (its end shortened) and table, as text of the PDF.
        QProcess text;
        text.start("pdftotext", {pdf, "-"});
        text.waitForFinished(30000);
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(words.count("Книги"), codes.size());
        QCOMPARE(words.count(u'…'), codes.size());
        QCOMPARE(words.count("Очень"), codes.size());
        QCOMPARE(painted, pages);
        QCOMPARE(rendered, pages);
    }

    // The bars are whole modules, nothing added round them: the black of a
    // row across the bars is exactly the bars' width; the sheets are
    // centred on the page.
    void barsAreWholeModules_data() {
        QTest::addColumn<QString>("code");
        QTest::newRow("own number") << "00000001";
        QTest::newRow("ISBN") << "9780306406157";
        QTest::newRow("letters") << "LIB-CARD-000123";
    }
    void barsAreWholeModules() {
        QFETCH(QString, code);
        const labels::Barcode barcode = labels::encode(code);
        QVERIFY2(barcode.drawn(), qPrintable(barcode.error));
        constexpr int kPixels = 4; // to a module
        QImage image(int(barcode.modules) * kPixels + 20, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            labels::draw(painter, barcode, QRectF(10, 10, barcode.modules * kPixels, 180), kPixels / labels::kModuleMm);
        }
        double modules = 0;
        for (const QRectF& bar : barcode.bars)
            modules += bar.top() <= 0.25 && bar.bottom() >= 0.25 ? bar.width() : 0;
        int black = 0;
        for (int x = 0; x < image.width(); ++x)
            black += qGray(image.pixel(x, 10 + 40)) < 128;
        QCOMPARE(black, qRound(modules * kPixels));
        for (const labels::Sheet& sheet : labels::presets()) {
            const QRectF last = sheet.cell(sheet.perPage() - 1);
            QCOMPARE(sheet.left, labels::kPageWidthMm - last.right());
            QCOMPARE(sheet.top, labels::kPageHeightMm - last.bottom());
        }
    }

    // A code Code 128 cannot hold, or too long for it, has no barcode and
    // says why; sheets that do not fit on A4 (settings edited by hand) say so.
    void whatCannotBePrinted_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("drawn");
        QTest::addColumn<int>("height"); // of one's own label, mm
        QTest::addColumn<int>("gap");
        QTest::addColumn<bool>("fits");
        QTest::newRow("own number, the page filled") << "00000001" << true << 57 << 0 << true;
        QTest::newRow("Cyrillic, no height") << "Ч-12" << false << 0 << 0 << false;
        QTest::newRow("too long, a gap too many") << QString(300, u'A') << false << 57 << 1 << false;
    }
    void whatCannotBePrinted() {
        QFETCH(QString, code);
        QFETCH(bool, drawn);
        QFETCH(int, height);
        QFETCH(int, gap);
        QFETCH(bool, fits);
        const labels::Barcode barcode = labels::encode(code);
        QCOMPARE(barcode.drawn(), drawn);
        QCOMPARE(barcode.error.isEmpty(), drawn);
        QCOMPARE(labels::withoutBarcode({{code, "", ""}}), drawn ? 0 : 1);
        labels::Sheet sheet = ownSheet(); // 5 rows from 20 mm
        sheet.labelHeight = height;
        sheet.gapY = gap;
        sheet.top = labels::kPageHeightMm - 5 * height - 2; // 2 mm to spare, less than 4 gaps
        QCOMPARE(sheet.misfit().isEmpty(), fits);
    }

    // A title takes at most two lines of the label's width, never cut
    // silently: what does not fit ends in «…»; a word wider than a line is
    // broken.
    void titlesFitTwoLines_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("elided");
        QTest::newRow("short") << "Дар" << 1 << false;
        QTest::newRow("two lines") << "Преступление и наказание" << 2 << false;
        QTest::newRow("as wide as the line") << "Преступление и" << 1 << false;
        QTest::newRow("too long") << "Очень длинное название книги, которое никак не помещается на этикетку" << 2
                                  << true;
        QTest::newRow("one long word") << "Достопримечательностями" << 2 << false;
        QTest::newRow("blanks only") << "   " << 0 << false;
    }
    void titlesFitTwoLines() {
        QFETCH(QString, title);
        QFETCH(int, lines);
        QFETCH(bool, elided);
        QFont font;
        font.setPixelSize(20);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance("Преступление и");
        const QStringList got = labels::titleLines(title, metrics, width);
        QCOMPARE(got.size(), lines);
        for (const QString& line : got)
            QVERIFY2(metrics.horizontalAdvance(line) <= width + 0.5, qPrintable(line));
        QCOMPARE(!got.isEmpty() && got.last().endsWith(u'…'), elided);
        // What is shown is the title's start, nothing dropped before the «…».
        QString shown = got.join(u' ');
        shown.remove(u'…');
        QVERIFY2(title.simplified().remove(u' ').startsWith(shown.remove(u' ')), qPrintable(shown));
    }

    // The window as a user drives it: a preset chosen by keys, the first
    // label typed, the PDF saved by a click; the codes printed are
    // remembered, so «only not printed» leaves only the new one; items
    // without a code are counted; the contacts window prints cards.
    void theLabelsWindow() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        app.makeCatalogue("a.mdb", {{"Книги", {"'Идиот', NULL, NULL", "'Бесы', NULL, NULL", "'Дар', NULL, NULL"}}},
                          {"1, 'Ира'", "2, 'Пётр'"});
        const QString file = app.folder.path("a.mdb");
        {
            engine::Connection c;
            c.setConnectionString(QStringLiteral("Data Source=") + file);
            c.open();
            codes::assign(c, {"Книги", 1}, "00000001");
            codes::assign(c, {"Книги", 2}, "0306406152");
            codes::assign(c, {"_contacts", 2}, "C2");
        }
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const QString pdf = app.folder.path("labels.pdf");
        whenModalShown([&](QWidget* window) {
            QCOMPARE(window->windowTitle(), "Этикетки");
            auto* sheets = childOf<QComboBox>(window, "cbSheet");
            QStringList names;
            for (int i = 0; i < sheets->count(); ++i)
                names << sheets->itemText(i);
            QCOMPARE(names, (QStringList{"A4: 3 × 8, 70 × 37 мм", "A4: 2 × 7, 99,1 × 38,1 мм",
                                         "A4: 4 × 10, 48,5 × 25,4 мм", "Свой формат"}));
            QTest::keyClick(sheets, Qt::Key_End); // one's own: the sizes stay
            QCOMPARE(childOf<QSpinBox>(window, "sbRows")->value(), 8);
            QTest::keyClick(sheets, Qt::Key_Home);
            QTest::keyClick(sheets, Qt::Key_Down); // 2 × 7
            QCOMPARE(childOf<QSpinBox>(window, "sbRows")->value(), 7);
            QCOMPARE(childOf<QDoubleSpinBox>(window, "dsbLeft")->value(), 4.65);
            auto* first = childOf<QSpinBox>(window, "sbFirst");
            first->setFocus();
            first->selectAll();
            QTest::keyClicks(first, "13");
            QCOMPARE(childOf<QLabel>(window, "lSummary")->text(),
                     "Этикеток: 2, листов: 1.\nБез кода: 1 запись, они пропущены (коды даёт «Присвоить коды...»).");
            QTest::keyClick(childOf<QCheckBox>(window, "cbOnlyNew"), Qt::Key_Space); // none printed yet
            dialogs.choose(pdf);
            click(childOf<QPushButton>(window, "bPdf"));
            QVERIFY(!childOf<QPushButton>(window, "bPdf")->isEnabled()); // both printed now
            click(childOf<QPushButton>(window, "bClose"));
        });
        app.find<QAction>("iLabels")->trigger();
        if (toolsThere())
            QCOMPARE(decoded(pdf, labels::presets()[1], 12, 2),
                     (QStringList{"9780306406157", "00000001"})); // by title, as the grid shows them
        QCOMPARE(rowsOf(file, "SELECT code || ':' || printed FROM _codes ORDER BY code"),
                 (QStringList{"00000001:1", "9780306406157:1", "C2:0"}));
        QVERIFY(app.settings().contains("Rows=7"));

        const QString cards = app.folder.path("cards.pdf");
        whenModalShown([&](QWidget* contacts) {
            auto* cardsCommand = contacts->findChild<QAction*>("iContactCards");
            QVERIFY(contacts->findChild<QMenu*>("pmContacts")->actions().contains(cardsCommand));
            whenModalShown([&](QWidget* window) {
                QCOMPARE(window->windowTitle(), "Карточки");
                QCOMPARE(childOf<QSpinBox>(window, "sbRows")->value(), 7); // the sheet used last
                QCOMPARE(
                    childOf<QLabel>(window, "lSummary")->text(),
                    "Этикеток: 1, листов: 1.\nБез кода: 1 контакт, они пропущены (коды даёт «Присвоить коды...»).");
                dialogs.choose(cards);
                click(childOf<QPushButton>(window, "bPdf"));
                QTest::keyClick(window, Qt::Key_Escape);
            });
            cardsCommand->trigger();
            QTest::keyClick(contacts, Qt::Key_Escape);
        });
        app.find<QAction>("tbContacts")->trigger();
        if (toolsThere())
            QCOMPARE(decoded(cards, labels::presets()[1], 0, 1), QStringList{"C2"});
        app.quit(boxes);
    }
};

QTEST_MAIN(TestLabels)
#include "tst_labels.moc"
