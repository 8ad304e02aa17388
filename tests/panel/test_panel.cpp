#include <QtTest>

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMetaMethod>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <climits>
#include <limits>
#include <memory>

#include "childprocess.h"
#include "modalanswerer.h"
#include "panelprobe.h"
#include "qm7240.h"
#include "qm7240_dblctrl.h"
#include "qm7240_fc.h"
#include "sim_control.h"
#include "simfixture.h"
#include "simsystem.h"
#include "widgets/qm6080fp_led.h"

// The DAC panel on a simulated card: what it builds, and every driver call it
// makes, in order, as the simulator's journal records them.
class TestPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void startupRealMode();
    void voltageDecimals_data();
    void voltageDecimals();
    void allVoltageGroups();
    void rangeSwitch_data();
    void rangeSwitch();
    void singleSteps();
    void typedValues_data();
    void typedValues();
    void arrowKeys();
    void openCircuitLamp();
    void pollFailure_data();
    void pollFailure();
    void nothingElseWhileBoxWaits();
    void slowCardRound();
    void linkDrops();
    void startupFailures_data();
    void startupFailures();
    void unreadableGroupLeftAlone_data();
    void unreadableGroupLeftAlone();
    void resetShowsCardState_data();
    void resetShowsCardState();
    void resetWithRangeOfNoKind_data();
    void resetWithRangeOfNoKind();
    void actionAfterFailure_data();
    void actionAfterFailure();
    void exitFromErrorBox();
    void exitFromErrorBoxChild();
    void demoMode();
    void badSlotArguments();
    void setups();
};

