// Times the function card search over N network carriers whose VISA open
// takes L ms each, against the ideal of overlapping every open the thread
// pool allows, and measures how long the GUI thread went without handling a
// 5 ms timer meanwhile.
//
//   bench_search            the default cases
//   bench_search N L ...    the given cases

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "discovery/qm6080fp_fcselect.h"
#include "guigapmeter.h"
#include "qm7240_fc.h"
#include "sim_control.h"
#include "visa.h"

namespace {

// With 256 cards the search asks whether to go on with the first 256; the
// benchmark says Continue as soon as the box is up.
class BoxAnswerer : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto *box = qobject_cast<QMessageBox *>(watched)) {
                QTimer::singleShot(0, box, [box] {
                    for (QAbstractButton *button : box->buttons())
                        if (button->text() == QLatin1String("Continue"))
                            button->click();
                });
            }
        }
        return false;
    }
};

QString systemText(int n, int delayMs)
{
    QString text = QStringLiteral("resources:\n");
    for (int i = 0; i < n; ++i) {
        const QString address =
            QStringLiteral("10.%1.%2.%3").arg(i / 65536).arg((i / 256) % 256).arg(i % 256);
        text +=
            QStringLiteral("  - descriptor: \"TCPIP0::%1::INSTR\"\n"
                           "    tcpip_address: \"%1\"\n"
                           "    open_delay_ms: %2\n"
                           "    carrier: {model: 1864, cards: [{position: 1, model: 0x7240}]}\n")
                .arg(address)
                .arg(delayMs);
    }
    return text;
}

bool runCase(const QTemporaryDir &dir, int n, int delayMs)
{
    const QString path = dir.filePath(QStringLiteral("search-%1-%2.yaml").arg(n).arg(delayMs));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(systemText(n, delayMs).toUtf8()) < 0) {
        std::fprintf(stderr, "bench_search: cannot write %s\n", qPrintable(path));
        return false;
    }
    file.close();
    qputenv("VISA_SIM_FILE", path.toLocal8Bit());
    // A journal named in the environment is kept, to see what the probes did (it slows them).
    sim_reset();
    // The simulator reads its file on the first call; a real resource manager
    // has its system at hand, so that reading is not part of the search.
    ViSession rm = 0;
    if (viOpenDefaultRM(&rm) != VI_SUCCESS) {
        std::fprintf(stderr, "bench_search: the simulated system did not load\n");
        return false;
    }
    viClose(rm);

    qm7240_fc card;
    qm6080fp_fcSelect dialog(&card, false);

    GuiGapMeter gaps;

    gaps.start();
    const int found = dialog.findFunctionCards();
    const double elapsedMs = gaps.elapsedMs();
    const double maxGap = gaps.longestMs();
    gaps.stop();

    const int threads = std::min(n, 128);
    const double ideal = delayMs * std::ceil(double(n) / threads) / 1000.0;
    const double serial = double(n) * delayMs / 1000.0;
    const double seconds = elapsedMs / 1000.0;
    std::printf("search n=%d delay_ms=%d: %.3f s (ideal %.3f s, serial %.3f s, ratio %.2f) "
                "gui_max_gap_ms=%.1f\n",
                n, delayMs, seconds, ideal, serial, seconds / ideal, maxGap);
    std::fflush(stdout);
    if (found != std::min(n, 256)) {
        std::fprintf(stderr, "bench_search: found %d cards, expected %d\n", found,
                     std::min(n, 256));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BoxAnswerer answerer;
    app.installEventFilter(&answerer);

    std::vector<std::pair<int, int>> cases;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        bool okN = false;
        bool okL = false;
        const int n = args.at(i).toInt(&okN);
        const int delay = args.at(i + 1).toInt(&okL);
        if (!okN || !okL || n < 1 || n > 1024 || delay < 0 || delay > 10000) {
            std::fprintf(stderr,
                         "usage: bench_search [N L]...  (1 <= N <= 1024, 0 <= L <= 10000)\n");
            return 2;
        }
        cases.emplace_back(n, delay);
    }
    if (args.size() % 2 != 0) {
        std::fprintf(stderr, "usage: bench_search [N L]...\n");
        return 2;
    }
    if (cases.empty())
        cases = {{256, 50}, {16, 200}};

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_search: no temporary folder\n");
        return 1;
    }
    bool ok = true;
    for (const auto &c : cases)
        ok = runCase(dir, c.first, c.second) && ok;
    return ok ? 0 : 1;
}
