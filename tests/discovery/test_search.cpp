#include <QtTest>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QThreadPool>
#include <QTreeWidget>

#include <algorithm>

#include "discovery/qm6080fp_fcsearch.h"
#include "discovery/qm6080fp_fcselect.h"
#include "journaltext.h"
#include "modalanswerer.h"
#include "simfixture.h"
#include "testcard.h"

namespace {

// The tree as text, one line per item, so a whole expected tree reads at a
// glance: interface and carrier items with their flags and expansion, card
// items with both columns, their two data values and their flags.
QStringList treeText(const QTreeWidget *tree)
{
    auto flagsText = [](Qt::ItemFlags flags) {
        if (flags == Qt::ItemIsEnabled)
            return QStringLiteral("enabled");
        if (flags == (Qt::ItemIsEnabled | Qt::ItemIsSelectable))
            return QStringLiteral("selectable");
        if (flags == Qt::NoItemFlags)
            return QStringLiteral("disabled");
        return QStringLiteral("flags 0x%1").arg(int(flags), 0, 16);
    };
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *system = tree->topLevelItem(i);
        lines << QStringLiteral("%1 (%2, %3)")
                     .arg(system->text(0), flagsText(system->flags()),
                          system->isExpanded() ? "expanded" : "collapsed");
        for (int j = 0; j < system->childCount(); ++j) {
            const QTreeWidgetItem *carrier = system->child(j);
            lines << QStringLiteral("  %1 (%2, %3)")
                         .arg(carrier->text(0), flagsText(carrier->flags()),
                              carrier->isExpanded() ? "expanded" : "collapsed");
            for (int k = 0; k < carrier->childCount(); ++k) {
                const QTreeWidgetItem *card = carrier->child(k);
                lines << QStringLiteral("    %1 | %2 | %3 | %4 (%5)")
                             .arg(card->text(0), card->text(1),
                                  card->data(0, Qt::StatusTipRole).toString(),
                                  card->data(1, Qt::StatusTipRole).toString(),
                                  flagsText(card->flags()));
            }
        }
    }
    return lines;
}

int countSelectableCards(const QTreeWidget *tree)
{
    int selectable = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget *>(tree)); *it; ++it)
        if ((*it)->flags() & Qt::ItemIsSelectable)
            ++selectable;
    return selectable;
}

// Notes every progress window the search shows, and how far the journal had
// got at that moment.
class ProgressSpy : public QObject
{
public:
    explicit ProgressSpy(const SimFixture *sim) : sim(sim) { qApp->installEventFilter(this); }
    ~ProgressSpy() override { qApp->removeEventFilter(this); }

    int shown = 0;
    QString title;
    QString label;
    int visibleButtons = -1;
    int opensBeforeShown = -1;
    int opensWhenHidden = -1;
    bool pressEscape = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && qobject_cast<QProgressDialog *>(watched))
            opensWhenHidden = sim->calls("viOpen").size();
        if (event->type() == QEvent::Show) {
            if (auto *progress = qobject_cast<QProgressDialog *>(watched)) {
                ++shown;
                title = progress->windowTitle();
                label = progress->labelText();
                visibleButtons = 0;
                for (QPushButton *button : progress->findChildren<QPushButton *>())
                    if (button->isVisibleTo(progress))
                        ++visibleButtons;
                opensBeforeShown = sim->calls("viOpen").size();
                if (pressEscape)
                    QTimer::singleShot(0, progress,
                                       [progress] { QTest::keyClick(progress, Qt::Key_Escape); });
            }
        }
        return false;
    }

private:
    const SimFixture *sim;
};

int threadOf(const SimFixture &sim, const QString &call)
{
    const QList<QJsonObject> lines = sim.calls(call);
    return lines.isEmpty() ? -1 : lines.first().value("thread").toInt();
}