namespace {

const char defaultGroups[] = "[current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]";

// One VXI carrier with one DAC card, so that Auto Find opens it without asking.
QString systemYaml(const QString &groups = QLatin1String(defaultGroups),
                   const QString &cardExtra = QString())
{
    SimDacCard card;
    card.groups = groups;
    card.extra = cardExtra;
    return simDacSystem(card);
}

// The default card with extra lines (failures, open circuits) in its entry.
QString cardWith(const QString &cardExtra)
{
    return systemYaml(QLatin1String(defaultGroups), cardExtra);
}

QString openCircuit(const QString &channels)
{
    return QStringLiteral("          open_circuit: [%1]\n").arg(channels);
}

QString failing(const QString &operation, const QString &rule)
{
    return QStringLiteral("          fail:\n            %1: %2\n").arg(operation, rule);
}

QString driverText(ViStatus status)
{
    ViChar text[QM7240_ERROR_MESSAGE_LEN] = {};
    qm7240_error_message(0, status, text);
    return QString::fromLatin1(text);
}

QString errorBoxText(const char *callText, ViStatus status)
{
    return QStringLiteral("%1 failed due to [%2]\nDo you want to exit?")
        .arg(QLatin1String(callText), driverText(status));
}

QString warningBoxText(ViStatus status)
{
    return QStringLiteral("Warning: [%1]").arg(driverText(status));
}

// An error of the driver's own, which is no link failure: the action goes on.
constexpr int driverError = -1074001000;

const char writeCall[] = "qm7240_writeChannel(vi(), indx, val)";
const char setRangeCall[] =
    "qm7240_setOutputRange(vi(), grp+1, rangeComboBox[grp]->currentIndex()+1)";
const char getRangeCall[] =
    "qm7240_getOutputRange(vi(), i+1, &m_grpType[i], &m_loLimit[i], &m_hiLimit[i])";
const char statusCall[] = "qm7240_getDACStatus(vi(), i+1, &stat)";
const char serialCall[] = "qm7240_readSerialNo(d_vi, &serialNumber, subtype)";
const char revisionCall[] =
    "qm7240_revision_query(d_vi, driverRevision, instrumentFirmwareRevision)";

int intOf(const QJsonObject &line, const char *key)
{
    return line.value(QLatin1String(key)).toInt(-12345);
}

// One journal line in a form that lists compare well; a failed call ends in
// "!" and its status.
QString describe(const QJsonObject &line)
{
    QString call = line.value(QStringLiteral("call")).toString();
    call.remove(QStringLiteral("qm7240_"));
    QString text = call;
    if (call == QLatin1String("getOutputRange"))
        text += QStringLiteral(" %1").arg(intOf(line, "group"));
    else if (call == QLatin1String("setOutputRange"))
        text += QStringLiteral(" %1 %2").arg(intOf(line, "group")).arg(intOf(line, "range"));
    else if (call == QLatin1String("writeChannel"))
        text += QStringLiteral(" %1 %2")
                    .arg(intOf(line, "channel"))
                    .arg(QString::number(line.value(QStringLiteral("value")).toDouble(), 'g', 10));
    else if (call == QLatin1String("getDACStatus"))
        text += QStringLiteral(" %1").arg(intOf(line, "channel"));
    const int status = intOf(line, "status");
    if (status != 0)
        text += QStringLiteral(" !%1").arg(status);
    return text;
}

QString write(int channel, double value)
{
    return QStringLiteral("writeChannel %1 %2").arg(channel).arg(QString::number(value, 'g', 10));
}

QString failed(const QString &call, ViStatus status)
{
    return call + QStringLiteral(" !%1").arg(status);
}

// The driver calls the panel made on its own session, polls left out unless asked for.
QStringList panelCalls(const SimFixture &sim, ViSession vi, bool withPolls = false)
{
    QStringList calls;
    for (const QJsonObject &line : sim.journal()) {
        const QString call = line.value(QStringLiteral("call")).toString();
        if (!call.startsWith(QLatin1String("qm7240_")) || call == QLatin1String("qm7240_init") ||
            intOf(line, "session") != int(vi))
            continue;
        if (!withPolls && call == QLatin1String("qm7240_getDACStatus"))
            continue;
        calls << describe(line);
    }
    return calls;
}

QList<int> polledChannels(const SimFixture &sim)
{
    QList<int> channels;
    for (const QJsonObject &line : sim.calls(QStringLiteral("qm7240_getDACStatus")))
        channels << intOf(line, "channel");
    return channels;
}

QList<int> channels(int from, int to)
{
    QList<int> list;
    for (int i = from; i <= to; ++i)
        list << i;
    return list;
}

QStringList normalStartup()
{
    QStringList calls{QStringLiteral("getOutputRange 1"), QStringLiteral("setOutputRange 1 1")};
    for (int ch = 1; ch <= 4; ++ch)
        calls << write(ch, 0.0);
    calls << QStringLiteral("getOutputRange 2") << QStringLiteral("setOutputRange 2 1");
    for (int ch = 5; ch <= 8; ++ch)
        calls << write(ch, 0.0);
    calls << QStringLiteral("getOutputRange 3") << QStringLiteral("getOutputRange 4")
          << QStringLiteral("readSerialNo") << QStringLiteral("revision_query");
    return calls;
}

// A widget's What's This text, which is its tool tip too.
void checkHelp(const QWidget *widget, const QString &text)
{
    QCOMPARE(widget->whatsThis(), text);
    QCOMPARE(widget->toolTip(), text);
}

QString lampHelp(int n)
{
    return QStringLiteral("LED indicating an output error for the current output type for "
                          "channel %1.\nThe red color indicates an error caused by an open "
                          "circuit or not appropriate load.")
        .arg(n);
}

const QString pollStoppedLine =
    QStringLiteral("\nNot monitored: the status poll stopped after an error.");
const QString unknownGroupLine =
    QStringLiteral("\nNot monitored: the range of this group is not known.");
const QColor notMonitoredGrey(128, 128, 128);

// A group the panel leaves alone: it says only its number and that its range is not known.
void checkLeftAlone(PanelProbe *panel, int g, const QString &rangeText)
{
    QCOMPARE(panel->groupBox[g]->title(), QStringLiteral("Group %1 - Range Unknown").arg(g + 1));
    QCOMPARE(panel->rangeLabel[g]->text(), QStringLiteral("Range:"));
    QVERIFY(!panel->groupBox[g]->isEnabled());
    QVERIFY(!panel->rangeComboBox[g] || panel->rangeComboBox[g]->isHidden());
    QVERIFY(!panel->rangeLineEdit[g]->isHidden());
    QVERIFY(panel->rangeLineEdit[g]->isReadOnly());
    QCOMPARE(panel->rangeLineEdit[g]->text(), rangeText);
    for (int k = 0; k < 4; ++k) {
        QVERIFY(!panel->dacCtrl[g][k]->isEnabled());
        QCOMPARE(panel->dacCtrl[g][k]->value(), 0.0);
    }
}

std::unique_ptr<PanelProbe> openPanel(qm7240_fc &fc)
{
    ModalAnswerer::instance().click(QStringLiteral("Auto Find"));
    return std::make_unique<PanelProbe>(&fc);
}

std::unique_ptr<PanelProbe> openDemoPanel(qm7240_fc &fc)
{
    ModalAnswerer::instance().click(QStringLiteral("Run In Demo Mode"));
    return std::make_unique<PanelProbe>(&fc);
}

// Between two of the user's edits the card thread does what the first asked.
void userTurn(PanelProbe *panel)
{
    panel->settle();
}

void keyInto(PanelProbe *panel, QWidget *widget, Qt::Key key)
{
    QTest::keyClick(widget, key);
    userTurn(panel);
}

void typeInto(PanelProbe *panel, qm7240_dblCtrl *ctrl, const QString &text)
{
    ctrl->selectAll();
    for (const QChar c : text) {
        QTest::keyClicks(ctrl, QString(c));
        userTurn(panel);
    }
}

bool hasLabel(QWidget *parent, const QString &text)
{
    for (QLabel *label : parent->findChildren<QLabel *>())
        if (label->text() == text)
            return true;
    return false;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

} // namespace

void TestPanel::initTestCase()
{
    // Decimal points, whatever the machine's locale.
    QLocale::setDefault(QLocale::c());
}

void TestPanel::cleanup()
{
    ModalAnswerer &answerer = ModalAnswerer::instance();
    const int pending = answerer.pending();
    QStringList unexpected;
    for (const auto &record : answerer.unexpected())
        unexpected << record->title + QStringLiteral(": ") + record->text;
    answerer.clear();
    QCOMPARE(unexpected, QStringList());
    QCOMPARE(pending, 0);
}

void TestPanel::startupRealMode()
{
    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    QVERIFY(!panel->d_demo);
    const ViSession vi = panel->vi();
    QVERIFY(vi != 0);

    // Before any user action: one range selection per current group, zeros to its channels.
    QCOMPARE(panelCalls(sim, vi, true), normalStartup());

    const int types[4] = {0, 0, 1, 1};
    const double lo[4] = {0.0, 0.0, -10.0, 0.0};
    const double hi[4] = {24.0, 24.0, 10.0, 1.0};
    const int decimals[4] = {3, 3, 3, 4};
    const double steps[4] = {0.036621652552071414, 0.036621652552071414, 0.030518043793392843,
                             0.0015259021896696422};
    for (int g = 0; g < 4; ++g) {
        const bool current = types[g] == 0;
        const QString kind = current ? QStringLiteral("Current") : QStringLiteral("Voltage");
        QCOMPARE(panel->groupBox[g]->title(),
                 QStringLiteral("Group %1 - %2 Output").arg(g + 1).arg(kind));
        QCOMPARE(panel->rangeLabel[g]->text(), kind + " Range:");
        QCOMPARE(panel->m_grpType[g], types[g]);
        QCOMPARE(panel->m_loLimit[g], lo[g]);
        QCOMPARE(panel->m_hiLimit[g], hi[g]);
        checkHelp(panel->groupBox[g], QStringLiteral("Group of channels number %1.").arg(g + 1));
        QCOMPARE(panel->groupBox[g]->sizePolicy().horizontalPolicy(),
                 QSizePolicy::MinimumExpanding);
        QCOMPARE(panel->groupBox[g]->sizePolicy().verticalPolicy(), QSizePolicy::MinimumExpanding);

        const QString rangeHelp =
            QStringLiteral("Range of output value selection for all channels in group %1.")
                .arg(g + 1);
        QCOMPARE(!panel->rangeComboBox[g], !current);
        QCOMPARE(!panel->rangeLineEdit[g], current);
        if (current) {
            QComboBox *combo = panel->rangeComboBox[g];
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            QCOMPARE(items, (QStringList{"0-24mA", "0-20mA", "4-20mA"}));
            QCOMPARE(combo->currentIndex(), 0);
            checkHelp(combo, rangeHelp);
        } else {
            QVERIFY(panel->rangeLineEdit[g]->isReadOnly());
            checkHelp(panel->rangeLineEdit[g], rangeHelp);
        }

        for (int k = 0; k < 4; ++k) {
            const int n = 4 * g + k + 1;
            QCOMPARE(panel->channelLabel[4 * g + k]->text(), QStringLiteral("Channel %1:").arg(n));
            qm7240_dblCtrl *ctrl = panel->dacCtrl[g][k];
            QCOMPARE(ctrl->channel(), n);
            QCOMPARE(ctrl->minimum(), lo[g]);
            QCOMPARE(ctrl->maximum(), hi[g]);
            QCOMPARE(ctrl->decimals(), decimals[g]);
            QVERIFY(qAbs(ctrl->singleStep() - steps[g]) < 1e-12);
            QCOMPARE(ctrl->value(), 0.0);
            checkHelp(ctrl, QStringLiteral("Value to write to the DAC for channel %1.").arg(n));
            QCOMPARE(ctrl->window(), static_cast<QWidget *>(panel.get()));
            qm6080fp_led *led = panel->errorLed[g][k];
            QCOMPARE(led != nullptr, current);
            if (led) {
                QCOMPARE(led->currentValue(), 0);
                QCOMPARE(led->currentOnColor(), QColor(Qt::red));
                checkHelp(led, lampHelp(n));
            }
        }
    }
    QCOMPARE(panel->rangeLineEdit[2]->text(), QStringLiteral("-10-10V"));
    QCOMPARE(panel->rangeLineEdit[3]->text(), QStringLiteral("0-1V"));

    QVERIFY(panel->statusTimer->isActive());
    QCOMPARE(panel->statusTimer->interval(), 400);
    QCOMPARE(panel->statusTimer->parent(), static_cast<QObject *>(panel.get()));
    QVERIFY(panel->resumeButton->isHidden());

    // The card's page of the About dialog.
    QVERIFY(panel->aboutDialog);
    QCOMPARE(panel->aboutDialog->currentModel(), QStringLiteral("7240-AA"));
    QCOMPARE(panel->aboutDialog->currentRevision(), QStringLiteral("2.3.4.5"));
    QVERIFY(hasLabel(panel->aboutDialog, QStringLiteral("00001a2b")));

    // Groups 1 and 2 side by side, 3 and 4 below them.
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    const QRect g1 = panel->groupBox[0]->geometry();
    QCOMPARE(panel->groupBox[1]->geometry().top(), g1.top());
    QVERIFY(panel->groupBox[1]->geometry().left() > g1.right());
    QCOMPARE(panel->groupBox[2]->geometry().left(), g1.left());
    QVERIFY(panel->groupBox[2]->geometry().top() > g1.bottom());
    QCOMPARE(panel->groupBox[3]->geometry().top(), panel->groupBox[2]->geometry().top());

    // Going away closes the session once.
    sim.clearJournal();
    panel.reset();
    QCOMPARE(panelCalls(sim, vi), QStringList{QStringLiteral("close")});
}

void TestPanel::voltageDecimals_data()
{
    QTest::addColumn<QString>("limits");
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("rangeText");

    QTest::newRow("0 to 1.0 V") << "[0, 1.0]" << 0.0 << 1.0 << 4 << "0-1V";
    QTest::newRow("0 to 1.5 V") << "[0, 1.5]" << 0.0 << 1.5 << 3 << "0-1.5V";
    QTest::newRow("-1 to 1 V") << "[-1, 1]" << -1.0 << 1.0 << 4 << "-1-1V";
    QTest::newRow("0 to 0.25 V") << "[0, 0.25]" << 0.0 << 0.25 << 4 << "0-0.25V";
    QTest::newRow("-10 to 10 V") << "[-10, 10]" << -10.0 << 10.0 << 3 << "-10-10V";
    QTest::newRow("-5 to 2.5 V") << "[-5, 2.5]" << -5.0 << 2.5 << 3 << "-5-2.5V";
    QTest::newRow("0 to 1.01 V") << "[0, 1.01]" << 0.0 << 1.01 << 3 << "0-1.01V";
}

void TestPanel::voltageDecimals()
{
    QFETCH(QString, limits);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, decimals);
    QFETCH(QString, rangeText);

    SimFixture sim(
        systemYaml(QStringLiteral("[current, {voltage: %1}, current, current]").arg(limits)));
    qm7240_fc fc;
    auto panel = openPanel(fc);

