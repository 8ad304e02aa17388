#include "qm7240fp_app.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

#include "about/qm6080fp_about.h"
#include "accessibility/qm6080fp_announcer.h"
#include "frame/qm6080fp_messages.h"
#include "qm7240.h"
#include "qm7240_dblctrl.h"
#include "qm7240fp_linkstatus.h"
#include "qm7240fp_quantise.h"
#include "qm7240fp_statuspoll.h"
#include "qm7240fp_valuemark.h"
#include "widgets/qm6080fp_led.h"

namespace {

struct currentRange_t
{
    const char *text;
    double lo; // mA
    double hi; // mA
};

// Combo-box order; the card numbers its ranges from 1 in the same order.
constexpr currentRange_t currentRangeTable[] = {
    {"0-24mA", 0.0, 24.0},
    {"0-20mA", 0.0, 20.0},
    {"4-20mA", 4.0, 20.0},
};
constexpr int currentRangeCount = int(sizeof(currentRangeTable) / sizeof(currentRangeTable[0]));

constexpr int groupCount = 4;
constexpr int channelsPerGroup = 4;
// A lamp that nothing watches any more shows its third colour, a neutral grey.
constexpr int notMonitoredValue = 2;
const QColor notMonitoredColor(128, 128, 128);
// One arrow click moves a value by this many converter steps.
constexpr double lsbPerStep = 100.0;

// The driver's buffers, with room to spare; every text is terminated before use.
constexpr int subtypeRoom = 16;
constexpr int firmwareRoom = 32;
constexpr int driverRevisionRoom = 64;

const char getOutputRangeCall[] =
    "qm7240_getOutputRange(vi(), i+1, &m_grpType[i], &m_loLimit[i], &m_hiLimit[i])";
const char setOutputRangeCall[] =
    "qm7240_setOutputRange(vi(), grp+1, rangeComboBox[grp]->currentIndex()+1)";
const char writeChannelCall[] = "qm7240_writeChannel(vi(), indx, val)";
const char getDACStatusCall[] = "qm7240_getDACStatus(vi(), i+1, &stat)";
const char readSerialNoCall[] = "qm7240_readSerialNo(d_vi, &serialNumber, subtype)";
const char revisionQueryCall[] =
    "qm7240_revision_query(d_vi, driverRevision, instrumentFirmwareRevision)";

bool isCurrentGroup(ViInt32 type)
{
    return type == QM7240_OUTPUT_CURRENT;
}

// The combo-box row whose limits the card reported, or -1 for limits that
// name none of the ranges (a NaN included).
int currentRangeIndex(double lo, double hi)
{
    constexpr double tolerance = 1e-6; // mA
    for (int i = 0; i < currentRangeCount; ++i)
        if (std::fabs(lo - currentRangeTable[i].lo) <= tolerance &&
            std::fabs(hi - currentRangeTable[i].hi) <= tolerance)
            return i;
    return -1;
}

QString ledHelp(int n)
{
    return QStringLiteral("LED indicating an output error for the current output type for "
                          "channel %1.\nThe red color indicates an error caused by an open "
                          "circuit or not appropriate load.")
        .arg(n);
}

const char unreadRangeText[] = "could not be read";
// A group not read at all: the link failed before its turn.
const char notReadRangeText[] = "not read";

QString ctrlHelp(int n)
{
    return QStringLiteral("Value to write to the DAC for channel %1.").arg(n);
}

} // namespace

class qm7240fp_App::actionScope
{
public:
    explicit actionScope(qm7240fp_App *app) : app(app)
    {
        if (app->m_actionDepth++ == 0)
            app->m_actionCut = false;
    }
    ~actionScope() { --app->m_actionDepth; }
    actionScope(const actionScope &) = delete;
    actionScope &operator=(const actionScope &) = delete;

private:
    qm7240fp_App *app;
};

template <class Call> ViStatus qm7240fp_App::onCard(Call call)
{
    // On the poll's own clock, as its reads are.
    const qint64 began = m_clock.nsecsElapsed();
    const ViStatus status = call();
    statusPoll->callTook(double(m_clock.nsecsElapsed() - began) / 1e6);
    return status;
}