// What the journal says about the probes' bookkeeping: every session opened
// and every carrier context handed out was given back, and nothing else was
// closed: a failed carrier open hands out no context, whatever the pointer holds.
void verifyEverythingClosed(const SimFixture &sim)
{
    QSet<int> open;
    for (const QJsonObject &line : sim.journal()) {
        const QString call = line.value("call").toString();
        const int session = line.value("session").toInt();
        if (call == QLatin1String("viOpen") && line.value("status").toInt() >= 0)
            open.insert(session);
        else if (call == QLatin1String("viClose") && line.value("status").toInt() == 0)
            open.remove(session);
    }
    QVERIFY2(open.isEmpty(), "a probe left a VISA session open");
    const int contexts = journalText(sim, "qm6080_openCarrier", {"status"}).count("status=0");
    QCOMPARE(journalText(sim, "qm6080_closeCarrier", {"status"}),
             QStringList(QVector<QString>(contexts, "status=0").toList()).join("; "));
}

QString carrierResource(const QString &descriptor, const QString &extra, const QString &cards,
                        int model = 6080, int positions = 0)
{
    QString text = QStringLiteral("  - descriptor: \"%1\"\n").arg(descriptor) + extra;
    text += QStringLiteral("    carrier:\n      model: %1\n").arg(model);
    if (positions > 0)
        text += QStringLiteral("      positions: %1\n").arg(positions);
    return text + QStringLiteral("      cards: %1\n").arg(cards);
}

const QString oneDac = QStringLiteral("[{position: 1, model: 0x4C5E}]");

// A VXI carrier in `slot`.
QString vxi(const QString &descriptor, int slot, const QString &cards = oneDac, int model = 6080,
            int positions = 0)
{
    return carrierResource(descriptor, QStringLiteral("    slot: %1\n").arg(slot), cards, model,
                           positions);
}

// An LXI carrier at `address`, under TCPIP0::address::INSTR unless `descriptor` is given.
QString lxi(const QString &address, const QString &cards = oneDac,
            const QString &descriptor = QString())
{
    return carrierResource(descriptor.isEmpty() ? "TCPIP0::" + address + "::INSTR" : descriptor,
                           "    tcpip_address: \"" + address + "\"\n", cards, 1864);
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void translation_data();
    void translation();
    void carrierModel();
    void optionSuffix_data();
    void optionSuffix();
    void modelTextAndInterfaceName();
    void duplicateNetworkBoxes();
    void sortKeepsEqualOnesInOrder();

    void noResources();
    void resourceManagerFails();
    void onlyVxiRunsOnTheGuiThread();
    void networkProbesRunInParallel_data();
    void networkProbesRunInParallel();
    void tree_data();
    void tree();
    void optionWordReadFromTheCard();
    void moreThan256Cards();
    void closingTheProgressWindowStillWaits();
    void repeatedSearchStartsAfresh();
};

void TestSearch::init()
{
    ModalAnswerer::instance().clear();
}

void TestSearch::cleanup()
{
    QCOMPARE(ModalAnswerer::instance().unexpected().size(), 0);
    QCOMPARE(ModalAnswerer::instance().pending(), 0);
}

void TestSearch::translation_data()
{
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("shown");
    QTest::newRow("0x2B3C") << 0x2B3C << 0x7352;
    QTest::newRow("0x4C5E") << 0x4C5E << 0x7240;
    QTest::newRow("0x5E31") << 0x5E31 << 0x7152;
    QTest::newRow("0x5E93") << 0x5E93 << 0x7153;
    QTest::newRow("0x4C2A") << 0x4C2A << 0x7653;
    QTest::newRow("0x4D2A (bit 8)") << 0x4D2A << 0x7653;
    QTest::newRow("0x4E2A (bit 9)") << 0x4E2A << 0x7653;
    QTest::newRow("0x4F2A (bits 8 and 9)") << 0x4F2A << 0x7653;
    QTest::newRow("0x4C2B") << 0x4C2B << 0x4C2B;
    QTest::newRow("0x5C2A (bit 12)") << 0x5C2A << 0x5C2A;
    QTest::newRow("0x7240 unchanged") << 0x7240 << 0x7240;
    QTest::newRow("0x8164 unchanged") << 0x8164 << 0x8164;
    QTest::newRow("0xFFFF unchanged") << 0xFFFF << 0xFFFF;
}

void TestSearch::translation()
{
    QFETCH(int, raw);
    QFETCH(int, shown);
    QCOMPARE(int(translateCardModel(ViUInt16(raw))), shown);
}