    QCOMPARE(panel->m_grpType[1], 1);
    QCOMPARE(panel->rangeLineEdit[1]->text(), rangeText);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(panel->dacCtrl[1][k]->decimals(), decimals);
        QCOMPARE(panel->dacCtrl[1][k]->minimum(), lo);
        QCOMPARE(panel->dacCtrl[1][k]->maximum(), hi);
        QVERIFY(!panel->errorLed[1][k]);
        QCOMPARE(panel->dacCtrl[0][k]->decimals(), 3);
    }
    // No voltage channel is written at start-up.
    for (const QString &call : panelCalls(sim, panel->vi()))
        if (call.startsWith(QLatin1String("writeChannel ")))
            QVERIFY2(call.section(QLatin1Char(' '), 1, 1).toInt() <= 4 ||
                         call.section(QLatin1Char(' '), 1, 1).toInt() > 8,
                     qPrintable(call));
}

void TestPanel::allVoltageGroups()
{
    SimFixture sim(systemYaml(QStringLiteral(
        "[{voltage: [-10, 10]}, {voltage: [0, 5]}, {voltage: [0, 1]}, {voltage: [-2, 2]}]")));
    qm7240_fc fc;
    auto panel = openPanel(fc);

    for (int g = 0; g < 4; ++g) {
        QVERIFY(!panel->rangeComboBox[g]);
        QVERIFY(panel->rangeLineEdit[g]);
        for (int k = 0; k < 4; ++k)
            QVERIFY(!panel->errorLed[g][k]);
    }
    QVERIFY(panel->findChildren<qm6080fp_led *>().size() <= 1); // the frame's "Active" lamp
    QVERIFY(panel->findChildren<QComboBox *>().isEmpty());
    QVERIFY(!panel->statusTimer->isActive());
    QCOMPARE(panelCalls(sim, panel->vi(), true),
             (QStringList{"getOutputRange 1", "getOutputRange 2", "getOutputRange 3",
                          "getOutputRange 4", "readSerialNo", "revision_query"}));

    // Two periods later still no poll.
    QTest::qWait(900);
    QVERIFY(polledChannels(sim).isEmpty());
}

void TestPanel::rangeSwitch_data()
{
    QTest::addColumn<bool>("channel2At10");
    QTest::addColumn<bool>("assistive"); // chosen through the combo box's value interface
    QTest::addColumn<QStringList>("calls");

    const QStringList allAtZero{write(1, 0.004), write(2, 0.004),      write(3, 0.004),
                                write(4, 0.004), "setOutputRange 1 3", write(1, 0.004),
                                write(2, 0.004), write(3, 0.004),      write(4, 0.004)};
    QTest::newRow("all channels at 0") << false << false << allAtZero;
    QTest::newRow("channel 2 already inside the new range")
        << true << false
        << QStringList{write(1, 0.004),      write(3, 0.004), write(4, 0.004),
                       "setOutputRange 1 3", write(1, 0.004), write(2, 0.01000009155413138),
                       write(3, 0.004),      write(4, 0.004)};
    QTest::newRow("through assistive technology") << false << true << allAtZero;
}

void TestPanel::rangeSwitch()
{
    QFETCH(bool, channel2At10);
    QFETCH(bool, assistive);
    QFETCH(QStringList, calls);

    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    if (channel2At10) {
        panel->dacCtrl[0][1]->setValue(10.0);
        userTurn(panel.get());
        QCOMPARE(panelCalls(sim, panel->vi()).last(), write(2, 0.00999990844586862));
    }
    sim.clearJournal();

    // "4-20mA" is the last item.
    if (assistive)
        QAccessible::queryAccessibleInterface(panel->rangeComboBox[0])
            ->valueInterface()
            ->setCurrentValue(2);
    else
        QTest::keyClick(panel->rangeComboBox[0], Qt::Key_End);
    userTurn(panel.get());
    QCOMPARE(panel->rangeComboBox[0]->currentIndex(), 2);

    QCOMPARE(panelCalls(sim, panel->vi()), calls);
    QCOMPARE(panel->m_loLimit[0], 4.0);
    QCOMPARE(panel->m_hiLimit[0], 20.0);
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(panel->dacCtrl[0][k]->minimum(), 4.0);
        QCOMPARE(panel->dacCtrl[0][k]->maximum(), 20.0);
        QVERIFY(qAbs(panel->dacCtrl[0][k]->singleStep() - 0.024414435034714275) < 1e-12);
    }
    QCOMPARE(panel->dacCtrl[0][0]->text(), QStringLiteral("4.000"));
    QCOMPARE(panel->dacCtrl[0][1]->text(),
             channel2At10 ? QStringLiteral("10.000") : QStringLiteral("4.000"));
    // Group 2 is untouched.
    QCOMPARE(panel->dacCtrl[1][0]->minimum(), 0.0);
    QCOMPARE(panel->dacCtrl[1][0]->maximum(), 24.0);
}

void TestPanel::singleSteps()
{
    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    sim.clearJournal();

    // One item down: 0-20 mA, 100 steps of 20 / 65535 mA per click.
    QTest::keyClick(panel->rangeComboBox[1], Qt::Key_Down);
    userTurn(panel.get());
    QCOMPARE(panel->rangeComboBox[1]->currentIndex(), 1);
    for (int k = 0; k < 4; ++k)
        QVERIFY(qAbs(panel->dacCtrl[1][k]->singleStep() - 0.030518043793392843) < 1e-12);
    QCOMPARE(panel->dacCtrl[1][0]->maximum(), 20.0);
    // Nothing to clamp: the range, then the four channels.
    QCOMPARE(panelCalls(sim, panel->vi()),
             (QStringList{"setOutputRange 2 2", write(5, 0.0), write(6, 0.0), write(7, 0.0),
                          write(8, 0.0)}));
}

void TestPanel::typedValues_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("channel 6, 5 mA")
        << 1 << 1 << "5" << QStringList{write(6, 0.00499995422293431)} << "5.000";
    QTest::newRow("channel 6, 12.5 mA, every accepted keystroke")
        << 1 << 1 << "12.5"
        << QStringList{write(6, 0.0010001373311970703), write(6, 0.012000183108262761),
                       write(6, 0.012500068665598536)}
        << "12.500";
    QTest::newRow("channel 7, 2.5 mA")
        << 1 << 2 << "2.5"
        << QStringList{write(7, 0.0019999084458686197), write(7, 0.0025001602197299152)} << "2.500";
    QTest::newRow("channel 11, 5 V goes out in volts")
        << 2 << 2 << "5" << QStringList{write(11, 4.9999237048905165)} << "5.000";
    QTest::newRow("channel 11, -7.25 V")
        << 2 << 2 << "-7.25"
        << QStringList{write(11, -7.0000762951094835), write(11, -7.199969481956207),
                       write(11, -7.250019073777371)}
        << "-7.250";
    QTest::newRow("channel 16, 0.5 V on a 4-decimal group")
        << 3 << 3 << "0.5" << QStringList{write(16, 0.5000076295109483)} << "0.5000";
}

void TestPanel::typedValues()
{
    QFETCH(int, group);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(QStringList, writes);
    QFETCH(QString, shown);

    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    sim.clearJournal();

    qm7240_dblCtrl *ctrl = panel->dacCtrl[group][index];
    typeInto(panel.get(), ctrl, text);

    // Every accepted keystroke went out, and the text being typed was left alone.
    QCOMPARE(panelCalls(sim, panel->vi()), writes);
    QCOMPARE(ctrl->text(), text);

    // Return ends editing: the control shows the value at its decimals and
    // writes it once more.
    keyInto(panel.get(), ctrl, Qt::Key_Return);
    QCOMPARE(ctrl->text(), shown);
    QCOMPARE(panelCalls(sim, panel->vi()), writes + QStringList{writes.last()});
}

