#include "dialogs/JpegPicture.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <cstdlib>

namespace {

QByteArray readResource(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool qtCanReadJpeg() { return QImageReader::supportedImageFormats().contains("jpeg"); }
bool qtCanWriteJpeg() { return QImageWriter::supportedImageFormats().contains("jpeg"); }

QByteArray encodeWithQt(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality))
        return {};
    return bytes;
}

// Number of colour components declared in the first baseline/progressive
// frame header, or -1 when there is none.
int frameComponents(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2))
            return static_cast<unsigned char>(jpeg[i + 9]);
    }
    return -1;
}

// Largest per-channel difference, and the mean one, over two same-sized images.
struct Difference {
    int max = 0;
    double mean = 0;
};

Difference compare(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i) {
            const int diff = std::abs(int(p[i]) - int(q[i]));
            d.max = std::max(d.max, diff);
            sum += diff;
        }
    }
    d.mean = double(sum) / (double(x.width()) * x.height() * 3);
    return d;
}

QImage colourGradient() {
    QImage image(48, 40, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(40 + x * 4, 30 + y * 5, 200 - x * 2));
    return image;
}

QImage greyGradient() {
    QImage image(40, 24, QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.scanLine(y)[x] = uchar(20 + x * 5 + y);
    return image;
}

const char* const Pictures[] = {
    "image00.png", "image01.png", "image02.png", "image03.png", "image04.png", "image05.png",
    "image06.png", "image07.png", "image08.png", "image09.png", "image10.png", "image11.png",
    "image12.png", "image13.png", "image14.png", "search.png",  "zandrel.png", "avatar.jpg",
};

QImage loadPicture(const QString& name) {
    const QByteArray bytes = readResource(QStringLiteral(":/images/") + name);
    // The about box reads the avatar with our own decoder, so do the same.
    if (name.endsWith(QLatin1String(".jpg")))
        return decodeJpeg(bytes);
    return QImage::fromData(bytes, "PNG");
}

} // namespace

class TestJpeg : public QObject {
    Q_OBJECT

private slots:
    void decodesLikeReference_data();
    void decodesLikeReference();
    void damagedDataGivesNullImage_data();
    void damagedDataGivesNullImage();
    void resourcePictures_data();
    void resourcePictures();
    void resourcePicturesAreDistinct();
};

void TestJpeg::decodesLikeReference_data() {
    QTest::addColumn<QByteArray>("jpeg");
    QTest::addColumn<QImage>("reference"); // null: Qt cannot provide one here
    QTest::addColumn<int>("maxDiff");
    QTest::addColumn<double>("meanDiff");
    QTest::addColumn<bool>("grey");

    // Same library underneath, so Qt's reader should agree almost exactly.
    const QByteArray avatar = readResource(QStringLiteral(":/images/avatar.jpg"));
    QTest::newRow("stored avatar") << avatar << (qtCanReadJpeg() ? QImage::fromData(avatar, "JPG") : QImage()) << 4
                                   << 0.5 << false;

    // Against the source picture: catches swapped channels and row mix-ups.
    const bool canWrite = qtCanWriteJpeg();
    QTest::newRow("colour gradient") << (canWrite ? encodeWithQt(colourGradient(), 100) : QByteArray())
                                     << (canWrite ? colourGradient() : QImage()) << 8 << 1.5 << false;
    QTest::newRow("greyscale gradient") << (canWrite ? encodeWithQt(greyGradient(), 100) : QByteArray())
                                        << (canWrite ? greyGradient() : QImage()) << 4 << 1.0 << true;
}

void TestJpeg::decodesLikeReference() {
    QFETCH(QByteArray, jpeg);
    QFETCH(QImage, reference);
    QFETCH(int, maxDiff);
    QFETCH(double, meanDiff);
    QFETCH(bool, grey);

    if (reference.isNull())
        QSKIP("Qt's JPEG plugin is not installed, nothing to compare with");
    QVERIFY(!jpeg.isEmpty());
    if (grey)
        QCOMPARE(frameComponents(jpeg), 1); // otherwise this row tests nothing new

    const QImage decoded = decodeJpeg(jpeg);
    QVERIFY(!decoded.isNull());
    QCOMPARE(decoded.size(), reference.size());

    const Difference d = compare(decoded, reference);
    QVERIFY2(d.max <= maxDiff && d.mean <= meanDiff,
             qPrintable(QStringLiteral("max %1, mean %2").arg(d.max).arg(d.mean)));

    if (grey) {
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x) {
                const QRgb p = decoded.pixel(x, y);
                QVERIFY(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            }
    }
}

void TestJpeg::damagedDataGivesNullImage_data() {
    QTest::addColumn<QByteArray>("data");

    const QByteArray avatar = readResource(QStringLiteral(":/images/avatar.jpg"));
    QVERIFY(avatar.size() > 600);

    QRandomGenerator random(20240517);
    QByteArray noise(4096, Qt::Uninitialized);
    for (char& c : noise)
        c = char(random.bounded(256));

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("random bytes") << noise;
    QTest::newRow("start marker then noise") << QByteArray("\xFF\xD8\xFF", 3) + noise;
    QTest::newRow("start marker only") << QByteArray("\xFF\xD8", 2);
    QTest::newRow("cut inside the headers") << avatar.left(200);
    QTest::newRow("cut halfway") << avatar.left(avatar.size() / 2);
    QTest::newRow("end marker missing") << avatar.left(avatar.size() - 40);
    QTest::newRow("a PNG") << readResource(QStringLiteral(":/images/image00.png"));
}

void TestJpeg::damagedDataGivesNullImage() {
    QFETCH(QByteArray, data);
    QVERIFY(decodeJpeg(data).isNull());
}

void TestJpeg::resourcePictures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    for (const char* name : Pictures) {
        const QString n = QString::fromLatin1(name);
        const int side = n == QLatin1String("zandrel.png") ? 48 : n == QLatin1String("avatar.jpg") ? 64 : 16;
        QTest::newRow(name) << n << QSize(side, side);
    }
}

void TestJpeg::resourcePictures() {
    QFETCH(QString, name);
    QFETCH(QSize, size);

    QVERIFY(QFile::exists(QStringLiteral(":/images/") + name));
    const QImage image = loadPicture(name);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);

    if (name.endsWith(QLatin1String(".png"))) {
        // Icons sit on toolbars and menus of any colour.
        QVERIFY(image.hasAlphaChannel());
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(argb.pixel(0, 0)), 0);
        int opaque = 0;
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x)
                opaque += qAlpha(argb.pixel(x, y)) == 255;
        QVERIFY2(opaque >= argb.width() * argb.height() / 5, "too faint to be seen");
    }
}

void TestJpeg::resourcePicturesAreDistinct() {
    // Guards against two aliases in the resource file naming the same drawing.
    QSet<QByteArray> seen;
    for (const char* name : Pictures) {
        const QImage image = loadPicture(QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(!image.isNull(), name);
        const QByteArray pixels(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
        QVERIFY2(!seen.contains(pixels), name);
        seen.insert(pixels);
    }
}

QTEST_MAIN(TestJpeg)
#include "tst_jpeg.moc"