void TestSearch::carrierModel()
{
    QCOMPARE(int(translateCarrierModel(1864)), 4231);
    QCOMPARE(int(translateCarrierModel(6080)), 6080);
    QCOMPARE(int(translateCarrierModel(4231)), 4231);
    QCOMPARE(int(translateCarrierModel(0)), 0);
}

void TestSearch::optionSuffix_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("AB") << 0x4142 << "-AB";
    QTest::newRow("high byte first") << 0x4241 << "-BA";
    QTest::newRow("NUL high byte") << 0x0042 << "-?B";
    QTest::newRow("NUL both") << 0x0000 << "-??";
    QTest::newRow("control and DEL") << 0x077F << "-??";
    QTest::newRow("blank and tilde") << 0x207E << "- ~";
    QTest::newRow("upper half") << 0xE941 << "-?A";
}

void TestSearch::optionSuffix()
{
    QFETCH(int, word);
    QFETCH(QString, suffix);
    QCOMPARE(optionSuffixText(ViUInt16(word)), suffix);
    QCOMPARE(carriesOptionCode(0x8152), true);
    QCOMPARE(carriesOptionCode(0x8164), true);
    QCOMPARE(carriesOptionCode(0x7240), false);
}

void TestSearch::modelTextAndInterfaceName()
{
    QCOMPARE(cardModelText(0x7240, QString()), QStringLiteral("7240"));
    QCOMPARE(cardModelText(0x8164, QStringLiteral("-AB")), QStringLiteral("8164-AB"));
    QCOMPARE(cardModelText(0x240, QString()), QStringLiteral(" 240"));
    QCOMPARE(cardModelText(0x7, QString()), QStringLiteral("   7"));
    QCOMPARE(interfaceName(QStringLiteral("VXI0::2::INSTR")), QStringLiteral("VXI0"));
    QCOMPARE(interfaceName(QStringLiteral("TCPIP0::192.168.2.100::INSTR")),
             QStringLiteral("TCPIP0"));
    QCOMPARE(interfaceName(QStringLiteral("GPIB-VXI0::8::INSTR")), QStringLiteral("GPIB-VXI0"));
    QCOMPARE(interfaceName(QStringLiteral("MyAlias")), QStringLiteral("MyAlias"));
    QCOMPARE(interfaceName(QString()), QString());
}

void TestSearch::duplicateNetworkBoxes()
{
    auto entry = [](const char *descriptor, const char *address) {
        resourceInfo_t info;
        info.descriptor = QString::fromLatin1(descriptor);
        info.tcpipAddress = QString::fromLatin1(address);
        return info;
    };
    const QList<resourceInfo_t> input = {
        entry("TCPIP0::box::INSTR", "10.0.0.5"),
        entry("VXI0::1::INSTR", ""),
        entry("TCPIP0::10.0.0.5::INSTR", "10.0.0.5"),
        entry("VXI0::2::INSTR", ""),
        entry("TCPIP1::10.0.0.6::INSTR", "10.0.0.6"),
        entry("TCPIP0::10.0.0.5::inst1::INSTR", "10.0.0.5"),
        entry("TCPIP0::BOX::INSTR", "10.0.0.5 "),
    };
    QStringList kept;
    for (const resourceInfo_t &info : dropDuplicateNetworkBoxes(input))
        kept << info.descriptor;
    QCOMPARE(kept, QStringList({"TCPIP0::box::INSTR", "VXI0::1::INSTR", "VXI0::2::INSTR",
                                "TCPIP1::10.0.0.6::INSTR", "TCPIP0::BOX::INSTR"}));
}

