// The compiled-in pictures and licence texts: present at their resource
// paths, of the sizes and colours the frame and the splash rely on, and
// identical to what tools/draw_resources produces.
#include "frame/qm6080fp_icons.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

const QRgb navy = 0xff1a2c5e;
const QRgb grey = 0xff808080;
const QRgb red = 0xffff0000;
const QRgb blue = 0xff0000ff;
const QRgb white = 0xffffffff;
const QRgb black = 0xff000000;
const QRgb green = 0xff008000;
const QRgb darkRed = 0xff800000;
const QRgb transparent = 0;

using IconFunction = std::function<QPixmap()>;

QImage iconImage(const IconFunction &f)
{
    return f().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Colours of an icon; every fully transparent pixel counts as 0.
QSet<QRgb> coloursOf(const QImage &img)
{
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            colours.insert(qAlpha(p) == 0 ? transparent : p);
        }
    return colours;
}

// Horizontal runs of `colour` in one row, as (first column, length).
QList<QPair<int, int>> runs(const QImage &img, int y, QRgb colour)
{
    QList<QPair<int, int>> result;
    for (int x = 0; x < img.width(); ++x) {
        if (img.pixel(x, y) != colour)
            continue;
        if (!result.isEmpty() && result.last().first + result.last().second == x)
            ++result.last().second;
        else
            result.append({x, 1});
    }
    return result;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

Q_DECLARE_METATYPE(IconFunction)

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pictureSizes_data();
    void pictureSizes();
    void headerLogosSitOnTheTitleBand_data();
    void headerLogosSitOnTheTitleBand();
    void splashLeavesLightAreasForBlackText();
    void cardPictureIsADrawing();
    void licenceTexts_data();
    void licenceTexts();
    void licenceTextsUseCrLf_data();
    void licenceTextsUseCrLf();
    void iconColours_data();
    void iconColours();
    void stopIconFillsRowsTwoToEleven();
    void playIconsAreRightPointingTriangles_data();
    void playIconsAreRightPointingTriangles();
    void generatorReproducesCommittedFiles();
};

void TestResources::initTestCase()
{
    // Both libraries carry resources; make sure they are registered even if
    // the linker would otherwise leave a library unused.
    Q_INIT_RESOURCE(qm6080fp);
    Q_INIT_RESOURCE(qm7240fp);
}

void TestResources::pictureSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QSize>("size");
    QTest::newRow("splash background") << ":/fp_splash.png" << QByteArray("png") << QSize(520, 400);
    QTest::newRow("maker logo") << ":/marvane-logo.bmp" << QByteArray("bmp") << QSize(86, 84);
    QTest::newRow("VXI logo") << ":/vxi-logo.bmp" << QByteArray("bmp") << QSize(146, 84);
    QTest::newRow("LXI logo") << ":/lxi-logo.bmp" << QByteArray("bmp") << QSize(121, 84);
    QTest::newRow("card picture") << ":/qm7240fp_splash.png" << QByteArray("png")
                                  << QSize(452, 194);
}

void TestResources::pictureSizes()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, format);
    QFETCH(QSize, size);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QImageReader reader(path);
    QCOMPARE(reader.format(), format);
    const QImage img = reader.read();
    QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(img.size(), size);
}

void TestResources::headerLogosSitOnTheTitleBand_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("maker logo") << ":/marvane-logo.bmp";
    QTest::newRow("VXI logo") << ":/vxi-logo.bmp";
    QTest::newRow("LXI logo") << ":/lxi-logo.bmp";
}

void TestResources::headerLogosSitOnTheTitleBand()
{
    // The header row is logo, navy title band, carrier logo: the pictures'
    // edges must be the band's navy so the header reads as one strip.
    QFETCH(QString, path);
    const QImage img(path);
    QVERIFY(!img.isNull());
    const QPoint corners[] = {
        {0, 0}, {img.width() - 1, 0}, {0, img.height() - 1}, {img.width() - 1, img.height() - 1}};
    for (const QPoint &c : corners)
        QCOMPARE(QString::number(img.pixel(c), 16), QString::number(navy, 16));
    // Something is drawn on it: white lettering.
    int whitePixels = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            whitePixels += img.pixel(x, y) == white;
    QVERIFY2(whitePixels > 100, qPrintable(QString::number(whitePixels)));
}