qm7240fp_App::qm7240fp_App(qm6080fp_genFC *fc) : qm6080fp_AppFC(fc, false, false, nullptr, false)
{
    // The pace of every call, the start-up's included.
    m_clock.start();
    statusPoll = new qm7240fp_statusPoll(
        [this](int index) { return readStatus(index); },
        // In demo mode no channel is read: the poll ticks without effect.
        [this](int index) { return !d_demo && m_grpKnown[index / channelsPerGroup]; },
        [this] { return double(m_clock.nsecsElapsed()) / 1e6; }, this);
    statusTimer = statusPoll->tickTimer();
    connect(statusPoll, &qm7240fp_statusPoll::failed, this, &qm7240fp_App::pollFailed);
    connect(statusPoll, &qm7240fp_statusPoll::resumed, this, &qm7240fp_App::pollResumed);
    // The start-up is one action: a link failure ends it.
    actionScope startup(this);

    auto *clientLayout = new QHBoxLayout;
    setClientLayout(clientLayout);
    auto *groupGrid = new QGridLayout;
    clientLayout->addLayout(groupGrid);

    for (int g = 0; g < groupCount; ++g) {
        for (int k = 0; k < channelsPerGroup; ++k) {
            // Before the group is built: a start-up write may already mark it.
            dacCtrl[g][k] = new qm7240_dblCtrl(4 * g + k + 1);
            dacCtrl[g][k]->setWhatsThis(ctrlHelp(4 * g + k + 1));
            dacCtrl[g][k]->setToolTip(ctrlHelp(4 * g + k + 1));
        }
    }
    for (int g = 0; g < groupCount; ++g)
        buildGroup(g, groupGrid);

    for (int g = 0; g < groupCount; ++g) {
        for (int k = 0; k < channelsPerGroup; ++k) {
            const int n = 4 * g + k + 1;
            if (errorLed[g][k]) {
                errorLed[g][k]->setWhatsThis(ledHelp(n));
                errorLed[g][k]->setToolTip(ledHelp(n));
            }
        }
        QWidget *rangeWidget = rangeComboBox[g] ? static_cast<QWidget *>(rangeComboBox[g])
                                                : static_cast<QWidget *>(rangeLineEdit[g]);
        rangeWidget->setWhatsThis(rangeHelp(g));
        rangeWidget->setToolTip(rangeHelp(g));
        const QString groupHelp = QStringLiteral("Group of channels number %1.").arg(g + 1);
        groupBox[g]->setWhatsThis(groupHelp);
        groupBox[g]->setToolTip(groupHelp);
    }

    // Only now: building and ranging the controls above must not write to the card.
    connectControls();

    resumeButton = new QPushButton(QStringLiteral("&Resume\nMonitoring"), this);
    resumeButton->setAccessibleName(QStringLiteral("Resume Monitoring"));
    const QString resumeHelp =
        QStringLiteral("Reads the output status of every channel again and, if the card "
                       "answers, goes on watching the outputs.\nNothing is written to the card.");
    resumeButton->setWhatsThis(resumeHelp);
    resumeButton->setToolTip(resumeHelp);
    resumeButton->hide();
    connect(resumeButton, &QPushButton::clicked, this, [this] { resumeMonitoring(); });

    registerHardwareInfo();

    // The poll only feeds the lamps: without a current group in play it has
    // nothing to show. After a link failure it waits for Resume Monitoring
    // rather than meet the same timeout at once.
    if (anyCurrentGroupInPlay()) {
        if (m_actionCut) {
            statusPoll->stop();
            m_pollStopped = true;
            showLampStates();
            resumeButton->show();
        } else {
            statusPoll->start();
        }
    }
}

qm7240fp_App::~qm7240fp_App() = default;