void TestSearch::sortKeepsEqualOnesInOrder()
{
    QList<resourceInfo_t> list;
    for (const char *descriptor :
         {"VXI0::10::INSTR", "TCPIP0::192.168.1.100::INSTR", "VXI10::1::INSTR", "VXI0::2::INSTR",
          "TCPIP0::192.168.1.20::INSTR", "VXI2::1::INSTR", "ASRL1::INSTR", "VXI0::1::INSTR"}) {
        resourceInfo_t info;
        info.descriptor = QString::fromLatin1(descriptor);
        list << info;
    }
    sortResources(list);
    QStringList sorted;
    for (const resourceInfo_t &info : list)
        sorted << info.descriptor;
    QCOMPARE(sorted,
             QStringList({"ASRL1::INSTR", "TCPIP0::192.168.1.20::INSTR",
                          "TCPIP0::192.168.1.100::INSTR", "VXI0::10::INSTR", "VXI0::2::INSTR",
                          "VXI0::1::INSTR", "VXI2::1::INSTR", "VXI10::1::INSTR"}));
}

void TestSearch::noResources()
{
    SimFixture sim(QStringLiteral("resources: []\n"));
    ProgressSpy spy(&sim);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 0);
    QCOMPARE(dialog.cardTree->topLevelItemCount(), 0);
    QCOMPARE(spy.shown, 0);
    const QList<QJsonObject> find = sim.calls("viFindRsrc");
    QCOMPARE(find.size(), 1);
    QCOMPARE(find.first().value("expr").toString(), QStringLiteral("?*INSTR"));
    QCOMPARE(sim.calls("viOpen").size(), 0);
    // The resource manager is given back.
    QCOMPARE(journalText(sim, "viClose", {"session", "status"}),
             journalText(sim, "viOpenDefaultRM", {"session", "status"}));
}

void TestSearch::resourceManagerFails()
{
    SimFixture sim(QStringLiteral("resources:\n  - descriptor: [not, a, text]\n"));
    ProgressSpy spy(&sim);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 0);
    QCOMPARE(dialog.cardTree->topLevelItemCount(), 0);
    QCOMPARE(spy.shown, 0);
    const QList<QJsonObject> rm = sim.calls("viOpenDefaultRM");
    QCOMPARE(rm.size(), 1);
    QVERIFY(rm.first().value("status").toInt() < 0);
    QCOMPARE(sim.calls("viFindRsrc").size(), 0);
}

void TestSearch::onlyVxiRunsOnTheGuiThread()
{
    SimFixture sim(QStringLiteral("resources:\n") +
                   vxi("VXI0::2::INSTR", 2, "[{position: 1, model: 0x4C5E}]") +
                   "  - descriptor: \"VXI0::5::INSTR\"\n    slot: 5\n" +
                   vxi("VXI1::3::INSTR", 3, "[{position: 2, model: 0x4C5E}]"));
    ProgressSpy spy(&sim);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 2);

    QCOMPARE(spy.shown, 1);
    QCOMPARE(spy.opensBeforeShown, 3);
    QCOMPARE(spy.title, QStringLiteral("Vorilan 7240"));
    QCOMPARE(spy.label, QStringLiteral("Searching..."));
    QCOMPARE(spy.visibleButtons, 0);

    const int gui = threadOf(sim, QStringLiteral("viOpenDefaultRM"));
    const QList<QJsonObject> opens = sim.calls("viOpen");
    QCOMPARE(opens.size(), 3);
    for (const QJsonObject &open : opens)
        QCOMPARE(open.value("thread").toInt(), gui);
    for (const QJsonObject &line : sim.calls("qm6080_openCarrier"))
        QCOMPARE(line.value("thread").toInt(), gui);
    QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), 3);

    QCOMPARE(treeText(dialog.cardTree),
             QStringList({"VXI0 (enabled, expanded)", "  Slot 2 - 6080 MB (enabled, expanded)",
                          "    FC 1 | 7240 | 1 | VXI0::2::INSTR (selectable)",
                          "VXI1 (enabled, expanded)", "  Slot 3 - 6080 MB (enabled, expanded)",
                          "    FC 2 | 7240 | 2 | VXI1::3::INSTR (selectable)"}));
    QCOMPARE(dialog.descriptors, QStringLiteral("VXI1::3::INSTR"));
    QCOMPARE(int(dialog.fcNumbers[0]), 2);
    verifyEverythingClosed(sim);
}

void TestSearch::networkProbesRunInParallel_data()
{
    QTest::addColumn<int>("carriers");
    QTest::addColumn<int>("pool");
    // One VXI resource besides the network carriers; the pool never grows
    // past 128 threads.
    QTest::newRow("four network carriers") << 4 << 5;
    QTest::newRow("130 network carriers") << 130 << 128;
}