void TestPanel::arrowKeys()
{
    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    sim.clearJournal();

    keyInto(panel.get(), panel->dacCtrl[0][0], Qt::Key_Up);
    QCOMPARE(panel->dacCtrl[0][0]->text(), QStringLiteral("0.037"));
    keyInto(panel.get(), panel->dacCtrl[0][0], Qt::Key_Up);
    keyInto(panel.get(), panel->dacCtrl[0][0], Qt::Key_Down);
    keyInto(panel.get(), panel->dacCtrl[2][0], Qt::Key_Up);
    QCOMPARE(panel->dacCtrl[2][0]->text(), QStringLiteral("0.031"));
    // Below the lower end nothing changes and nothing is written.
    keyInto(panel.get(), panel->dacCtrl[1][0], Qt::Key_Down);

    // One click is 100 steps from where the control stands, written once.
    QCOMPARE(panelCalls(sim, panel->vi()),
             (QStringList{write(1, 3.6621652552071414e-05), write(1, 7.360952162966354e-05),
                          write(1, 3.7354085603112837e-05), write(9, 0.0306706340123597)}));
}

void TestPanel::openCircuitLamp()
{
    SimFixture sim(cardWith(openCircuit(QStringLiteral("6"))));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    qm6080fp_led *lamp6 = panel->errorLed[1][1];
    const auto waitTicks = [&sim](int ticks) {
        const int polled = polledChannels(sim).size();
        QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= polled + 16 * ticks, 5000);
    };

    // A full tick with no current through channel 6 leaves every lamp dark.
    waitTicks(1);
    QCOMPARE(lamp6->currentValue(), 0);
    // From here, a lamp repaints only when its value changes.
    QList<PaintCounter *> counters;
    for (int g = 0; g < 2; ++g)
        for (int k = 0; k < 4; ++k)
            counters << new PaintCounter(panel->errorLed[g][k]);
    waitTicks(3);
    for (PaintCounter *counter : counters)
        QCOMPARE(counter->count, 0);

    panel->dacCtrl[1][1]->setValue(5.0);
    QTRY_VERIFY_WITH_TIMEOUT(lamp6->currentValue() != 0, 5000);
    waitTicks(3);
    for (int i = 0; i < counters.size(); ++i) {
        QCOMPARE(counters[i]->count, i == 5 ? 1 : 0);
        QCOMPARE(panel->errorLed[i / 4][i % 4]->currentValue() != 0, i == 5);
    }

    panel->dacCtrl[1][1]->setValue(0.0);
    QTRY_VERIFY_WITH_TIMEOUT(lamp6->currentValue() == 0, 5000);
    QVERIFY(panel->statusTimer->isActive());

    // Every tick polls all sixteen channels in order, voltage channels too.
    panel->statusTimer->stop();
    const QList<int> channels = polledChannels(sim);
    QVERIFY(channels.size() >= 32);
    for (int i = 0; i < channels.size(); ++i)
        QCOMPARE(channels[i], i % 16 + 1);
}

void TestPanel::pollFailure_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("icon");

    QTest::newRow("warning") << int(VI_WARN_NSUP_ID_QUERY) << "OK" << int(QMessageBox::Warning);
    QTest::newRow("error") << int(VI_ERROR_TMO) << "No" << int(QMessageBox::Critical);
}

void TestPanel::pollFailure()
{
    QFETCH(int, status);
    QFETCH(QString, button);
    QFETCH(int, icon);

    SimFixture sim(cardWith(openCircuit(QStringLiteral("2, 7")) +
                            failing(QStringLiteral("qm7240_getDACStatus"),
                                    QStringLiteral("{status: %1, channel: 6}").arg(status))));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    // Before the first tick: channels 2 and 7 carry current into an open circuit.
    panel->dacCtrl[0][1]->setValue(5.0);
    panel->dacCtrl[1][2]->setValue(5.0);

    int lamp1InBox = -1;
    auto box = ModalAnswerer::instance().expect([&](QWidget *window) {
        lamp1InBox = panel->errorLed[0][0]->currentValue();
        ModalAnswerer::clickButton(window, button);
    });
    QTRY_VERIFY_WITH_TIMEOUT(box->seen, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(box->widget.isNull(), 5000);

    const QString expected = status < 0 ? errorBoxText(statusCall, status) : warningBoxText(status);
    QCOMPARE(box->text, expected);
    QCOMPARE(box->icon, icon);
    QVERIFY(!driverText(status).isEmpty());
    QVERIFY(!panel->statusTimer->isActive());

    // Channels 1 to 5 were read and shown; channel 6 ended the tick. From then
    // on no lamp claims "no error": the unlit ones turn grey before the box
    // appears, the lit one stays red, and each says why.
    QCOMPARE(polledChannels(sim), (QList<int>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(lamp1InBox, 2);
    QVERIFY(!panel->resumeButton->isHidden());
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            // And the poll never comes back.
            QTest::qWait(1000);
            QCOMPARE(polledChannels(sim).size(), 6);
        }
        for (int i = 0; i < 8; ++i) {
            qm6080fp_led *led = panel->errorLed[i / 4][i % 4];
            QCOMPARE(led->currentValue(), i == 1 ? 1 : 2);
            QCOMPARE(led->lampColor(), i == 1 ? QColor(Qt::red) : notMonitoredGrey);
            checkHelp(led, lampHelp(i + 1) + pollStoppedLine);
        }
    }
}

void TestPanel::nothingElseWhileBoxWaits()
{
    SimFixture sim(
        cardWith(failing(QStringLiteral("qm7240_writeChannel"),
                         QStringLiteral("{status: %1, channel: 3, after: 1}").arg(VI_ERROR_TMO))));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    QCOMPARE(panelCalls(sim, panel->vi()), normalStartup());

    // Three ticks while the write's box is open: the card hears nothing.
    int callsWhileShown = -1;
    auto box = ModalAnswerer::instance().expect([&sim, &callsWhileShown](QWidget *window) {
        const int before = sim.journal().size();
        QTest::qWait(1200);
        callsWhileShown = sim.journal().size() - before;
        ModalAnswerer::clickButton(window, QStringLiteral("No"));
    });
    panel->dacCtrl[0][2]->setValue(5.0);
    userTurn(panel.get());

    QVERIFY(box->seen);
    QCOMPARE(box->text, errorBoxText(writeCall, VI_ERROR_TMO));
    QCOMPARE(box->icon, int(QMessageBox::Critical));
    QCOMPARE(callsWhileShown, 0);
    // Nothing is undone: the control keeps the value the card refused; and
    // the poll goes on once the box is answered.
    QCOMPARE(panel->dacCtrl[0][2]->text(), QStringLiteral("5.000"));
    QCOMPARE(panelCalls(sim, panel->vi()).last(),
             failed(write(3, 0.00499995422293431), VI_ERROR_TMO));
    QVERIFY(panel->statusTimer->isActive());
    const int polled = polledChannels(sim).size();
    QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= polled + 16, 5000);
}

void TestPanel::slowCardRound()
{
    SimFixture sim(cardWith(QStringLiteral("          call_delay_ms: 20\n")));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    const auto midRound = [&sim] {
        const int n = polledChannels(sim).size() % 16;
        return n >= 1 && n <= 12;
    };

    // A write in the middle of a round goes to the card before the round's
    // next read, and the round goes on with the next channel.
    QTRY_VERIFY_WITH_TIMEOUT(midRound(), 5000);
    sim.clearJournal();
    panel->dacCtrl[1][1]->setValue(5.0);
    QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= 3, 5000);
    QStringList calls = panelCalls(sim, panel->vi(), true);
    if (calls.first().startsWith(QLatin1String("getDACStatus")))
        calls.removeFirst(); // the read that was out when the value came
    QCOMPARE(calls.first(), write(6, 0.004999954222934309));
    const int next = calls.at(1).section(' ', 1).toInt();
    const int after = calls.at(2).section(' ', 1).toInt();
    QVERIFY2(next > 1 && after == next % 16 + 1, qPrintable(calls.join(", ")));

    // A range change mid-round: its calls one after the other, then the rest.
    QTRY_VERIFY_WITH_TIMEOUT(midRound(), 5000);
    sim.clearJournal();
    QTest::keyClick(panel->rangeComboBox[0], Qt::Key_Down);
    QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= 3, 5000);
    calls = panelCalls(sim, panel->vi(), true);
    if (calls.first().startsWith(QLatin1String("getDACStatus")))
        calls.removeFirst();
    QCOMPARE(calls.mid(0, 5), (QStringList{"setOutputRange 1 2", write(1, 0.0), write(2, 0.0),
                                           write(3, 0.0), write(4, 0.0)}));

    // A reset in the middle of a round drops the rest of it: the next read
    // after the card's state is channel 1 of a fresh round.
    QTRY_VERIFY_WITH_TIMEOUT(midRound(), 5000);
    sim.clearJournal();
    panel->resetButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= 3, 5000);
    calls = panelCalls(sim, panel->vi(), true);
    if (calls.first().startsWith(QLatin1String("getDACStatus")))
        calls.removeFirst();
    QCOMPARE(calls.mid(0, 7),
             (QStringList{"reset", "getOutputRange 1", "getOutputRange 2", "getOutputRange 3",
                          "getOutputRange 4", "getDACStatus 1", "getDACStatus 2"}));
}