void qm7240fp_App::buildGroup(int g, QGridLayout *groupGrid)
{
    groupBox[g] = new QGroupBox;
    groupBox[g]->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    groupGrid->addWidget(groupBox[g], g / 2, g % 2);

    auto *channelGrid = new QGridLayout;
    auto *groupColumn = new QVBoxLayout;
    rangeRow[g] = new QHBoxLayout;
    groupBox[g]->setLayout(groupColumn);
    groupColumn->addLayout(channelGrid);
    groupColumn->addLayout(rangeRow[g]);

    bool notRead = false;
    if (!d_demo && m_actionCut) {
        // The link failed earlier in the start-up: the group is not asked.
        m_grpKnown[g] = false;
        notRead = true;
    } else if (!d_demo) {
        const ViStatus status = onCard([&] {
            return qm7240_getOutputRange(vi(), g + 1, &m_grpType[g], &m_loLimit[g], &m_hiLimit[g]);
        });
        if (status != VI_SUCCESS) {
            // Whatever the driver left in the members says nothing: the group
            // may well be a voltage group, which must get neither a range
            // selection nor amperes. Marked before the box, which lets the
            // event loop run.
            m_grpKnown[g] = false;
            actionCallFailed(status, getOutputRangeCall);
        }
    } else if (g < 2) {
        m_grpType[g] = QM7240_OUTPUT_CURRENT;
    } else {
        m_grpType[g] = QM7240_OUTPUT_VOLTAGE;
        m_loLimit[g] = -10.0;
        m_hiLimit[g] = 10.0;
    }
    const bool current = drivesCurrentGroup(g);

    for (int k = 0; k < channelsPerGroup; ++k) {
        const int n = 4 * g + k + 1;
        channelLabel[4 * g + k] = new QLabel(QStringLiteral("Channel %1:").arg(n));
        channelGrid->addWidget(channelLabel[4 * g + k], k, 0);
        dacCtrl[g][k]->setDecimals(3);
        channelGrid->addWidget(dacCtrl[g][k], k, 1);
        channelLabel[4 * g + k]->setBuddy(dacCtrl[g][k]);
        if (current) {
            errorLed[g][k] = new qm6080fp_led(QString(), Qt::red, Qt::magenta);
            // A lamp without a caption: its name says what it watches.
            errorLed[g][k]->setAccessibleName(QStringLiteral("Channel %1 output error").arg(n));
            channelGrid->addWidget(errorLed[g][k], k, 2);
        }
    }

    rangeLabel[g] = new QLabel;
    rangeRow[g]->addWidget(rangeLabel[g]);

    if (!m_grpKnown[g]) {
        leaveGroupAlone(g, QLatin1String(notRead ? notReadRangeText : unreadRangeText));
        return;
    }
    if (!current) {
        rangeLineEdit[g] = new QLineEdit(groupBox[g]);
        rangeLineEdit[g]->setReadOnly(true);
        showVoltageRange(g);
        rangeRow[g]->addWidget(rangeLineEdit[g]);
        rangeLabel[g]->setBuddy(rangeLineEdit[g]);
        rangeLabel[g]->setText(QStringLiteral("Voltage Range:"));
        groupBox[g]->setTitle(QStringLiteral("Group %1 - Voltage Output").arg(g + 1));
    } else {
        rangeComboBox[g] = new QComboBox(groupBox[g]);
        for (const currentRange_t &range : currentRangeTable)
            rangeComboBox[g]->addItem(QString::fromLatin1(range.text));
        rangeComboBox[g]->setCurrentIndex(0);
        rangeRow[g]->addWidget(rangeComboBox[g]);
        rangeLabel[g]->setBuddy(rangeComboBox[g]);
        rangeLabel[g]->setText(QStringLiteral("Current Range:"));
        groupBox[g]->setTitle(QStringLiteral("Group %1 - Current Output").arg(g + 1));
    }

    setRange_slot(g);
}

bool qm7240fp_App::drivesCurrentGroup(int g) const
{
    return m_grpKnown[g] && isCurrentGroup(m_grpType[g]);
}

bool qm7240fp_App::anyCurrentGroupInPlay() const
{
    for (int g = 0; g < groupCount; ++g)
        if (drivesCurrentGroup(g))
            return true;
    return false;
}

void qm7240fp_App::showVoltageRange(int g)
{
    rangeLineEdit[g]->setText(
        QStringLiteral("%1-%2V").arg(QString::number(m_loLimit[g]), QString::number(m_hiLimit[g])));
    // Small ranges need the fourth decimal to show their grid at all.
    for (int k = 0; k < channelsPerGroup; ++k) {
        const QSignalBlocker blocker(dacCtrl[g][k]);
        dacCtrl[g][k]->setDecimals(m_hiLimit[g] <= 1.0 ? 4 : 3);
    }
}

