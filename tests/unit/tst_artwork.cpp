#include "testsupport.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>

namespace {
QString resource(const QString &relative)
{
    return testsupport::sourceDir() + QStringLiteral("/resources/") + relative;
}

int luminance(QRgb pixel)
{
    return (qRed(pixel) * 299 + qGreen(pixel) * 587 + qBlue(pixel) * 114) / 1000;
}

quint32 bigEndian32(const QByteArray &bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}
} // namespace

class ArtworkTest : public QObject
{
    Q_OBJECT

private slots:
    void icnsContainerIsWellFormed();
    void icnsLoadsAtEverySize();
    void splashIsDarkAndBlendsIntoWindow_data();
    void splashIsDarkAndBlendsIntoWindow();
    void splash2xIsTheSamePicture();
    void desktopIcons_data();
    void desktopIcons();
};

// Readers differ in how forgiving they are; the lengths must add up exactly.
void ArtworkTest::icnsContainerIsWellFormed()
{
    QFile file(resource(QStringLiteral("Tarnwick.icns")));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() > 8);
    QCOMPARE(bytes.left(4), QByteArray("icns"));
    QCOMPARE(qsizetype(bigEndian32(bytes, 4)), bytes.size());

    QSet<QByteArray> types;
    qsizetype at = 8;
    while (at < bytes.size()) {
        QVERIFY(at + 8 <= bytes.size());
        const QByteArray type = bytes.mid(at, 4);
        const qsizetype length = bigEndian32(bytes, at + 4);
        QVERIFY2(length > 8 && at + length <= bytes.size(), type.constData());
        QVERIFY2(bytes.mid(at + 8, 8) == QByteArray("\x89PNG\r\n\x1a\n"), type.constData());
        types.insert(type);
        at += length;
    }
    for (const char *needed : {"ic07", "ic08", "ic09", "ic10"})
        QVERIFY2(types.contains(needed), needed);
}

void ArtworkTest::icnsLoadsAtEverySize()
{
    QImageReader reader(resource(QStringLiteral("Tarnwick.icns")));
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QVERIFY(reader.imageCount() >= 4);
    QSet<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("entry %1: %2").arg(i).arg(reader.errorString())));
        QCOMPARE(image.width(), image.height());
        sizes.insert(image.width());
    }
    for (int size : {128, 256, 512, 1024})
        QVERIFY2(sizes.contains(size), qPrintable(QString::number(size)));
}

void ArtworkTest::splashIsDarkAndBlendsIntoWindow_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QSize>("size");
    QTest::newRow("1x") << QStringLiteral("splash-quenby.png") << QSize(620, 396);
    QTest::newRow("2x") << QStringLiteral("splash-quenby@2x.png") << QSize(1240, 792);
}

void ArtworkTest::splashIsDarkAndBlendsIntoWindow()
{
    QFETCH(QString, file);
    QFETCH(QSize, size);
    const QImage splash(resource(QStringLiteral("app/sonaric/app/ui/branding/") + file));
    QVERIFY(!splash.isNull());
    QCOMPARE(splash.size(), size);

    qint64 total = 0;
    int brightest = 0;
    for (int y = 0; y < splash.height(); ++y) {
        for (int x = 0; x < splash.width(); ++x) {
            const int value = luminance(splash.pixel(x, y));
            total += value;
            brightest = std::max(brightest, value);
        }
    }
    QVERIFY(total / (qint64(splash.width()) * splash.height()) < 50);
    QVERIFY2(brightest > 200, "the product name should stand out");

    // The window around the image is white level 0.105, so the edges must be that colour.
    const int window = qRound(0.105 * 255);
    for (int x = 0; x < splash.width(); ++x) {
        QVERIFY(qAbs(luminance(splash.pixel(x, splash.height() - 1)) - window) <= 2);
        QVERIFY(qAbs(luminance(splash.pixel(x, 0)) - window) <= 2);
    }
}

// A 2x file left over from older artwork would show a different picture on dense screens only.
void ArtworkTest::splash2xIsTheSamePicture()
{
    const QString folder = QStringLiteral("app/sonaric/app/ui/branding/");
    const QImage single =
        QImage(resource(folder + QStringLiteral("splash-quenby.png"))).convertToFormat(QImage::Format_RGB32);
    const QImage reduced = QImage(resource(folder + QStringLiteral("splash-quenby@2x.png")))
                               .scaled(single.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB32);
    QVERIFY(!single.isNull() && !reduced.isNull());
    qint64 difference = 0;
    for (int y = 0; y < single.height(); ++y)
        for (int x = 0; x < single.width(); ++x)
            difference += qAbs(luminance(single.pixel(x, y)) - luminance(reduced.pixel(x, y)));
    const double mean = double(difference) / (double(single.width()) * single.height());
    QVERIFY2(mean < 2.0, qPrintable(QStringLiteral("mean luminance difference %1").arg(mean)));
}

void ArtworkTest::desktopIcons_data()
{
    QTest::addColumn<int>("size");
    for (int size : {16, 32, 48, 64, 128, 256, 512})
        QTest::newRow(qPrintable(QStringLiteral("%1x%1").arg(size))) << size;
}

void ArtworkTest::desktopIcons()
{
    QFETCH(int, size);
    const QImage icon(resource(QStringLiteral("icons/hicolor/%1x%1/apps/vellmora.png").arg(size)));
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.size(), QSize(size, size));
    // Rounded tile: the corner is see-through, the centre is not.
    QVERIFY(icon.hasAlphaChannel());
    QVERIFY(qAlpha(icon.pixel(0, 0)) < 128);
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
}

QTEST_GUILESS_MAIN(ArtworkTest)
#include "tst_artwork.moc"