void TestPanel::linkDrops()
{
    // The link to the carrier is down twice: first while the panel polls,
    // then while it writes. Each window leaves seconds for the steps in it,
    // however loaded the machine.
    const QString yaml = systemYaml().replace(
        QStringLiteral("    logical_address: 2\n"),
        QStringLiteral("    logical_address: 2\n    link:\n      timeout_ms: 1000\n"
                       "      down: [{after_ms: 2000, for_ms: 3000}, {after_ms: 7000, "
                       "for_ms: 60000}]\n"));
    SimFixture sim(yaml);
    qm7240_fc fc;
    auto panel = openPanel(fc);
    qm7240_dblCtrl *ctrl6 = panel->dacCtrl[1][1];
    // By the clock the link's windows count on, however slow this build runs.
    const auto waitUntil = [](double ms) {
        while (sim_clockMs() < ms)
            QTest::qWait(50);
    };

    // One box for the poll's timed-out read; the lamps turn grey, and no
    // second box follows.
    auto pollBox = ModalAnswerer::instance().click(QStringLiteral("No"));
    QTRY_VERIFY_WITH_TIMEOUT(pollBox->seen, 8000);
    QCOMPARE(pollBox->text, errorBoxText(statusCall, VI_ERROR_TMO));
    QVERIFY(driverText(VI_ERROR_TMO).contains(QStringLiteral("Timeout")));
    QVERIFY(!panel->statusTimer->isActive());
    for (int i = 0; i < 8; ++i)
        QCOMPARE(panel->errorLed[i / 4][i % 4]->currentValue(), 2);
    QVERIFY(!panel->resumeButton->isHidden());

    // Resumed while the link is still down: one more box, and the button stays.
    auto resumeBox = ModalAnswerer::instance().click(QStringLiteral("No"));
    const int readsBefore = polledChannels(sim).size();
    panel->resumeButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(resumeBox->seen, 5000);
    QCOMPARE(resumeBox->text, errorBoxText(statusCall, VI_ERROR_TMO));
    QCOMPARE(polledChannels(sim).size(), readsBefore + 1);
    QVERIFY(!panel->resumeButton->isHidden());
    QVERIFY(!panel->statusTimer->isActive());

    // Back up: Resume Monitoring reads every channel again, writes nothing,
    // and the poll runs as before; a value typed into channel 6 reaches the card.
    waitUntil(5200);
    sim.clearJournal();
    panel->resumeButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(panel->resumeButton->isHidden(), 5000);
    QVERIFY(panel->statusTimer->isActive());
    QCOMPARE(polledChannels(sim).mid(0, 16), channels(1, 16));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(panel->errorLed[i / 4][i % 4]->currentValue(), 0);
    QCOMPARE(sim.calls(QStringLiteral("qm7240_writeChannel")).size(), 0);
    sim.clearJournal();
    typeInto(panel.get(), ctrl6, QStringLiteral("5"));
    QTRY_COMPARE_WITH_TIMEOUT(sim.calls(QStringLiteral("qm7240_writeChannel")).size(), 1, 5000);
    QCOMPARE(panelCalls(sim, panel->vi()), QStringList{write(6, 0.004999954222934309)});
    // Stopped here by hand, so that the next drop meets the write alone.
    panel->statusTimer->stop();
    userTurn(panel.get());

    // Down again: the write waits out VISA's timeout. The window goes on
    // meanwhile, and soon its pointer says that it waits for the card, which
    // a screen reader hears once; then the write's box.
    waitUntil(7200);
    sim.clearJournal();
    auto writeBox = ModalAnswerer::instance().click(QStringLiteral("No"));
    ctrl6->setValue(7.0);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::overrideCursor(), 900);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    QCOMPARE(panel->announcer->lastText(), QStringLiteral("Waiting for the card"));
    QVERIFY(sim.calls(QStringLiteral("qm7240_writeChannel")).isEmpty());
    userTurn(panel.get());
    QVERIFY(writeBox->seen);
    QCOMPARE(writeBox->text, errorBoxText(writeCall, VI_ERROR_TMO));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    const QList<QJsonObject> writes = sim.calls(QStringLiteral("qm7240_writeChannel"));
    QCOMPARE(writes.size(), 1);
    QVERIFY(writes[0].value(QStringLiteral("dur_ms")).toDouble() >= 1000.0);
    QCOMPARE(polledChannels(sim), QList<int>());
    QVERIFY(panel->m_unconfirmed[5]);

    // Closed while a write is out: the question comes at once, and on Yes
    // the window goes; the session is closed once the write has returned,
    // and its box never comes.
    sim.clearJournal();
    const ViSession vi = panel->vi();
    ctrl6->setValue(8.0);
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::overrideCursor(), 900);
    auto exitBox = ModalAnswerer::instance().click(QStringLiteral("Yes"));
    QVERIFY(panel->close());
    QVERIFY(exitBox->seen);
    QVERIFY(sim.calls(QStringLiteral("qm7240_writeChannel")).isEmpty());
    panel.reset();
    QCOMPARE(panelCalls(sim, vi), (QStringList{failed(write(6, 0.008), VI_ERROR_TMO), "close"}));
}

void TestPanel::startupFailures_data()
{
    QTest::addColumn<QString>("fail");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("revision");
    QTest::addColumn<QString>("serial");

    const int error = driverError;
    const int tmo = VI_ERROR_TMO;
    const int warn = VI_WARN_NSUP_ID_QUERY;
    // The start-up calls with call number `index` failing with `status`; an
    // error is answered No, a warning OK. After a link failure no call follows.
    const auto row = [](const char *name, const char *operation, const QString &rule, int index,
                        int status, const QString &boxText, const char *model = "7240-AA",
                        const char *revision = "2.3.4.5", const char *serial = "00001a2b") {
        QStringList calls = normalStartup();
        calls[index] = failed(calls[index], status);
        if (status == VI_ERROR_TMO)
            calls = calls.mid(0, index + 1);
        QTest::newRow(name) << failing(QLatin1String(operation), rule) << boxText
                            << (status < 0 ? "No" : "OK") << calls << model << revision << serial;
    };
    row("range read of group 4 fails", "qm7240_getOutputRange",
        QStringLiteral("{status: %1, group: 4}").arg(error), 13, error,
        errorBoxText(getRangeCall, error));
    row("range selection of group 2 warns", "qm7240_setOutputRange",
        QStringLiteral("{status: %1, group: 2}").arg(warn), 7, warn, warningBoxText(warn));
    row("start-up write of channel 3 fails", "qm7240_writeChannel",
        QStringLiteral("{status: %1, channel: 3}").arg(error), 4, error,
        errorBoxText(writeCall, error));
    // The page then shows what the zeroed variables hold, not garbage.
    row("serial number read fails", "qm7240_readSerialNo", QString::number(error), 14, error,
        errorBoxText(serialCall, error), "7240-", "2.3.4.5", "00000000");
    row("revision query warns", "qm7240_revision_query", QString::number(warn), 15, warn,
        warningBoxText(warn), "7240-AA", "");
    // The link fails at channel 3: channels 3 and 4 are not confirmed, groups 2
    // to 4 are not asked, nor is the About page's, and the poll waits for the
    // user's Resume Monitoring.
    row("the link fails at the start-up write of channel 3", "qm7240_writeChannel",
        QStringLiteral("{status: %1, channel: 3}").arg(tmo), 4, tmo, errorBoxText(writeCall, tmo),
        "7240-", "", "00000000");
}