void qm7240fp_App::leaveGroupAlone(int g, const QString &rangeText)
{
    m_grpKnown[g] = false;
    groupBox[g]->setTitle(QStringLiteral("Group %1 - Range Unknown").arg(g + 1));
    rangeLabel[g]->setText(QStringLiteral("Range:"));
    if (rangeComboBox[g])
        rangeComboBox[g]->hide();
    if (!rangeLineEdit[g]) {
        rangeLineEdit[g] = new QLineEdit(groupBox[g]);
        rangeLineEdit[g]->setReadOnly(true);
        rangeRow[g]->addWidget(rangeLineEdit[g]);
        rangeLabel[g]->setBuddy(rangeLineEdit[g]);
        // After a reset the window is on screen: a new child is not shown by itself.
        rangeLineEdit[g]->show();
    }
    rangeLineEdit[g]->setText(rangeText);
    rangeLineEdit[g]->setWhatsThis(rangeHelp(g));
    rangeLineEdit[g]->setToolTip(rangeHelp(g));
    // Without a range there is no grid to put a value on; the outputs are at
    // 0 after a reset, and nothing is written to them from here on.
    for (int k = 0; k < channelsPerGroup; ++k)
        setControlQuietly(dacCtrl[g][k], 0.0, 0.0, 0.0);
    groupBox[g]->setEnabled(false);
    for (int k = 0; k < channelsPerGroup; ++k)
        showLampState(g, k);
}

QString qm7240fp_App::rangeHelp(int g) const
{
    QString help =
        QStringLiteral("Range of output value selection for all channels in group %1.").arg(g + 1);
    if (!m_grpKnown[g])
        help += QStringLiteral("\nThe panel does not know this group's range and leaves the "
                               "group alone: nothing is written to it.");
    return help;
}

void qm7240fp_App::showLampState(int g, int k)
{
    qm6080fp_led *led = errorLed[g][k];
    if (!led)
        return;
    QString help = ledHelp(4 * g + k + 1);
    if (m_pollStopped)
        help += QStringLiteral("\nNot monitored: the status poll stopped after an error.");
    if (!m_grpKnown[g])
        help += QStringLiteral("\nNot monitored: the range of this group is not known.");
    led->setWhatsThis(help);
    led->setToolTip(help);
    // An unlit lamp would claim "no error" although nothing checks the output
    // any more; a lit one still tells of the last error seen.
    if ((m_pollStopped || !m_grpKnown[g]) && led->currentValue() == 0) {
        led->setThirdColor(notMonitoredColor);
        led->setValue(notMonitoredValue);
    }
}

void qm7240fp_App::showLampStates()
{
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            showLampState(g, k);
}

void qm7240fp_App::setControlQuietly(qm7240_dblCtrl *ctrl, double lo, double hi, double value)
{
    const QSignalBlocker blocker(ctrl);
    ctrl->setRange(lo, hi);
    ctrl->setSingleStep((hi - lo) * lsbPerStep / qm7240fp_maxCode);
    ctrl->setValue(qBound(lo, value, hi));
}

void qm7240fp_App::resetStarting()
{
    // Writes that wait for the event loop's turn come before the reset, in the
    // order the user made them.
    statusPoll->runWaitingCalls();
}

void qm7240fp_App::resetReturned(double ms)
{
    statusPoll->callTook(ms);
}