void TestSearch::networkProbesRunInParallel()
{
    QFETCH(int, carriers);
    QFETCH(int, pool);
    QString yaml = QStringLiteral("resources:\n") + vxi("VXI0::4::INSTR", 4);
    for (int i = 1; i <= carriers; ++i)
        yaml += carrierResource(QStringLiteral("TCPIP0::10.0.0.%1::INSTR").arg(i),
                                QStringLiteral("    open_delay_ms: 300\n    tcpip_address: "
                                               "\"10.0.0.%1\"\n")
                                    .arg(i),
                                oneDac, 1864);
    SimFixture sim(yaml);
    ProgressSpy spy(&sim);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), carriers + 1);
    QCOMPARE(QThreadPool::globalInstance()->maxThreadCount(), pool);
    QCOMPARE(spy.shown, 1);
    QCOMPARE(spy.opensBeforeShown, 1);

    // Each network open as its span on the journal's clock: +1 where it
    // begins, -1 where it ends.
    const int gui = threadOf(sim, QStringLiteral("viOpenDefaultRM"));
    QList<QPair<double, int>> edges;
    QSet<int> threads;
    for (const QJsonObject &open : sim.calls("viOpen")) {
        const int thread = open.value("thread").toInt();
        if (open.value("rsrc").toString().startsWith(QLatin1String("TCPIP"))) {
            QVERIFY(thread != gui);
            threads.insert(thread);
            const double end = open.value("t_ms").toDouble();
            edges << qMakePair(end - open.value("dur_ms").toDouble(), 1) << qMakePair(end, -1);
        } else {
            QCOMPARE(thread, gui);
        }
    }
    QCOMPARE(edges.size(), 2 * carriers);
    // An open that ends as another begins does not overlap it.
    std::sort(edges.begin(), edges.end());
    int inFlight = 0;
    int mostAtOnce = 0;
    for (const auto &edge : edges) {
        inFlight += edge.second;
        mostAtOnce = std::max(mostAtOnce, inFlight);
    }
    QVERIFY2(threads.size() >= 2, "network probes ran on one thread");
    QVERIFY2(threads.size() <= pool, "more probe threads than the pool holds");
    QVERIFY2(mostAtOnce >= 2, "no two network probes were open at the same time");
    QVERIFY2(mostAtOnce <= pool,
             qPrintable(QStringLiteral("%1 network probes at once").arg(mostAtOnce)));

    QStringList expected{"TCPIP0 (enabled, expanded)"};
    for (int i = 1; i <= carriers; ++i)
        expected
            << QStringLiteral("  10.0.0.%1 - 4231 LXI (enabled, expanded)").arg(i)
            << QStringLiteral("    FC 1 | 7240 | 1 | TCPIP0::10.0.0.%1::INSTR (selectable)").arg(i);
    expected << "VXI0 (enabled, expanded)"
             << "  Slot 4 - 6080 MB (enabled, expanded)"
             << "    FC 1 | 7240 | 1 | VXI0::4::INSTR (selectable)";
    QCOMPARE(treeText(dialog.cardTree), expected);
    verifyEverythingClosed(sim);
}