void TestPanel::startupFailures()
{
    QFETCH(QString, fail);
    QFETCH(QString, boxText);
    QFETCH(QString, button);
    QFETCH(QStringList, calls);
    QFETCH(QString, model);
    QFETCH(QString, revision);
    QFETCH(QString, serial);

    SimFixture sim(cardWith(fail));
    qm7240_fc fc;
    ModalAnswerer::instance().click(QStringLiteral("Auto Find"));
    auto box = ModalAnswerer::instance().click(button);
    auto panel = std::make_unique<PanelProbe>(&fc);

    QVERIFY(box->seen);
    QCOMPARE(box->text, boxText);
    QCOMPARE(box->buttons.contains(QStringLiteral("Yes")), button == QLatin1String("No"));
    // Construction went on after the box. (Polls may run while a box is up.)
    QCOMPARE(panelCalls(sim, panel->vi()), calls);
    QCOMPARE(panel->aboutDialog->currentModel(), model);
    QCOMPARE(panel->aboutDialog->currentRevision(), revision);
    QVERIFY(hasLabel(panel->aboutDialog, serial));
    QCOMPARE(panel->rangeComboBox[0]->currentIndex(), 0);
    QCOMPARE(panel->dacCtrl[0][0]->maximum(), 24.0);
    const bool link = calls.size() < normalStartup().size();
    QCOMPARE(panel->statusTimer->isActive(), !link);
    QCOMPARE(panel->resumeButton->isVisibleTo(panel.get()), link);
    // A failed write marks its channel; after a link failure, so do the
    // writes not made.
    const bool writeFailed = fail.contains(QLatin1String("qm7240_writeChannel"));
    for (int channel = 1; channel <= 16; ++channel)
        QCOMPARE(panel->m_unconfirmed[channel - 1],
                 (writeFailed && channel == 3) || (link && channel == 4));
    for (int g = 1; link && g < 4; ++g)
        checkLeftAlone(panel.get(), g, QStringLiteral("not read"));
}

void TestPanel::unreadableGroupLeftAlone_data()
{
    QTest::addColumn<QString>("groups");
    QTest::addColumn<int>("group");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<int>>("polled");

    QStringList calls = normalStartup();
    calls[12] = failed(calls[12], driverError);
    QTest::newRow("voltage group 3") << QString::fromLatin1(defaultGroups) << 3 << calls
                                     << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 13, 14, 15, 16};
    // Then no lamp is left to watch, and the poll does not run.
    QTest::newRow("the only current group")
        << "[current, {voltage: [-10, 10]}, {voltage: [0, 5]}, {voltage: [0, 1]}]" << 1
        << QStringList{failed(QStringLiteral("getOutputRange 1"), driverError),
                       "getOutputRange 2",
                       "getOutputRange 3",
                       "getOutputRange 4",
                       "readSerialNo",
                       "revision_query"}
        << QList<int>{};
}

void TestPanel::unreadableGroupLeftAlone()
{
    QFETCH(QString, groups);
    QFETCH(int, group);
    QFETCH(QStringList, calls);
    QFETCH(QList<int>, polled);

    SimFixture sim(systemYaml(
        groups, failing(QStringLiteral("qm7240_getOutputRange"),
                        QStringLiteral("{status: %1, group: %2}").arg(driverError).arg(group))));
    qm7240_fc fc;
    ModalAnswerer::instance().click(QStringLiteral("Auto Find"));
    auto readBox = ModalAnswerer::instance().click(QStringLiteral("No"));
    auto panel = std::make_unique<PanelProbe>(&fc);

    // One box, for the read; the group never hears from the panel again.
    QCOMPARE(readBox->text, errorBoxText(getRangeCall, driverError));
    QCOMPARE(panelCalls(sim, panel->vi(), true), calls);
    const int g = group - 1;
    checkLeftAlone(panel.get(), g, QStringLiteral("could not be read"));
    for (int k = 0; k < 4; ++k)
        QVERIFY(!panel->errorLed[g][k]);
    QCOMPARE(panel->statusTimer->isActive(), !polled.isEmpty());

    // Not even a slot called directly reaches it, nor does the poll.
    sim.clearJournal();
    panel->setRange_slot(g);
    panel->setValue_slot(4 * g + 2, 1.0);
    if (polled.isEmpty()) {
        QTest::qWait(900); // two ticks, had the timer been started
        QCOMPARE(polledChannels(sim), QList<int>());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(polledChannels(sim).size() >= 2 * polled.size(), 5000);
        QCOMPARE(polledChannels(sim).mid(0, 2 * polled.size()), polled + polled);
    }
    QCOMPARE(panelCalls(sim, panel->vi()), QStringList());
}

void TestPanel::resetShowsCardState_data()
{
    QTest::addColumn<QString>("fail");
    QTest::addColumn<QString>("pollBox");
    QTest::addColumn<QString>("resetBox");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<bool>("cardState");
    QTest::addColumn<bool>("group1Known");

    const QStringList reads{"getOutputRange 1", "getOutputRange 2", "getOutputRange 3",
                            "getOutputRange 4"};
    const int error = driverError;
    const int warn = VI_WARN_NSUP_ID_QUERY;
    QTest::newRow("reset") << QString() << QString() << QString() << QStringList{"reset"} + reads
                           << true << true;
    QTest::newRow("reset after the poll stopped")
        << failing(QStringLiteral("qm7240_getDACStatus"),
                   QStringLiteral("{status: %1, channel: 16, after: 1}").arg(warn))
        << "OK" << QString() << QStringList{"reset"} + reads << true << true;
    QStringList unread = QStringList{"reset"} + reads;
    unread[1] = failed(unread[1], error);
    QTest::newRow("group 1 unreadable after the reset")
        << failing(QStringLiteral("qm7240_getOutputRange"),
                   QStringLiteral("{status: %1, group: 1, after: 1}").arg(error))
        << QString() << "No" << unread << true << false;
    QTest::newRow("reset warns") << failing(QStringLiteral("qm7240_reset"), QString::number(warn))
                                 << QString() << "OK"
                                 << QStringList{failed(QStringLiteral("reset"), warn)} << false
                                 << true;
}

void TestPanel::resetShowsCardState()
{
    QFETCH(QString, fail);
    QFETCH(QString, pollBox);
    QFETCH(QString, resetBox);
    QFETCH(QStringList, calls);
    QFETCH(bool, cardState);
    QFETCH(bool, group1Known);

    SimFixture sim(cardWith(openCircuit(QStringLiteral("6")) + fail));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    std::shared_ptr<ModalRecord> stopBox;
    if (!pollBox.isEmpty())
        stopBox = ModalAnswerer::instance().click(pollBox);

    // 4-20mA on group 1, 5 mA into the open channel 6, 5 V on channel 11.
    QTest::keyClick(panel->rangeComboBox[0], Qt::Key_End);
    userTurn(panel.get());
    panel->dacCtrl[1][1]->setValue(5.0);
    panel->dacCtrl[2][2]->setValue(5.0);
    qm6080fp_led *lamp6 = panel->errorLed[1][1];
    QTRY_VERIFY_WITH_TIMEOUT(lamp6->currentValue() == 1, 5000);
    const bool pollStopped = bool(stopBox);
    if (pollStopped)
        QTRY_VERIFY_WITH_TIMEOUT(stopBox->seen && stopBox->widget.isNull(), 5000);

    sim.clearJournal();
    std::shared_ptr<ModalRecord> box;
    if (!resetBox.isEmpty())
        box = ModalAnswerer::instance().click(resetBox);
    panel->resetButton->click();
    userTurn(panel.get());
    QVERIFY(!box || box->seen);
    // Reads only: not one range call or write reaches the card.
    QCOMPARE(panelCalls(sim, panel->vi()), calls);

    // Right after the reset; then again once the poll had its chance.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            QTest::qWait(900);
            QCOMPARE(panelCalls(sim, panel->vi()), calls);
        }
        if (!group1Known) {
            checkLeftAlone(panel.get(), 0, QStringLiteral("could not be read"));
        } else {
            QCOMPARE(panel->rangeComboBox[0]->currentIndex(), cardState ? 0 : 2);
            QCOMPARE(panel->dacCtrl[0][0]->maximum(), cardState ? 24.0 : 20.0);
            QVERIFY(qAbs(panel->dacCtrl[0][0]->singleStep() -
                         (cardState ? 0.036621652552071414 : 0.024414435034714275)) < 1e-12);
            QCOMPARE(panel->dacCtrl[0][0]->text(),
                     cardState ? QStringLiteral("0.000") : QStringLiteral("4.000"));
        }
        QCOMPARE(panel->dacCtrl[1][1]->text(),
                 cardState ? QStringLiteral("0.000") : QStringLiteral("5.000"));
        QCOMPARE(panel->dacCtrl[2][2]->text(),
                 cardState ? QStringLiteral("0.000") : QStringLiteral("5.000"));
        QCOMPARE(panel->dacCtrl[3][0]->decimals(), 4);

        // The lamps: unlit where the card is watched (channel 6 carries no
        // current any more), grey where nothing watches it.
        for (int i = 0; i < 8; ++i) {
            const bool watched = !pollStopped && (group1Known || i >= 4);
            qm6080fp_led *led = panel->errorLed[i / 4][i % 4];
            const int lit = i == 5 && !cardState ? 1 : 0;
            QCOMPARE(led->currentValue(), watched ? lit : 2);
            checkHelp(led, lampHelp(i + 1) + (pollStopped ? pollStoppedLine : QString()) +
                               (group1Known || i >= 4 ? QString() : unknownGroupLine));
        }
    }
    QCOMPARE(panel->statusTimer->isActive(), !pollStopped);
    if (!group1Known)
        for (int channel : polledChannels(sim))
            QVERIFY2(channel > 4, qPrintable(QString::number(channel)));
}