void qm7240fp_App::cardWasReset()
{
    // The follow-up reads are one action: a link failure ends them.
    actionScope followUp(this);
    // What the round under way read so far describes the card before the
    // reset: it is dropped, and the next tick starts a fresh one.
    statusPoll->dropRound();
    // Until the next poll a lamp only knows what it showed before the reset.
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            if (errorLed[g][k])
                errorLed[g][k]->setValue(0);

    for (int g = 0; g < groupCount; ++g) {
        // A group the panel never knew has no controls fit for whatever the
        // card may say now.
        if (!m_grpKnown[g])
            continue;
        const bool current = isCurrentGroup(m_grpType[g]);
        // Not asked after a link failure: the card confirmed its reset, which
        // puts a current group on its first range and every output at 0; a
        // voltage group keeps the range it has.
        int index = 0;
        if (!m_actionCut) {
            ViInt32 type = 0;
            ViReal64 lo = 0.0;
            ViReal64 hi = 0.0;
            const ViStatus status =
                onCard([&] { return qm7240_getOutputRange(vi(), g + 1, &type, &lo, &hi); });
            if (status != VI_SUCCESS) {
                leaveGroupAlone(g, QLatin1String(unreadRangeText));
                actionCallFailed(status, getOutputRangeCall);
                continue;
            }
            // A group does not change its type, and a current group's controls
            // only know three ranges; an answer that fits neither is shown as
            // what it is, and the group is left alone.
            index = current ? currentRangeIndex(lo, hi) : -1;
            if (isCurrentGroup(type) != current || (current && index < 0)) {
                leaveGroupAlone(
                    g, QStringLiteral("card reports %1-%2%3")
                           .arg(QString::number(lo), QString::number(hi),
                                isCurrentGroup(type) ? QStringLiteral("mA") : QStringLiteral("V")));
                continue;
            }
            if (!current) {
                m_loLimit[g] = lo;
                m_hiLimit[g] = hi;
                showVoltageRange(g);
            }
        }
        if (current) {
            const QSignalBlocker blocker(rangeComboBox[g]);
            rangeComboBox[g]->setCurrentIndex(index);
            m_loLimit[g] = currentRangeTable[index].lo;
            m_hiLimit[g] = currentRangeTable[index].hi;
        }
        for (int k = 0; k < channelsPerGroup; ++k)
            setControlQuietly(dacCtrl[g][k], m_loLimit[g], m_hiLimit[g], 0.0);
    }

    // The card confirmed its reset: every value on screen is its own again.
    for (int indx = 1; indx <= groupCount * channelsPerGroup; ++indx)
        setUnconfirmed(indx, false);
    showLampStates();
    if (!anyCurrentGroupInPlay())
        statusTimer->stop();
}

void qm7240fp_App::connectControls()
{
    using rangeSlot = void (qm7240fp_App::*)();
    const rangeSlot rangeSlots[groupCount] = {
        &qm7240fp_App::setRange1_slot, &qm7240fp_App::setRange2_slot, &qm7240fp_App::setRange3_slot,
        &qm7240fp_App::setRange4_slot};
    for (int g = 0; g < groupCount; ++g)
        if (rangeComboBox[g])
            connect(rangeComboBox[g], qOverload<int>(&QComboBox::activated), this, rangeSlots[g]);

    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            connect(dacCtrl[g][k], qOverload<int, double>(&qm7240_dblCtrl::valueChanged), this,
                    &qm7240fp_App::setValue_slot);

    // The poll's own tick starts its rounds; timeEvent_slot stays for callers.
}

void qm7240fp_App::registerHardwareInfo()
{
    QString serial;
    QString revision;
    QString model;
    if (d_demo) {
        model = QStringLiteral("7240-AA (DEMO)");
        revision = QStringLiteral("1.0.1.0 (DEMO)");
        serial = QStringLiteral("72409481 (DEMO)");
    } else {
        // Zeroed, so that a failed read shows empty texts rather than garbage.
        ViUInt32 serialNumber = 0;
        ViChar subtype[subtypeRoom] = {};
        ViChar driverRevision[driverRevisionRoom] = {};
        ViChar instrumentFirmwareRevision[firmwareRoom] = {};

        // Not asked after a link failure in the start-up: the page stays empty.
        if (!m_actionCut) {
            const ViStatus status =
                onCard([&] { return qm7240_readSerialNo(d_vi, &serialNumber, subtype); });
            if (status != VI_SUCCESS)
                actionCallFailed(status, readSerialNoCall);
        }
        if (!m_actionCut) {
            const ViStatus status = onCard([&] {
                return qm7240_revision_query(d_vi, driverRevision, instrumentFirmwareRevision);
            });
            if (status != VI_SUCCESS)
                actionCallFailed(status, revisionQueryCall);
        }
        subtype[subtypeRoom - 1] = '\0';
        instrumentFirmwareRevision[firmwareRoom - 1] = '\0';

        serial = QStringLiteral("%1").arg(serialNumber, 8, 16, QLatin1Char('0'));
        revision = QString::fromLatin1(instrumentFirmwareRevision);
        model = QStringLiteral("7240-%1").arg(QString::fromLatin1(subtype));
    }
    // The About dialog belongs to the frame; without one there is no page to fill.
    if (aboutDialog)
        aboutDialog->addHardwareInfo(serial, revision, model, QString(), QString());
}

