#include <QtTest>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <fcntl.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

#include "qm7240.h"
#include "sfp_trace.h"
#include "stderrcapture.h"

// Every allocation of the process goes through here, so that a test can make
// the n-th one from now fail. The driver behind the trace allocates nothing,
// so while a traced call runs, every allocation is the trace's own.
namespace {

std::atomic<int> allocationsToFailAt{0};

void *allocate(std::size_t size)
{
    if (allocationsToFailAt.load() > 0 && allocationsToFailAt.fetch_sub(1) == 1)
        throw std::bad_alloc();
    if (void *p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void *operator new(std::size_t size)
{
    return allocate(size);
}
void *operator new[](std::size_t size)
{
    return allocate(size);
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete[](void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

QList<QJsonObject> readTrace(const QString &path)
{
    QList<QJsonObject> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (!document.isObject())
            QTest::qFail(qPrintable("not a JSON object: " + line), __FILE__, __LINE__);
        lines << document.object();
    }
    return lines;
}

// The keys of a line with the times left out, sorted.
QStringList keysOf(const QJsonObject &line)
{
    QStringList keys = line.keys();
    keys.removeAll(QStringLiteral("t_ms"));
    keys.removeAll(QStringLiteral("dur_ms"));
    keys.sort();
    return keys;
}

} // namespace

// The trace library in front of the card driver, as the program links it.
class TestTrace : public QObject
{
    Q_OBJECT

private slots:
    void linesAndTheirFile();
    void lineThatCannotBeBuilt();
    void stopsAfterWriteFailure();
};

void TestTrace::linesAndTheirFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.jsonl"));
    QCOMPARE(sfp_traceOpen(QFile::encodeName(path).constData()), 0);

    // Opened close-on-exec: a program the panel starts does not inherit it.
    int flags = -1;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == QFileInfo(path).canonicalFilePath())
            flags = fcntl(fd.toInt(), F_GETFD);
    QVERIFY(flags >= 0);
    QVERIFY(flags & FD_CLOEXEC);

    ViSession vi = 0;
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 2, VI_TRUE, VI_FALSE, &vi), VI_ERROR_RSRC_NFOUND);
    QCOMPARE(qm7240_init("VXI0::2::INSTR", 1, VI_TRUE, VI_FALSE, &vi), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 6, 0.005), VI_SUCCESS);
    ViUInt16 stat = 0;
    QCOMPARE(qm7240_getDACStatus(vi, 6, &stat), VI_WARN_UNKNOWN_STATUS);
    QCOMPARE(qm7240_writeChannel(vi, 16, std::numeric_limits<double>::quiet_NaN()), VI_SUCCESS);
    QCOMPARE(qm7240_writeChannel(vi, 1, -std::numeric_limits<double>::infinity()), VI_SUCCESS);

    const QList<QJsonObject> lines = readTrace(path);
    // One line per call, in the order made, each timed: channel 16 takes 20 ms.
    QStringList calls;
    for (const QJsonObject &line : lines)
        calls << line.value("call").toString() + QLatin1Char(' ') +
                     QString::number(line.value("channel").toInt());
    QCOMPARE(calls, (QStringList{"qm7240_init 0", "qm7240_init 0", "qm7240_writeChannel 6",
                                 "qm7240_getDACStatus 6", "qm7240_writeChannel 16",
                                 "qm7240_writeChannel 1"}));
    for (int i = 0; i < lines.size(); ++i) {
        const double dur = lines[i].value("dur_ms").toDouble(-1.0);
        QVERIFY2(i == 4 ? dur >= 20.0 : dur >= 0.0 && dur < 20.0, qPrintable(QString::number(dur)));
        if (i > 0)
            QVERIFY(lines[i].value("t_ms").toDouble() >= lines[i - 1].value("t_ms").toDouble());
    }
    // JSON has no NaN or infinity: such a value is written as text.
    QCOMPARE(lines[4].value("value").toString(), QStringLiteral("nan"));
    QCOMPARE(lines[5].value("value").toString(), QStringLiteral("-inf"));
    // A failed open leaves what the driver wrote into the session unsaid.
    QCOMPARE(keysOf(lines[0]),
             (QStringList{"call", "fc", "id_query", "reset", "rsrc", "status", "thread"}));
    QCOMPARE(lines[1].value("session").toInt(), 4242);
    QCOMPARE(keysOf(lines[2]),
             (QStringList{"call", "channel", "session", "status", "thread", "value"}));
    QCOMPARE(lines[2].value("value").toDouble(), 0.005);
    // A warning from a status read leaves stat unsaid: the panel reads it only on 0.
    QVERIFY(!lines[3].contains("stat"));
    QCOMPARE(lines[3].value("status").toInt(), int(VI_WARN_UNKNOWN_STATUS));
}

void TestTrace::lineThatCannotBeBuilt()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.jsonl"));
    StderrCapture stderrCapture;
    QCOMPARE(sfp_traceOpen(QFile::encodeName(path).constData()), 0);

    // The n-th allocation of a traced call fails, for every n up to past the
    // last one a line makes: each call still answers what the driver said.
    constexpr int calls = 60;
    for (int n = 1; n <= calls; ++n) {
        allocationsToFailAt = n;
        const ViStatus status = qm7240_writeChannel(4242, 6, 0.001 * n);
        const bool spare = allocationsToFailAt.exchange(0) > 0;
        QCOMPARE(status, VI_SUCCESS);
        QVERIFY2(n < calls || spare, "a line needs more allocations than the test makes fail");
    }

    // The lines that could be built are whole, in order; the others are left
    // out, and that is said once.
    const QList<QJsonObject> lines = readTrace(path);
    QVERIFY(!lines.isEmpty());
    QVERIFY(lines.size() < calls);
    QCOMPARE(lines.last().value("value").toDouble(), 0.001 * calls);
    for (const QJsonObject &line : lines)
        QCOMPARE(keysOf(line),
                 (QStringList{"call", "channel", "session", "status", "thread", "value"}));
    const QString said = QString::fromLocal8Bit(stderrCapture.text());
    QCOMPARE(said.count(QStringLiteral("could not be built")), 1);
    QVERIFY(said.startsWith(path + QStringLiteral(": a call's trace line could not be built")));
}

// A trace that stops taking lines (a full disk) says so once and traces no
// later call; the calls go on.
void TestTrace::stopsAfterWriteFailure()
{
    StderrCapture stderrCapture;
    QCOMPARE(sfp_traceOpen("/dev/full"), 0);
    for (int channel = 1; channel <= 3; ++channel)
        QCOMPARE(qm7240_writeChannel(4242, channel, 0.0), VI_SUCCESS);
    const QString said = QString::fromLocal8Bit(stderrCapture.text());
    QCOMPARE(said, QStringLiteral("/dev/full: cannot write the trace (No space left on device); "
                                  "later calls are not traced\n"));
}

QTEST_GUILESS_MAIN(TestTrace)
#include "test_trace.moc"