void TestPanel::resetWithRangeOfNoKind_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("rangeText");
    QTest::newRow("limits of no current range") << "[0, 0, 22]"
                                                << "card reports 0-22mA";
    QTest::newRow("a voltage group now") << "[1, -10, 10]"
                                         << "card reports -10-10V";
}

void TestPanel::resetWithRangeOfNoKind()
{
    QFETCH(QString, report);
    QFETCH(QString, rangeText);

    // Group 1 is the only current group; after the reset the card tells of
    // it what its controls cannot show.
    SimFixture sim(systemYaml(
        QStringLiteral("[current, {voltage: [-10, 10]}, {voltage: [0, 5]}, {voltage: [0, 1]}]"),
        failing(QStringLiteral("qm7240_getOutputRange"),
                QStringLiteral("{group: 1, after: 1, report: %1}").arg(report))));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    QVERIFY(panel->statusTimer->isActive());

    sim.clearJournal();
    panel->resetButton->click();
    userTurn(panel.get());
    checkLeftAlone(panel.get(), 0, rangeText);
    // No current group is left in play: the poll has nothing to watch.
    QVERIFY(!panel->statusTimer->isActive());
    QCOMPARE(panelCalls(sim, panel->vi()),
             (QStringList{"reset", "getOutputRange 1", "getOutputRange 2", "getOutputRange 3",
                          "getOutputRange 4"}));
}

void TestPanel::actionAfterFailure_data()
{
    QTest::addColumn<QString>("fail");
    QTest::addColumn<bool>("reset"); // the action: Reset Device, else 4-20mA for group 1
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QList<int>>("marked");

    const int tmo = VI_ERROR_TMO;
    const int lost = VI_ERROR_CONN_LOST;
    const QString setRange = QStringLiteral("qm7240_setOutputRange");
    // Channels 1 to 4 hold 0 mA: each is clamped to 4 mA and written, the
    // range goes out, and all four are written again.
    const QStringList clamped{write(1, 0.004), write(2, 0.004), write(3, 0.004), write(4, 0.004)};
    const QString rangeCall = QStringLiteral("setOutputRange 1 3");
    QTest::newRow("a driver error: the writes go on, the group keeps its range")
        << failing(setRange, QStringLiteral("{status: %1, group: 1, after: 1}").arg(driverError))
        << false << errorBoxText(setRangeCall, driverError)
        << clamped + QStringList{failed(rangeCall, driverError)} + clamped << QList<int>{};
    // No write follows: none of the four is confirmed.
    QTest::newRow("the link times out at the range call")
        << failing(setRange, QStringLiteral("{status: %1, group: 1, after: 1}").arg(tmo)) << false
        << errorBoxText(setRangeCall, tmo) << clamped + QStringList{failed(rangeCall, tmo)}
        << QList<int>{1, 2, 3, 4};
    // Channel 2's first write was the start-up's.
    QTest::newRow("the link is lost at a clamped write")
        << failing(QStringLiteral("qm7240_writeChannel"),
                   QStringLiteral("{status: %1, channel: 2, after: 1}").arg(lost))
        << false << errorBoxText(writeCall, lost)
        << QStringList{write(1, 0.004), failed(write(2, 0.004), lost)} << QList<int>{1, 2, 3, 4};
    // The card confirmed its reset: group 2 is left alone, groups 3 and 4 not asked.
    QTest::newRow("the link times out in a reset's follow-up")
        << failing(QStringLiteral("qm7240_getOutputRange"),
                   QStringLiteral("{status: %1, group: 2, after: 1}").arg(tmo))
        << true << errorBoxText(getRangeCall, tmo)
        << QStringList{"reset", "getOutputRange 1", failed("getOutputRange 2", tmo)}
        << QList<int>{};
}

void TestPanel::actionAfterFailure()
{
    QFETCH(QString, fail);
    QFETCH(bool, reset);
    QFETCH(QString, boxText);
    QFETCH(QStringList, calls);
    QFETCH(QList<int>, marked);

    SimFixture sim(cardWith(fail));
    qm7240_fc fc;
    auto panel = openPanel(fc);
    sim.clearJournal();
    auto box = ModalAnswerer::instance().click(QStringLiteral("No"));
    if (reset)
        panel->resetButton->click();
    else
        QTest::keyClick(panel->rangeComboBox[0], Qt::Key_End);
    userTurn(panel.get());

    // One box; after a link failure nothing more of the action is tried.
    QVERIFY(box->seen);
    QCOMPARE(box->text, boxText);
    QCOMPARE(panelCalls(sim, panel->vi()), calls);
    if (reset) {
        checkLeftAlone(panel.get(), 1, QStringLiteral("could not be read"));
        QCOMPARE(panel->rangeLineEdit[2]->text(), QStringLiteral("-10-10V"));
    } else {
        QCOMPARE(panel->rangeComboBox[0]->currentIndex(), 2);
        QCOMPARE(panel->m_loLimit[0], 4.0);
    }

    // A mark says "not confirmed by the card" on screen, in the tool tip and
    // to assistive technology; the value stays as it was set.
    const QColor screenBase =
        QApplication::palette(panel->dacCtrl[1][0]).color(QPalette::Active, QPalette::Base);
    const auto checkMarks = [&panel, &screenBase](const QList<int> &expected) {
        for (int channel = 1; channel <= 8; ++channel) {
            qm7240_dblCtrl *ctrl = panel->dacCtrl[(channel - 1) / 4][(channel - 1) % 4];
            const bool mark = expected.contains(channel);
            QCOMPARE(panel->m_unconfirmed[channel - 1], mark);
            QCOMPARE(ctrl->palette().color(QPalette::Active, QPalette::Base) != screenBase, mark);
            QCOMPARE(ctrl->toolTip().contains(QLatin1String("not confirmed by the card")), mark);
            QCOMPARE(QAccessible::queryAccessibleInterface(ctrl)
                         ->text(QAccessible::Description)
                         .contains(QLatin1String("not confirmed by the card")),
                     mark);
        }
    };
    checkMarks(marked);
    // The range box is marked as its values are, when its call failed or
    // was not made.
    QCOMPARE(panel->m_rangeUnconfirmed[0], !reset);
    QCOMPARE(panel->rangeComboBox[0]->toolTip().contains(QLatin1String("not confirmed")), !reset);
    if (marked.isEmpty())
        return;
    QCOMPARE(panel->dacCtrl[0][0]->text(), QStringLiteral("4.000"));

    // A write the card confirms clears its channel's mark; a confirmed reset clears all.
    typeInto(panel.get(), panel->dacCtrl[0][0], QStringLiteral("5"));
    marked.removeAll(1);
    checkMarks(marked);
    panel->resetButton->click();
    userTurn(panel.get());
    checkMarks({});
    QVERIFY(!panel->m_rangeUnconfirmed[0]);
}

void TestPanel::exitFromErrorBox()
{
    SimFixture sim(cardWith(failing(QStringLiteral("qm7240_writeChannel"),
                                    QStringLiteral("{status: %1, channel: 3}").arg(VI_ERROR_TMO))));
    const ChildResult child = runTestFunctionInChild("exitFromErrorBoxChild");
    QVERIFY(child.started);
    QVERIFY2(!child.crashed, child.err.constData());
    QCOMPARE(child.exitCode, 0);
    QVERIFY2(!child.out.contains("FAIL!"), child.out.constData());

    // The process ended in the box: nothing after the failed write, and the session stays open.
    QStringList calls;
    for (const QJsonObject &line : sim.journal())
        if (line.value(QStringLiteral("call")).toString().startsWith(QLatin1String("qm7240_")))
            calls << describe(line);
    QVERIFY(!calls.isEmpty());
    QCOMPARE(calls.last(), QStringLiteral("error_message"));
    QCOMPARE(calls.at(calls.size() - 2), failed(write(3, 0.0), VI_ERROR_TMO));
    QVERIFY(!calls.contains(QStringLiteral("close")));
    // The card thread still waited for the answer: no word of it on stderr.
    QVERIFY2(!child.err.contains("QThread") && !child.err.contains("terminate"),
             child.err.constData());
}

