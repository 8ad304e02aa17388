#include "frame/qm6080fp_splashlabel.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray sizeLine = "The size of the image of the device, that is to be used in the splash "
                            "screen, is not as required!!!\n";
const QColor backgroundColour(0x20, 0x40, 0x60);
const QColor cardColour(0xc0, 0x30, 0x30);
const QColor fullColour(0x30, 0x30, 0xc0);
const QColor fullOutsideColour(0xe0, 0xe0, 0x20);

// Collects what the code under test writes to standard output.
class StdoutCapture
{
public:
    StdoutCapture()
    {
        file.open();
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        dup2(file.handle(), STDOUT_FILENO);
    }
    QByteArray finish()
    {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        QFile read(file.fileName());
        read.open(QIODevice::ReadOnly);
        return read.readAll();
    }

private:
    QTemporaryFile file;
    int saved = -1;
};

void writeSolid(const QString &path, QSize size, const QColor &colour, const char *format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    QVERIFY(image.save(path, format));
}

// A 520 x 400 picture: one colour in the card area, another outside it.
void writeFull(const QString &path)
{
    QImage image(520, 400, QImage::Format_RGB32);
    image.fill(fullOutsideColour);
    QPainter painter(&image);
    painter.fillRect(QRect(67, 38, 453, 199), fullColour);
    painter.end();
    QVERIFY(image.save(path, "BMP"));
}

} // namespace

class TestSplash : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void modelText_data();
    void modelText();
    void fonts_data();
    void fonts();
    void textColumn_data();
    void textColumn();
    void cardPicture_data();
    void cardPicture();
    void missingBackground();
    void builtInBackground();

private:
    QTemporaryDir dir;
    QString prefix;
};

void TestSplash::initTestCase()
{
    QVERIFY(dir.isValid());
    prefix = dir.path() + QLatin1Char('/');
    writeSolid(prefix + "fp_splash.png", QSize(520, 400), backgroundColour, "PNG");
    // One card model per case, so every picture can sit in the same folder.
    writeSolid(prefix + "qm1111fp_splash.png", QSize(452, 194), cardColour, "PNG");
    writeSolid(prefix + "qm2222fp_splash.png", QSize(453, 194), cardColour, "PNG");
    writeFull(prefix + "qm3333fp_splash.bmp");
    writeSolid(prefix + "qm3333fp_splash.png", QSize(452, 194), cardColour, "PNG");
    writeSolid(prefix + "qm4444fp_splash.bmp", QSize(519, 400), fullColour, "BMP");
    writeSolid(prefix + "qm4444fp_splash.png", QSize(452, 194), cardColour, "PNG");
    writeSolid(prefix + "qm1234fp_splash.png", QSize(452, 194), cardColour, "PNG");
    writeSolid(prefix + "qm  42fp_splash.png", QSize(452, 194), cardColour, "PNG");
}

void TestSplash::modelText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::newRow("7240 hex") << 0x7240 << true << "7240";
    QTest::newRow("7240 decimal") << 0x7240 << false << "29248";
    QTest::newRow("short hex") << 0xab << true << "  ab";
    QTest::newRow("short decimal") << 42 << false << "  42";
}

void TestSplash::modelText()
{
    QFETCH(int, code);
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QCOMPARE(qm6080fp_splashLabel::modelText(code, hex), text);
}

void TestSplash::fonts_data()
{
    QTest::addColumn<float>("scale");
    QTest::addColumn<int>("margin");
    QTest::addColumn<int>("titlePoints");
    QTest::addColumn<int>("textPoints");
    QTest::addColumn<int>("columnLeft");
    QTest::addColumn<int>("columnWidth");
    QTest::newRow("scale 1.0, margin 20") << 1.0f << 20 << 18 << 12 << 87 << 413;
    QTest::newRow("scale 1.5, margin 20") << 1.5f << 20 << 27 << 18 << 87 << 413;
    QTest::newRow("scale 1.25, margin 0") << 1.25f << 0 << 22 << 15 << 67 << 453;
}

void TestSplash::fonts()
{
    QFETCH(float, scale);
    QFETCH(int, margin);
    QFETCH(int, titlePoints);
    QFETCH(int, textPoints);
    QFETCH(int, columnLeft);
    QFETCH(int, columnWidth);

    const QFont base = QGuiApplication::font();
    const qm6080fp_splashLayout_t layout = qm6080fp_splashLabel::layout(base, scale, margin);
    QCOMPARE(layout.titleFont.pointSize(), titlePoints);
    QCOMPARE(layout.textFont.pointSize(), textPoints);
    QCOMPARE(layout.smallFont.pointSize(), 8);
    for (const QFont &font : {layout.titleFont, layout.textFont, layout.smallFont}) {
        QCOMPARE(font.weight(), QFont::Bold); // 75 in Qt 5, 700 in Qt 6
        QCOMPARE(font.family(), base.family());
    }

    QFont title(base);
    title.setPointSize(titlePoints);
    title.setBold(true);
    QFont small(base);
    small.setPointSize(8);
    small.setBold(true);
    const int t = QFontMetrics(title).height();
    const int s = QFontMetrics(small).height();
    QCOMPARE(layout.titleRect, QRect(columnLeft, 236 + t / 2, columnWidth, t));
    QCOMPARE(layout.descriptionRect,
             QRect(columnLeft, 236 + 2 * t, columnWidth, 164 - 2 * t - 3 * s));
    QCOMPARE(layout.noticeRect, QRect(columnLeft, 400 - 2 * s, columnWidth, s));
}

void TestSplash::textColumn_data()
{
    QTest::addColumn<int>("margin");
    QTest::newRow("margin 20") << 20;
    QTest::newRow("margin 100") << 100;
}