void TestResources::splashLeavesLightAreasForBlackText()
{
    // The splash writes the title, description and notice in the painter's
    // default black in the column below the card picture (y 236 to 400).
    const QImage img(QStringLiteral(":/fp_splash.png"));
    QVERIFY(!img.isNull());
    for (int y = 250; y < 390; y += 10)
        for (int x = 87; x < 500; x += 20)
            QVERIFY2(QColor(img.pixel(x, y)).lightness() > 200,
                     qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    // The brand band along the top is navy.
    QCOMPARE(QString::number(img.pixel(300, 10), 16), QString::number(navy, 16));
}

void TestResources::cardPictureIsADrawing()
{
    // Transparent around the board so the splash background shows, and a
    // drawing with many colours rather than a flat placeholder.
    const QImage img =
        QImage(QStringLiteral(":/qm7240fp_splash.png")).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!img.isNull());
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(451, 0)), 0);
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    QVERIFY2(colours.size() > 200, qPrintable(QString::number(colours.size())));
}

void TestResources::licenceTexts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("headings"); // in the order they must appear
    QTest::newRow("toolkit 4") << ":/qt-lgpl-license.txt"
                               << QStringList{"Qt LGPL Exception version 1.1",
                                              "GNU LESSER GENERAL PUBLIC LICENSE",
                                              "Version 2.1, February 1999",
                                              "TERMS AND CONDITIONS FOR COPYING, DISTRIBUTION "
                                              "AND MODIFICATION",
                                              "END OF TERMS AND CONDITIONS"};
    QTest::newRow("toolkit 5") << ":/qt5-lgpl-license.txt"
                               << QStringList{"Qt Toolkit", "GNU LESSER GENERAL PUBLIC LICENSE",
                                              "Version 3, 29 June 2007",
                                              "0. Additional Definitions.",
                                              "6. Revised Versions of the GNU Lesser General "
                                              "Public License."};
    QTest::newRow("plotting library")
        << ":/qwt-lgpl-license.txt"
        << QStringList{"Qwt License",
                       "Version 1.0, January 1, 2003",
                       "Widgets that are subclassed from Qwt widgets do not",
                       "Static linking of applications and widgets to the",
                       "GNU LESSER GENERAL PUBLIC LICENSE",
                       "Version 2.1, February 1999",
                       "END OF TERMS AND CONDITIONS"};
    QTest::newRow("FFT library") << ":/kiss-fft-bsd-license.txt"
                                 << QStringList{"Copyright (c) 2003-2010 Mark Borgerding",
                                                "Redistribution and use in source and binary "
                                                "forms",
                                                "Neither the author nor the names of any "
                                                "contributors",
                                                "THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT "
                                                "HOLDERS AND CONTRIBUTORS \"AS IS\""};
}

void TestResources::licenceTexts()
{
    QFETCH(QString, path);
    QFETCH(QStringList, headings);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(path));
    const QString text = QString::fromUtf8(file.readAll());
    int from = 0;
    for (const QString &heading : headings) {
        const int at = text.indexOf(heading, from);
        QVERIFY2(at >= 0, qPrintable(heading));
        from = at + heading.size();
    }
}

void TestResources::licenceTextsUseCrLf_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("toolkit 4") << ":/qt-lgpl-license.txt";
    QTest::newRow("toolkit 5") << ":/qt5-lgpl-license.txt";
    QTest::newRow("plotting library") << ":/qwt-lgpl-license.txt";
    QTest::newRow("FFT library") << ":/kiss-fft-bsd-license.txt";
}

void TestResources::licenceTextsUseCrLf()
{
    QFETCH(QString, path);
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.size() > 1000);
    QVERIFY(bytes.endsWith("\r\n"));
    int lines = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            QVERIFY2(i > 0 && bytes[i - 1] == '\r', qPrintable(QString::number(i)));
            ++lines;
        } else if (bytes[i] == '\r') {
            QVERIFY2(i + 1 < bytes.size() && bytes[i + 1] == '\n', qPrintable(QString::number(i)));
        }
    }
    QVERIFY(lines > 20);
}

void TestResources::iconColours_data()
{
    QTest::addColumn<IconFunction>("icon");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("colours"); // exactly these, all present

    QTest::newRow("window") << IconFunction(&qm6080fp_icons::windowIcon) << QSize(16, 16)
                            << QList<QRgb>{grey, red, blue, white, transparent};
    QTest::newRow("help") << IconFunction(&qm6080fp_icons::helpIcon) << QSize(20, 17)
                          << QList<QRgb>{black, white, transparent};
    QTest::newRow("single shot") << IconFunction(&qm6080fp_icons::singleShotIcon) << QSize(12, 12)
                                 << QList<QRgb>{green, transparent};
    QTest::newRow("continuous") << IconFunction(&qm6080fp_icons::continuousIcon) << QSize(12, 12)
                                << QList<QRgb>{green, transparent};
    QTest::newRow("stop") << IconFunction(&qm6080fp_icons::stopIcon) << QSize(12, 12)
                          << QList<QRgb>{darkRed, transparent};
    QTest::newRow("connect") << IconFunction(&qm6080fp_icons::connectIcon) << QSize(16, 16)
                             << QList<QRgb>{grey, red, blue, white, transparent};
}