void TestSearch::tree_data()
{
    QTest::addColumn<QString>("resources");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("available");
    QTest::addColumn<QString>("lastDescriptor");
    QTest::addColumn<int>("lastNumber");

    QTest::newRow("positions 1 and 3, 2 empty")
        << vxi("VXI0::2::INSTR", 2, "[{position: 1, model: 0x4C5E}, {position: 3, model: 0x4C5E}]",
               6080, 4)
        << QStringList({"VXI0 (enabled, expanded)", "  Slot 2 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI0::2::INSTR (selectable)",
                        "    FC 3 | 7240 | 3 | VXI0::2::INSTR (selectable)"})
        << 2 << "VXI0::2::INSTR" << 3;

    QTest::newRow("supported and unsupported cards")
        << vxi("VXI0::2::INSTR", 2,
               "[{position: 1, model: 0x4C5E}, {position: 2, model: 0x5E93}]") +
               vxi("VXI0::6::INSTR", 6,
                   "[{position: 1, model: 0x1234}, {position: 2, model: 0x7241}]")
        << QStringList({"VXI0 (enabled, expanded)", "  Slot 2 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI0::2::INSTR (selectable)",
                        "    FC 2 | 7153 | 0 | VXI0::2::INSTR (disabled)",
                        "  Slot 6 - 6080 MB (enabled, collapsed)",
                        "    FC 1 | 1234 | 0 | VXI0::6::INSTR (disabled)",
                        "    FC 2 | 7241 | 0 | VXI0::6::INSTR (disabled)"})
        << 1 << "VXI0::2::INSTR" << 1;

    QTest::newRow("raw 0x4C5E shown as 7240, 0x4D2A as 7653")
        << vxi("VXI0::9::INSTR", 9, "[{position: 1, model: 0x4D2A}, {position: 2, model: 0x4C5E}]")
        << QStringList({"VXI0 (enabled, expanded)", "  Slot 9 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7653 | 0 | VXI0::9::INSTR (disabled)",
                        "    FC 2 | 7240 | 2 | VXI0::9::INSTR (selectable)"})
        << 1 << "VXI0::9::INSTR" << 2;

    QTest::newRow("option codes of 8164 and 8152")
        << vxi("VXI0::3::INSTR", 3,
               "[{position: 1, model: 0x8164, option: \"AB\"}, "
               "{position: 2, model: 0x8152, option: \"\\x07B\"}, "
               "{position: 3, model: 0x8153, option: \"CD\"}]")
        << QStringList({"VXI0 (enabled, expanded)", "  Slot 3 - 6080 MB (enabled, collapsed)",
                        "    FC 1 | 8164-AB | 0 | VXI0::3::INSTR (disabled)",
                        "    FC 2 | 8152-?B | 0 | VXI0::3::INSTR (disabled)",
                        "    FC 3 | 8153 | 0 | VXI0::3::INSTR (disabled)"})
        << 0 << "" << 0;

    QTest::newRow("network box under two descriptors, the first one kept")
        << lxi("192.168.2.100", "[{position: 1, model: 0x4C5E}]", "TCPIP0::lxi-box::INSTR") +
               lxi("192.168.2.100") + lxi("192.168.2.101", "[{position: 2, model: 0x4C5E}]")
        << QStringList({"TCPIP0 (enabled, expanded)",
                        "  192.168.2.100 - 4231 LXI (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | TCPIP0::lxi-box::INSTR (selectable)",
                        "  192.168.2.101 - 4231 LXI (enabled, expanded)",
                        "    FC 2 | 7240 | 2 | TCPIP0::192.168.2.101::INSTR (selectable)"})
        << 2 << "TCPIP0::192.168.2.101::INSTR" << 2;

    QTest::newRow("sorted by interface, board and address")
        << vxi("VXI10::1::INSTR", 1) + lxi("192.168.1.100") + vxi("VXI2::1::INSTR", 7) +
               lxi("192.168.1.20")
        << QStringList({"TCPIP0 (enabled, expanded)",
                        "  192.168.1.20 - 4231 LXI (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | TCPIP0::192.168.1.20::INSTR (selectable)",
                        "  192.168.1.100 - 4231 LXI (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | TCPIP0::192.168.1.100::INSTR (selectable)",
                        "VXI2 (enabled, expanded)", "  Slot 7 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI2::1::INSTR (selectable)",
                        "VXI10 (enabled, expanded)", "  Slot 1 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI10::1::INSTR (selectable)"})
        << 4 << "VXI10::1::INSTR" << 1;

    QTest::newRow("no carrier, failed open, warning open")
        << QStringLiteral("  - descriptor: \"VXI0::1::INSTR\"\n    slot: 1\n"
                          "  - descriptor: \"VXI0::2::INSTR\"\n    open_status: -1073807343\n") +
               carrierResource("VXI0::3::INSTR", "    slot: 3\n    open_status: 1073676413\n",
                               "[{position: 1, model: 0x4C5E}]") +
               QStringLiteral("  - descriptor: \"TCPIP0::10.1.1.1::INSTR\"\n"
                              "    tcpip_address: \"10.1.1.1\"\n")
        << QStringList({"TCPIP0 (enabled, expanded)", "VXI0 (enabled, expanded)",
                        "  Slot 3 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI0::3::INSTR (selectable)"})
        << 1 << "VXI0::3::INSTR" << 1;

    QTest::newRow("unreadable slot and address read as 0 and empty")
        << carrierResource("VXI0::8::INSTR", "", "[{position: 1, model: 0x4C5E}]", 1864) +
               carrierResource("TCPIP0::lxi-a::INSTR", "", "[{position: 2, model: 0x4C5E}]") +
               carrierResource("TCPIP0::lxi-b::INSTR", "", "[{position: 3, model: 0x4C5E}]")
        << QStringList({"TCPIP0 (enabled, expanded)", "   - 6080 LXI (enabled, expanded)",
                        "    FC 2 | 7240 | 2 | TCPIP0::lxi-a::INSTR (selectable)",
                        "   - 6080 LXI (enabled, expanded)",
                        "    FC 3 | 7240 | 3 | TCPIP0::lxi-b::INSTR (selectable)",
                        "VXI0 (enabled, expanded)", "  Slot 0 - 4231 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | VXI0::8::INSTR (selectable)"})
        << 3 << "VXI0::8::INSTR" << 1;

    QTest::newRow("GPIB-VXI and GPIB boards share the rank, not the item")
        << vxi("GPIB0::1::INSTR", 1) + vxi("GPIB-VXI0::8::INSTR", 8) + vxi("GPIB0::2::INSTR", 2)
        << QStringList({"GPIB0 (enabled, expanded)", "  Slot 1 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | GPIB0::1::INSTR (selectable)",
                        "  Slot 2 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | GPIB0::2::INSTR (selectable)",
                        "GPIB-VXI0 (enabled, expanded)", "  Slot 8 - 6080 MB (enabled, expanded)",
                        "    FC 1 | 7240 | 1 | GPIB-VXI0::8::INSTR (selectable)"})
        << 3 << "GPIB0::2::INSTR" << 1;

    QTest::newRow("exactly one card")
        << lxi("192.168.2.100", "[{position: 1, model: 0x5E31}, {position: 4, model: 0x4C5E}]")
        << QStringList({"TCPIP0 (enabled, expanded)",
                        "  192.168.2.100 - 4231 LXI (enabled, expanded)",
                        "    FC 1 | 7152 | 0 | TCPIP0::192.168.2.100::INSTR (disabled)",
                        "    FC 4 | 7240 | 4 | TCPIP0::192.168.2.100::INSTR (selectable)"})
        << 1 << "TCPIP0::192.168.2.100::INSTR" << 4;
}