void TestPanel::exitFromErrorBoxChild()
{
    if (!isChildProcess())
        QSKIP("ends its process; run by exitFromErrorBox");
    qm7240_fc fc;
    ModalAnswerer::instance().click(QStringLiteral("Auto Find"));
    ModalAnswerer::instance().click(QStringLiteral("Yes"));
    PanelProbe panel(&fc);
    QFAIL("the panel came up although Yes was answered");
}

void TestPanel::demoMode()
{
    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openDemoPanel(fc);
    QVERIFY(panel->d_demo);

    for (int g = 0; g < 4; ++g) {
        const bool current = g < 2;
        QCOMPARE(panel->rangeLabel[g]->text(),
                 current ? QStringLiteral("Current Range:") : QStringLiteral("Voltage Range:"));
        QCOMPARE(panel->rangeComboBox[g] != nullptr, current);
        if (current)
            QCOMPARE(panel->rangeComboBox[g]->currentText(), QStringLiteral("0-24mA"));
        else
            QCOMPARE(panel->rangeLineEdit[g]->text(), QStringLiteral("-10-10V"));
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(panel->dacCtrl[g][k]->minimum(), current ? 0.0 : -10.0);
            QCOMPARE(panel->dacCtrl[g][k]->maximum(), current ? 24.0 : 10.0);
            QCOMPARE(panel->dacCtrl[g][k]->decimals(), 3);
            QCOMPARE(panel->errorLed[g][k] != nullptr, current);
        }
    }
    QVERIFY(panel->statusTimer->isActive());
    QCOMPARE(panel->aboutDialog->currentModel(), QStringLiteral("7240-AA (DEMO)"));
    QCOMPARE(panel->aboutDialog->currentRevision(), QStringLiteral("1.0.1.0 (DEMO)"));
    QVERIFY(hasLabel(panel->aboutDialog, QStringLiteral("72409481 (DEMO)")));

    // Nothing touched a card, then or later.
    const QStringList cardCalls{"qm7240_init",           "qm7240_getOutputRange",
                                "qm7240_setOutputRange", "qm7240_writeChannel",
                                "qm7240_getDACStatus",   "qm7240_readSerialNo",
                                "qm7240_close",          "qm7240_reset"};
    for (const QJsonObject &line : sim.journal()) {
        QVERIFY2(!cardCalls.contains(line.value(QStringLiteral("call")).toString()),
                 qPrintable(describe(line)));
        QCOMPARE(intOf(line, "session") == -12345 || intOf(line, "session") == 0, true);
    }
    const int linesAfterStart = sim.journal().size();

    // A range change only moves limits and steps; a value change only quantises.
    QTest::keyClick(panel->rangeComboBox[0], Qt::Key_End);
    QCOMPARE(panel->dacCtrl[0][0]->minimum(), 4.0);
    QCOMPARE(panel->dacCtrl[0][0]->text(), QStringLiteral("4.000"));
    QVERIFY(qAbs(panel->dacCtrl[0][0]->singleStep() - 0.024414435034714275) < 1e-12);
    typeInto(panel.get(), panel->dacCtrl[1][1], QStringLiteral("5"));
    QTest::keyClick(panel->dacCtrl[1][1], Qt::Key_Return);
    QCOMPARE(panel->dacCtrl[1][1]->text(), QStringLiteral("5.000"));
    // Without a card, Reset Device changes nothing on screen.
    panel->resetButton->click();
    QCOMPARE(panel->rangeComboBox[0]->currentIndex(), 2);
    QCOMPARE(panel->dacCtrl[0][0]->text(), QStringLiteral("4.000"));
    QCOMPARE(panel->dacCtrl[1][1]->text(), QStringLiteral("5.000"));
    QTest::qWait(900);
    QVERIFY(panel->statusTimer->isActive());
    panel.reset();
    QCOMPARE(sim.journal().size(), linesAfterStart);
}

void TestPanel::badSlotArguments()
{
    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openPanel(fc);
    panel->statusTimer->stop();
    sim.clearJournal();

    // Channels and groups outside the card are ignored.
    for (int channel : {0, 17, -1, 1000, INT_MIN})
        QVERIFY(QMetaObject::invokeMethod(panel.get(), "setValue_slot", Q_ARG(int, channel),
                                          Q_ARG(double, 1.0)));
    for (int group : {-1, 4, INT_MAX})
        QVERIFY(QMetaObject::invokeMethod(panel.get(), "setRange_slot", Q_ARG(int, group)));
    QCOMPARE(panelCalls(sim, panel->vi(), true), QStringList());

    // A value that is no number lands on the lower end of the range.
    panel->setValue_slot(5, std::numeric_limits<double>::quiet_NaN());
    userTurn(panel.get());
    panel->setValue_slot(9, std::numeric_limits<double>::infinity());
    userTurn(panel.get());
    QCOMPARE(panelCalls(sim, panel->vi()), (QStringList{write(5, 0.0), write(9, 10.0)}));
    QCOMPARE(panel->dacCtrl[1][0]->value(), 0.0);
    QCOMPARE(panel->dacCtrl[2][0]->value(), 10.0);
}

// Save Setup: what the card did not confirm is saved, and said so; a file
// that cannot be written gets a box. Recall: the changes listed, and in demo
// mode only the controls take them.
void TestPanel::setups()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rig.setup"));
    {
        SimFixture sim(cardWith(
            failing(QStringLiteral("qm7240_writeChannel"),
                    QStringLiteral("{status: %1, channel: 3, after: 1}").arg(driverError))));
        qm7240_fc fc;
        auto panel = openPanel(fc);
        auto refused = ModalAnswerer::instance().click(QStringLiteral("No"));
        panel->dacCtrl[0][2]->setValue(5.0);
        userTurn(panel.get());
        QVERIFY(panel->m_unconfirmed[2]);

        auto saved = ModalAnswerer::instance().click(QStringLiteral("OK"));
        panel->saveSetupTo(path);
        QVERIFY(saved->seen);
        QVERIFY2(saved->text.endsWith(QStringLiteral("Not confirmed by the card, and saved as the "
                                                     "window shows it: channel 3.")),
                 qPrintable(saved->text));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("channel3 = 5.000 mA      # not confirmed by the card\n"));
        QVERIFY(text.contains("serial = 00001a2b"));

        auto unwritable = ModalAnswerer::instance().click(QStringLiteral("OK"));
        panel->saveSetupTo(QStringLiteral("/proc/no-setups-here.setup"));
        QVERIFY(unwritable->text.startsWith(
            QStringLiteral("The setup could not be saved to /proc/no-setups-here.setup: ")));
    }

    SimFixture sim(systemYaml());
    qm7240_fc fc;
    auto panel = openDemoPanel(fc);
    const int lines = sim.journal().size();
    // The voltage groups of demo mode are -10 to 10 V: group 1 alone.
    QFile group1(path);
    QVERIFY(group1.open(QIODevice::WriteOnly | QIODevice::Truncate));
    group1.write("[setup]\nformat = 1\nmodel = 7240\n[group1]\nrange = 0-24mA\n"
                 "channel3 = 5.000 mA\n");
    group1.close();
    auto confirmation = ModalAnswerer::instance().click(QStringLiteral("Apply to Controls"));
    panel->recallSetupFrom(path);
    QCOMPARE(confirmation->title, QStringLiteral("Vorilan 7240 SFP: Recall Setup"));
    QCOMPARE(confirmation->buttons, (QStringList{"Apply to Controls", "Cancel"}));
    QVERIFY2(confirmation->text.endsWith(QStringLiteral("\n\nChannel 3: 0.000 mA \u2192 5.000 mA")),
             qPrintable(confirmation->text));
    QCOMPARE(panel->dacCtrl[0][2]->text(), QStringLiteral("5.000"));
    QCOMPARE(sim.journal().size(), lines);
}

QTEST_MAIN(TestPanel)
#include "test_panel.moc"