void qm7240fp_App::setRange_slot(int grp)
{
    if (grp < 0 || grp >= groupCount || !m_grpKnown[grp])
        return;
    // Writes that wait for the event loop's turn come first, in the user's order.
    statusPoll->runWaitingCalls();
    actionScope rangeChange(this);

    const bool current = isCurrentGroup(m_grpType[grp]);
    int index = 0;
    if (current && rangeComboBox[grp]) {
        index = rangeComboBox[grp]->currentIndex();
        if (index < 0 || index >= currentRangeCount)
            index = 0;
        m_loLimit[grp] = currentRangeTable[index].lo;
        m_hiLimit[grp] = currentRangeTable[index].hi;
    }

    for (int k = 0; k < channelsPerGroup; ++k) {
        // A value outside the new range is clamped here, and the clamped value
        // reaches setValue_slot once the controls are connected.
        dacCtrl[grp][k]->setRange(m_loLimit[grp], m_hiLimit[grp]);
        dacCtrl[grp][k]->setSingleStep((m_hiLimit[grp] - m_loLimit[grp]) * lsbPerStep /
                                       qm7240fp_maxCode);
    }

    if (d_demo || !current)
        return;

    if (!m_actionCut) {
        const ViStatus status =
            onCard([&] { return qm7240_setOutputRange(vi(), grp + 1, index + 1); });
        if (status != VI_SUCCESS)
            actionCallFailed(status, setOutputRangeCall);
    }

    for (int k = 0; k < channelsPerGroup; ++k) {
        const int indx = 4 * grp + k + 1;
        const qm7240fp_quantised_t q =
            qm7240fp_quantise(dacCtrl[grp][k]->value(), m_loLimit[grp], m_hiLimit[grp]);
        showQuantised(dacCtrl[grp][k], q.value);
        writeChannel(indx, q.value / 1000.0);
    }
}

void qm7240fp_App::setRange1_slot()
{
    setRange_slot(0);
}

void qm7240fp_App::setRange2_slot()
{
    setRange_slot(1);
}

void qm7240fp_App::setRange3_slot()
{
    setRange_slot(2);
}

void qm7240fp_App::setRange4_slot()
{
    setRange_slot(3);
}

void qm7240fp_App::setValue_slot(int indx, double val)
{
    if (indx < 1 || indx > groupCount * channelsPerGroup)
        return;
    const int grp = (indx - 1) / channelsPerGroup;
    const int k = (indx - 1) % channelsPerGroup;
    if (!m_grpKnown[grp])
        return;

    const qm7240fp_quantised_t q = qm7240fp_quantise(val, m_loLimit[grp], m_hiLimit[grp]);
    showQuantised(dacCtrl[grp][k], q.value);
    if (d_demo)
        return;

    // The card takes amperes, the control shows milliamperes.
    const double cardValue = isCurrentGroup(m_grpType[grp]) ? q.value / 1000.0 : q.value;
    if (m_actionDepth == 0 && statusPoll->owesTurn()) {
        // A slow call has just ended: the write waits for the event loop's
        // next turn, so that the window never waits for two calls in a row.
        // A later value for the channel takes the place of one still waiting.
        m_waitingValue[indx - 1] = cardValue;
        statusPoll->afterTurn(indx, [this, indx] {
            if (m_grpKnown[(indx - 1) / channelsPerGroup]) {
                actionScope write(this);
                writeChannel(indx, m_waitingValue[indx - 1]);
            }
        });
        return;
    }
    actionScope write(this);
    writeChannel(indx, cardValue);
}

void qm7240fp_App::writeChannel(int indx, double cardValue)
{
    // After a link failure earlier in the same action the write is not made:
    // the card may not have what the control shows.
    if (m_actionCut) {
        setUnconfirmed(indx, true);
        return;
    }
    const ViStatus status = onCard([&] { return qm7240_writeChannel(vi(), indx, cardValue); });
    setUnconfirmed(indx, status != VI_SUCCESS);
    if (status != VI_SUCCESS)
        actionCallFailed(status, writeChannelCall);
}

void qm7240fp_App::setUnconfirmed(int indx, bool unconfirmed)
{
    if (indx < 1 || indx > groupCount * channelsPerGroup || d_demo)
        return;
    m_unconfirmed[indx - 1] = unconfirmed;
    qm7240fp_markUnconfirmed(dacCtrl[(indx - 1) / channelsPerGroup][(indx - 1) % channelsPerGroup],
                             ctrlHelp(indx), unconfirmed);
}