void TestSearch::tree()
{
    QFETCH(QString, resources);
    QFETCH(QStringList, expected);
    QFETCH(int, available);
    QFETCH(QString, lastDescriptor);
    QFETCH(int, lastNumber);

    SimFixture sim(QStringLiteral("resources:\n") + resources);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    dialog.fcNumbers[0] = 99;
    QCOMPARE(dialog.findFunctionCards(), available);
    QCOMPARE(treeText(dialog.cardTree), expected);
    QCOMPARE(countSelectableCards(dialog.cardTree), available);
    QCOMPARE(dialog.descriptors, lastDescriptor);
    QCOMPARE(int(dialog.fcNumbers[0]), available ? lastNumber : 99);
    verifyEverythingClosed(sim);
}

void TestSearch::optionWordReadFromTheCard()
{
    SimFixture sim(QStringLiteral("resources:\n") +
                   vxi("VXI0::3::INSTR", 3,
                       "[{position: 1, model: 0x4C5E}, "
                       "{position: 3, model: 0x8164, option: \"AB\"}]"));
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 1);
    QCOMPARE(journalText(sim, "qm6080_access", {"a", "b"}), QString("a=0 b=1; a=1 b=1"));
    QCOMPARE(journalText(sim, "qm6080_readConfiguration", {"card", "offset"}),
             QString("card=3 offset=252"));
    QCOMPARE(dialog.cardTree->topLevelItem(0)->child(0)->child(1)->text(1),
             QStringLiteral("8164-AB"));
}