void TestSplash::textColumn()
{
    QFETCH(int, margin);
    // A notice far too long for its line fills the column from edge to edge.
    const QString notice(200, QLatin1Char('W'));
    const QString description = QStringLiteral("16-channel DAC function card ").repeated(12);
    StdoutCapture capture;
    const qm6080fp_splashLabel splash(1.0f, margin, 0x5555, true, notice, description, prefix);
    QCOMPARE(capture.finish(), sizeLine);
    const QImage image = splash.toImage();
    QCOMPARE(image.size(), QSize(520, 400));

    const qm6080fp_splashLayout_t layout =
        qm6080fp_splashLabel::layout(QGuiApplication::font(), 1.0f, margin);
    const int left = 67 + margin;
    const int right = 520 - margin; // one past the column
    int minX = 520, maxX = -1, minY = 400;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 520; ++x)
            if (image.pixelColor(x, y) != backgroundColour) {
                minX = qMin(minX, x);
                maxX = qMax(maxX, x);
                minY = qMin(minY, y);
            }
    QCOMPARE(minX, left);
    QCOMPARE(maxX, right - 1);
    QVERIFY(minY >= layout.titleRect.top());

    int noticeLeft = 520, noticeRight = -1;
    for (int y = layout.noticeRect.top(); y <= layout.noticeRect.bottom(); ++y)
        for (int x = 0; x < 520; ++x)
            if (image.pixelColor(x, y) != backgroundColour) {
                noticeLeft = qMin(noticeLeft, x);
                noticeRight = qMax(noticeRight, x);
            }
    QCOMPARE(noticeLeft, left);
    QCOMPARE(noticeRight, right - 1);
    // Nothing of the texts below the notice line.
    for (int y = layout.noticeRect.bottom() + 1; y < 400; ++y)
        for (int x = 0; x < 520; ++x)
            QCOMPARE(image.pixelColor(x, y), backgroundColour);
}

void TestSplash::cardPicture_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QColor>("areaColour");
    QTest::addColumn<QRect>("drawn");
    QTest::addColumn<int>("sizeLines");

    const QRect pngArea(67, 43, 452, 194);
    const QRect fullArea(67, 38, 453, 199);
    QTest::newRow("452 x 194 picture") << 0x1111 << true << cardColour << pngArea << 0;
    QTest::newRow("453 x 194 picture refused")
        << 0x2222 << true << backgroundColour << QRect() << 1;
    QTest::newRow("520 x 400 picture first") << 0x3333 << true << fullColour << fullArea << 0;
    QTest::newRow("519 x 400 picture passed over") << 0x4444 << true << cardColour << pngArea << 0;
    QTest::newRow("decimal model") << 1234 << false << cardColour << pngArea << 0;
    QTest::newRow("decimal model with blanks") << 42 << false << cardColour << pngArea << 0;
    QTest::newRow("same code in hex has no picture")
        << 1234 << true << backgroundColour << QRect() << 1;
    QTest::newRow("no picture at all") << 0x7777 << true << backgroundColour << QRect() << 1;
}

void TestSplash::cardPicture()
{
    QFETCH(int, code);
    QFETCH(bool, hex);
    QFETCH(QColor, areaColour);
    QFETCH(QRect, drawn);
    QFETCH(int, sizeLines);

    StdoutCapture capture;
    const qm6080fp_splashLabel splash(1.0f, 20, code, hex, QStringLiteral("notice"),
                                      QStringLiteral("description"), prefix);
    const QByteArray out = capture.finish();
    QCOMPARE(out.count(sizeLine), sizeLines);
    QCOMPARE(out.size(), sizeLines * sizeLine.size());

    const QImage image = splash.toImage();
    QCOMPARE(image.size(), QSize(520, 400));
    // Corners of the card area, then the pixels just outside the drawn one.
    QCOMPARE(image.pixelColor(67, 43), areaColour);
    QCOMPARE(image.pixelColor(518, 236), areaColour);
    QCOMPARE(image.pixelColor(300, 120), areaColour);
    QCOMPARE(image.pixelColor(66, 120), backgroundColour);
    QCOMPARE(image.pixelColor(519, 120), drawn.width() == 453 ? areaColour : backgroundColour);
    QCOMPARE(image.pixelColor(300, 42), drawn.top() == 38 ? areaColour : backgroundColour);
    QCOMPARE(image.pixelColor(300, 37), backgroundColour);
    QCOMPARE(image.pixelColor(300, 237), backgroundColour);
    QCOMPARE(image.pixelColor(10, 10), backgroundColour);
}

void TestSplash::missingBackground()
{
    StdoutCapture capture;
    const qm6080fp_splashLabel splash(1.0f, 20, 0x1111, true, QStringLiteral("notice"),
                                      QStringLiteral("description"), prefix + "nowhere/");
    QCOMPARE(capture.finish(), sizeLine);
    QCOMPARE(splash.size(), QSize(520, 400));
}

void TestSplash::builtInBackground()
{
    StdoutCapture capture;
    const qm6080fp_splashLabel splash(1.0f, 20, 0x7240, true, QStringLiteral("notice"),
                                      QStringLiteral("description"));
    // The card's own picture lives in the card program's resources.
    QCOMPARE(capture.finish(), sizeLine);
    const QImage background(QStringLiteral(":/fp_splash.png"));
    QCOMPARE(background.size(), QSize(520, 400));
    QCOMPARE(splash.size(), QSize(520, 400));
    // Away from texts and card picture the common background shows through.
    QCOMPARE(splash.toImage().pixelColor(5, 5), background.pixelColor(5, 5));
}

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