void qm7240fp_App::showQuantised(qm7240_dblCtrl *ctrl, double value)
{
    // The control holds its value rounded to its decimals. When that already
    // is the quantised value, setting it again would only reformat the text
    // under the user's cursor in the middle of typing ("2" becomes "2.000"
    // and the next keystrokes land in the wrong place).
    const double shown = QString::number(value, 'f', ctrl->decimals()).toDouble();
    if (shown == ctrl->value())
        return;
    // The channel is being written right now with the unrounded value; the
    // rounding must not come back as a second, different write.
    const QSignalBlocker blocker(ctrl);
    ctrl->setValue(value);
}

// A tick of the status poll. The poll itself (qm7240fp_statusPoll) reads the
// channels of the groups in play one per step, resting after every call the
// panel makes; this slot is what its tick runs.
void qm7240fp_App::timeEvent_slot()
{
    if (d_demo || m_pollStopped)
        return;
    statusPoll->tick();
}

ViStatus qm7240fp_App::readStatus(int index)
{
    ViUInt16 stat = 0;
    const ViStatus status = qm7240_getDACStatus(vi(), index + 1, &stat);
    // Any error status lights the lamp; the lamp's value 2 is kept for the
    // "not monitored" look.
    qm6080fp_led *led = errorLed[index / channelsPerGroup][index % channelsPerGroup];
    if (status == VI_SUCCESS && led) {
        const int before = led->currentValue();
        led->setValue(stat != 0 ? 1 : 0);
        // A lamp that lights or goes out is said at once; one that comes back
        // from grey is said with all of them on resuming.
        if (before != led->currentValue() && before != notMonitoredValue)
            announcer->announce(led->accessibleName() + QStringLiteral(": ") + led->stateText());
    }
    return status;
}

void qm7240fp_App::pollFailed(int, ViStatus status)
{
    // Stopped until the user resumes: a card that cannot report its status
    // would otherwise bury the user in boxes. The lamps and the button say
    // so before the box does.
    m_pollStopped = true;
    showLampStates();
    resumeButton->show();
    placeResumeButton();
    announcer->announce(QStringLiteral("Output error lamps: not monitored"));
    reportStatus(status, getDACStatusCall);
}

void qm7240fp_App::resumeMonitoring()
{
    // Reads only: nothing is written to the card by resuming.
    if (!d_demo && m_pollStopped && anyCurrentGroupInPlay())
        statusPoll->resume();
}

void qm7240fp_App::pollResumed()
{
    m_pollStopped = false;
    showLampStates();
    resumeButton->hide();
    announcer->announce(QStringLiteral("Output error lamps: monitored again"));
}

void qm7240fp_App::resizeEvent(QResizeEvent *event)
{
    qm6080fp_AppFC::resizeEvent(event);
    placeResumeButton();
}

void qm7240fp_App::placeResumeButton()
{
    // In the free room of the button column, under the Active lamp's box and
    // as wide as Reset Device, outside the layout: showing it moves nothing.
    if (!resumeButton || !activeLed || !resetButton)
        return;
    const QRect above = activeLed->parentWidget()->geometry();
    const QRect below = resetButton->geometry();
    const int gap = fontMetrics().height() / 2;
    resumeButton->setGeometry(below.x(), above.bottom() + 1 + gap, below.width(),
                              resumeButton->sizeHint().height());
}

void qm7240fp_App::actionCallFailed(ViStatus status, const char *callText)
{
    m_actionCut = qm7240fp_isLinkFailure(status);
    reportStatus(status, callText);
}

void qm7240fp_App::reportStatus(ViStatus status, const char *callText)
{
    if (status == VI_SUCCESS)
        return;
    ViChar description[QM7240_ERROR_MESSAGE_LEN] = {};
    qm7240_error_message(0, status, description);
    description[QM7240_ERROR_MESSAGE_LEN - 1] = '\0';
    const QString text = QString::fromLatin1(description);

    if (status < 0)
        showErrorMessage(
            QStringLiteral("%1 failed due to [%2]").arg(QLatin1String(callText), text));
    else
        showWarningMessage(QStringLiteral("Warning: [%1]").arg(text));
}