void TestSearch::moreThan256Cards()
{
    // Five carriers of 60 DAC cards each: the 256th is card 16 of the fifth.
    QString cards = QStringLiteral("[");
    for (int position = 1; position <= 60; ++position)
        cards += QStringLiteral("%1{position: %2, model: 0x4C5E}")
                     .arg(position > 1 ? ", " : "")
                     .arg(position);
    cards += QLatin1Char(']');
    QString yaml = QStringLiteral("resources:\n");
    for (int slot = 1; slot <= 5; ++slot)
        yaml += vxi(QStringLiteral("VXI0::%1::INSTR").arg(slot), slot, cards);
    SimFixture sim(yaml);
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    auto box = ModalAnswerer::instance().click(QStringLiteral("Continue"));
    QCOMPARE(dialog.findFunctionCards(), 256);

    QVERIFY(box->seen);
    QCOMPARE(box->className, QStringLiteral("QMessageBox"));
    QCOMPARE(box->title, QStringLiteral("Vorilan 7240 SFP: Select Function Card"));
    QCOMPARE(box->text,
             QStringLiteral("Found more Function Cards than supported by this SoftFrontPanel. "
                            "Only first 256 are available.\nPlease contact Marvane's support "
                            "if you need support for more cards."));
    QCOMPARE(box->buttons, QStringList({"Continue"}));
    QCOMPARE(box->icon, int(QMessageBox::Question));

    QCOMPARE(countSelectableCards(dialog.cardTree), 256);
    QTreeWidgetItem *vxi = dialog.cardTree->topLevelItem(0);
    QCOMPARE(dialog.cardTree->topLevelItemCount(), 1);
    QCOMPARE(vxi->childCount(), 5);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(vxi->child(i)->childCount(), 60);
    QTreeWidgetItem *last = vxi->child(4);
    QCOMPARE(last->childCount(), 16);
    QVERIFY(last->isExpanded());
    QCOMPARE(last->child(15)->text(0), QStringLiteral("FC 16"));
    QCOMPARE(dialog.descriptors, QStringLiteral("VXI0::5::INSTR"));
    QCOMPARE(int(dialog.fcNumbers[0]), 16);
}

void TestSearch::closingTheProgressWindowStillWaits()
{
    SimFixture sim(QStringLiteral("resources:\n") +
                   carrierResource("TCPIP0::10.0.0.1::INSTR",
                                   "    tcpip_address: \"10.0.0.1\"\n    open_delay_ms: 600\n",
                                   "[{position: 2, model: 0x4C5E}]"));
    ProgressSpy spy(&sim);
    spy.pressEscape = true;
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 1);
    QCOMPARE(spy.shown, 1);
    QCOMPARE(spy.opensBeforeShown, 0);
    // Escape closed the window while the probe was still opening; its result
    // is there all the same.
    QCOMPARE(spy.opensWhenHidden, 0);
    QCOMPARE(treeText(dialog.cardTree),
             QStringList({"TCPIP0 (enabled, expanded)", "  10.0.0.1 - 6080 LXI (enabled, expanded)",
                          "    FC 2 | 7240 | 2 | TCPIP0::10.0.0.1::INSTR (selectable)"}));
    verifyEverythingClosed(sim);
}

void TestSearch::repeatedSearchStartsAfresh()
{
    SimFixture sim(QStringLiteral("resources:\n") + vxi("VXI0::2::INSTR", 2) +
                   carrierResource("TCPIP0::10.0.0.1::INSTR", "    tcpip_address: \"10.0.0.1\"\n",
                                   "[{position: 1, model: 0x4C5E}]"));
    TestCard card;
    qm6080fp_fcSelect dialog(&card, false);
    QCOMPARE(dialog.findFunctionCards(), 2);
    const QStringList first = treeText(dialog.cardTree);
    QCOMPARE(first.size(), 6);
    QCOMPARE(dialog.findFunctionCards(), 2);
    QCOMPARE(treeText(dialog.cardTree), first);
    QCOMPARE(sim.calls("viOpen").size(), 4);
    verifyEverythingClosed(sim);
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