void TestResources::iconColours()
{
    QFETCH(IconFunction, icon);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, colours);
    const QImage img = iconImage(icon);
    QCOMPARE(img.size(), size);
    const QSet<QRgb> expected(colours.begin(), colours.end());
    QCOMPARE(coloursOf(img), expected);
}

void TestResources::stopIconFillsRowsTwoToEleven()
{
    const QImage img = iconImage(&qm6080fp_icons::stopIcon);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            QCOMPARE(img.pixel(x, y), y >= 2 ? darkRed : transparent);
}

void TestResources::playIconsAreRightPointingTriangles_data()
{
    QTest::addColumn<IconFunction>("icon");
    QTest::addColumn<int>("triangles");
    QTest::newRow("single shot") << IconFunction(&qm6080fp_icons::singleShotIcon) << 1;
    QTest::newRow("continuous") << IconFunction(&qm6080fp_icons::continuousIcon) << 2;
}

void TestResources::playIconsAreRightPointingTriangles()
{
    // Each triangle has a straight left edge and grows to a point on the
    // right: its run starts in the same column on every row, lengthens to
    // the middle row and shortens again.
    QFETCH(IconFunction, icon);
    QFETCH(int, triangles);
    const QImage img = iconImage(icon);
    QList<QList<QPair<int, int>>> rows;
    for (int y = 0; y < img.height(); ++y) {
        const auto r = runs(img, y, green);
        if (!r.isEmpty())
            rows.append(r);
    }
    QVERIFY(rows.size() >= 8);
    int widest = 0;
    for (const auto &r : rows)
        if (r.size() == triangles)
            widest = qMax(widest, r.first().second);
    QVERIFY(widest >= 4);
    for (int t = 0; t < triangles; ++t) {
        int previous = 0;
        bool shrinking = false;
        int left = -1;
        for (const auto &r : rows) {
            if (r.size() != triangles)
                continue; // rows where neighbouring tips touch
            if (left < 0)
                left = r[t].first;
            QCOMPARE(r[t].first, left);
            if (r[t].second < previous)
                shrinking = true;
            else if (shrinking)
                QVERIFY(r[t].second <= previous);
            previous = r[t].second;
        }
        QVERIFY(shrinking);
    }
}

void TestResources::generatorReproducesCommittedFiles()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QProcess generator;
    generator.start(QStringLiteral(DRAW_RESOURCES_PROGRAM), {out.path()});
    QVERIFY(generator.waitForFinished(60000));
    QCOMPARE(generator.exitStatus(), QProcess::NormalExit);
    QCOMPARE(generator.exitCode(), 0);

    const QString committed = QStringLiteral(RESOURCES_SOURCE_DIR);
    // Pixel data and texts come out byte for byte; the painted pictures
    // depend on the installed fonts, so only their sizes are compared.
    const QStringList exact{"xpm/window_icon.xpm",      "xpm/help_icon.xpm",
                            "xpm/single_shot_icon.xpm", "xpm/continuous_icon.xpm",
                            "xpm/stop_icon.xpm",        "xpm/connect_icon.xpm",
                            "qt-lgpl-license.txt",      "qt5-lgpl-license.txt",
                            "qwt-lgpl-license.txt",     "kiss-fft-bsd-license.txt"};
    for (const QString &name : exact) {
        const QByteArray drawn = readAll(out.filePath(name));
        QVERIFY2(!drawn.isEmpty(), qPrintable(name));
        QVERIFY2(drawn == readAll(committed + "/" + name), qPrintable(name));
    }
    const QStringList pictures{"fp_splash.png", "marvane-logo.bmp", "vxi-logo.bmp", "lxi-logo.bmp",
                               "qm7240fp_splash.png"};
    for (const QString &name : pictures) {
        const QImage drawn(out.filePath(name));
        QVERIFY2(!drawn.isNull(), qPrintable(name));
        QCOMPARE(drawn.size(), QImage(committed + "/" + name).size());
    }
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
