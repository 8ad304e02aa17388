#include "qm7240fp_app.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <array>
#include <utility>

#include "about/qm6080fp_about.h"
#include "qm7240.h"
#include "qm7240_dblctrl.h"
#include "qm7240fp_card.h"
#include "qm7240fp_controlhelp.h"
#include "qm7240fp_currentranges.h"
#include "qm7240fp_quantise.h"
#include "qm7240fp_valuemark.h"
#include "qm7240fp_windowview.h"
#include "session/qm6080fp_cardthread.h"
#include "widgets/qm6080fp_led.h"

// The panel's construction and what the user does with it; what the card
// answers is shown by qm7240fp_appgroups.cpp and qm7240fp_applamps.cpp.

namespace {

using known_t = qm7240fp_group_t::known_t;

constexpr int groupCount = qm7240fp_groupCount;
constexpr int channelsPerGroup = qm7240fp_channelsPerGroup;
constexpr int pollIntervalMs = 400;

} // namespace

qm7240fp_App::qm7240fp_App(qm6080fp_genFC *fc) : qm7240fp_App(fc, qm7240fp_startSetup_t()) {}

qm7240fp_App::qm7240fp_App(qm6080fp_genFC *fc, const qm7240fp_startSetup_t &start)
    : qm6080fp_AppFC(fc, false, false, nullptr, false)
{
    m_card = std::make_unique<qm7240fp_driverCard>(*d_cardThread, vi());
    m_view = std::make_unique<qm7240fp_windowView>(this, *d_cardThread);
    m_flows = std::make_unique<qm7240fp_cardFlows>(*m_card, *m_view);
    if (start.given)
        m_setupFolder = QFileInfo(start.path).absolutePath();
    build(start);
}

qm7240fp_App::~qm7240fp_App()
{
    // The flows above are the card thread's: it ends before they go.
    endSession();
}

void qm7240fp_App::build(const qm7240fp_startSetup_t &start)
{
    auto *clientLayout = new QHBoxLayout;
    setClientLayout(clientLayout);
    auto *groupGrid = new QGridLayout;
    clientLayout->addLayout(groupGrid);

    // Before the start-up runs: its writes may already mark them.
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            dacCtrl[g][k] = new qm7240_dblCtrl(channelsPerGroup * g + k + 1);

    if (d_demo) {
        // Two current groups and two voltage groups of -10 to 10 V.
        for (int g = 0; g < groupCount; ++g) {
            m_group[g].known = known_t::known;
            m_group[g].type = g < 2 ? QM7240_OUTPUT_CURRENT : QM7240_OUTPUT_VOLTAGE;
            m_group[g].lo = g < 2 ? 0.0 : -10.0;
            m_group[g].hi = g < 2 ? 0.0 : 10.0;
        }
        m_startPlan = qm7240fp_planStart(nullptr, m_group);
        if (start.given)
            showDemoSetup(start);
    } else {
        // The ranges, the start-up's writes and the card's page, on the card
        // thread; its boxes come while the splash screen is up.
        d_cardThread->runAndWait([this, start] { m_flows->startUp(start); });
    }

    for (int g = 0; g < groupCount; ++g) {
        buildGroup(g, groupGrid);
        double values[channelsPerGroup] = {};
        for (int k = 0; k < channelsPerGroup; ++k) {
            const int n = channelsPerGroup * g + k;
            values[k] = m_startPlan.write[n] ? m_startPlan.value[n] : 0.0;
        }
        showGroup(g, values);
    }
    setHelp();

    // Only now: building and ranging the controls above must not write to the card.
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            connect(dacCtrl[g][k], qOverload<int, double>(&qm7240_dblCtrl::valueChanged), this,
                    &qm7240fp_App::setValue_slot);
    statusTimer = new QTimer(this);
    statusTimer->setInterval(pollIntervalMs);
    // A coarse timer may fire late by a few percent, and its rounds drift
    // with it; a precise one keeps to the 400 ms on average.
    statusTimer->setTimerType(Qt::PreciseTimer);
    connect(statusTimer, &QTimer::timeout, this, &qm7240fp_App::timeEvent_slot);

    resumeButton = new QPushButton(QStringLiteral("&Resume\nMonitoring"), this);
    resumeButton->setAccessibleName(QStringLiteral("Resume Monitoring"));
    const QString resumeHelp =
        QStringLiteral("Reads the output status of every channel again and, if the card "
                       "answers, goes on watching the outputs.\nNothing is written to the card.");
    resumeButton->setWhatsThis(resumeHelp);
    resumeButton->setToolTip(resumeHelp);
    resumeButton->hide();
    connect(resumeButton, &QPushButton::clicked, this, [this] { resumeMonitoring(); });

    buildSetupButtons();
    registerHardwareInfo();

    d_cardThread->setPollStep([this] { return m_flows->pollStep(); });
    m_built = true;
    // After a link failure in the start-up the poll waits for Resume
    // Monitoring rather than meet the same timeout at once.
    if (!d_demo && m_flows->pollStopped() && (anyCurrentGroupInPlay() || anyGroupNotRead())) {
        m_pollStopped = true;
        showLampStates();
        resumeButton->show();
    }
    updatePollTimer();
}

void qm7240fp_App::buildGroup(int g, QGridLayout *groupGrid)
{
    groupBox[g] = new QGroupBox;
    groupBox[g]->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    groupGrid->addWidget(groupBox[g], g / 2, g % 2);

    channelGrid[g] = new QGridLayout;
    auto *groupColumn = new QVBoxLayout;
    rangeRow[g] = new QHBoxLayout;
    groupBox[g]->setLayout(groupColumn);
    groupColumn->addLayout(channelGrid[g]);
    groupColumn->addLayout(rangeRow[g]);

    for (int k = 0; k < channelsPerGroup; ++k) {
        const int n = channelsPerGroup * g + k + 1;
        channelLabel[channelsPerGroup * g + k] = new QLabel(QStringLiteral("Channel %1:").arg(n));
        channelGrid[g]->addWidget(channelLabel[channelsPerGroup * g + k], k, 0);
        dacCtrl[g][k]->setDecimals(3);
        channelGrid[g]->addWidget(dacCtrl[g][k], k, 1);
        channelLabel[channelsPerGroup * g + k]->setBuddy(dacCtrl[g][k]);
        // Marks the start-up left.
        setUnconfirmed(n, m_unconfirmed[n - 1]);
    }
    rangeLabel[g] = new QLabel;
    rangeRow[g]->addWidget(rangeLabel[g]);
}

void qm7240fp_App::setHelp()
{
    for (int g = 0; g < groupCount; ++g) {
        for (int k = 0; k < channelsPerGroup; ++k) {
            const int n = channelsPerGroup * g + k + 1;
            dacCtrl[g][k]->setWhatsThis(qm7240fp_ctrlHelp(n));
            // The tool tip, with the mark's line if the start-up left one.
            setUnconfirmed(n, m_unconfirmed[n - 1]);
            if (errorLed[g][k])
                showLampState(g, k);
        }
        QWidget *rangeWidget = rangeComboBox[g] && !rangeComboBox[g]->isHidden()
                                   ? static_cast<QWidget *>(rangeComboBox[g])
                                   : static_cast<QWidget *>(rangeLineEdit[g]);
        if (rangeWidget) {
            rangeWidget->setWhatsThis(rangeHelp(g));
            rangeWidget->setToolTip(rangeHelp(g));
        }
        if (rangeComboBox[g]) {
            setRangeUnconfirmed(g, m_rangeUnconfirmed[g]);
            connectRangeBox(g);
        }
        const QString groupHelp = QStringLiteral("Group of channels number %1.").arg(g + 1);
        groupBox[g]->setWhatsThis(groupHelp);
        groupBox[g]->setToolTip(groupHelp);
    }
}

void qm7240fp_App::connectRangeBox(int g)
{
    using rangeSlot = void (qm7240fp_App::*)();
    const rangeSlot rangeSlots[groupCount] = {
        &qm7240fp_App::setRange1_slot, &qm7240fp_App::setRange2_slot, &qm7240fp_App::setRange3_slot,
        &qm7240fp_App::setRange4_slot};
    connect(rangeComboBox[g], qOverload<int>(&QComboBox::activated), this, rangeSlots[g],
            Qt::UniqueConnection);
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
        serial = QStringLiteral("%1").arg(m_hardware.serialNumber, 8, 16, QLatin1Char('0'));
        revision = m_hardware.firmware;
        model = QStringLiteral("7240-%1").arg(m_hardware.subtype);
    }
    // The About dialog belongs to the frame; without one there is no page to fill.
    if (aboutDialog)
        aboutDialog->addHardwareInfo(serial, revision, model, QString(), QString());
}

void qm7240fp_App::setRange_slot(int grp)
{
    if (grp < 0 || grp >= groupCount || !m_grpKnown[grp])
        return;

    const bool current = qm7240fp_isCurrentType(m_grpType[grp]);
    int index = 0;
    if (current && rangeComboBox[grp]) {
        index = rangeComboBox[grp]->currentIndex();
        if (index < 0 || index >= qm7240fp_currentRangeCount)
            index = 0;
        m_loLimit[grp] = qm7240fp_currentRanges[index].lo;
        m_hiLimit[grp] = qm7240fp_currentRanges[index].hi;
    }

    // A value outside the new range is clamped here and reaches setValue_slot,
    // which hands it to the range change: its write goes before the range's.
    m_clampingGroup = current && !d_demo ? grp : -1;
    m_clamped.clear();
    for (int k = 0; k < channelsPerGroup; ++k) {
        dacCtrl[grp][k]->setRange(m_loLimit[grp], m_hiLimit[grp]);
        dacCtrl[grp][k]->setSingleStep((m_hiLimit[grp] - m_loLimit[grp]) *
                                       qm7240fp_lsbPerArrowClick / qm7240fp_maxCode);
    }
    m_clampingGroup = -1;

    if (d_demo || !current)
        return;

    qm7240fp_rangeChange_t change;
    change.group = grp;
    change.index = index;
    change.clamped = std::move(m_clamped);
    for (int k = 0; k < channelsPerGroup; ++k) {
        const qm7240fp_quantised_t q =
            qm7240fp_quantise(dacCtrl[grp][k]->value(), m_loLimit[grp], m_hiLimit[grp]);
        showQuantised(dacCtrl[grp][k], q.value);
        change.values[size_t(k)] = q.value;
    }
    d_cardThread->push([this, change] { m_flows->changeRange(change); });
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
    if (grp == m_clampingGroup) {
        m_clamped.push_back({indx, q.value});
        return;
    }
    // A value typed while the card is busy waits; a newer one for the same
    // channel takes its place.
    d_cardThread->pushLatest(indx,
                             [this, indx, value = q.value] { m_flows->writeValue(indx, value); });
}

void qm7240fp_App::setUnconfirmed(int indx, bool unconfirmed)
{
    if (indx < 1 || indx > groupCount * channelsPerGroup || d_demo)
        return;
    m_unconfirmed[indx - 1] = unconfirmed;
    qm7240fp_markUnconfirmed(dacCtrl[(indx - 1) / channelsPerGroup][(indx - 1) % channelsPerGroup],
                             qm7240fp_ctrlHelp(indx), unconfirmed);
}

void qm7240fp_App::setRangeUnconfirmed(int g, bool unconfirmed)
{
    if (d_demo)
        return;
    m_rangeUnconfirmed[g] = unconfirmed;
    if (rangeComboBox[g])
        qm7240fp_markUnconfirmed(rangeComboBox[g], rangeHelp(g), unconfirmed);
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
    // The channel is being written with the unrounded value; the rounding
    // must not come back as a second, different write.
    const QSignalBlocker blocker(ctrl);
    ctrl->setValue(value);
}

// The status poll's 400 ms tick: the card thread reads the channels of the
// groups in play, one after the other, unless a round is still under way.
void qm7240fp_App::timeEvent_slot()
{
    if (d_demo || m_pollStopped)
        return;
    d_cardThread->tick();
}

void qm7240fp_App::cardWasReset()
{
    d_cardThread->dropRound();
    m_flows->cardWasReset();
}

void qm7240fp_App::resumeMonitoring()
{
    // Reads only: nothing is written to the card by resuming.
    if (!d_demo && m_pollStopped)
        d_cardThread->push([this] { m_flows->resume(); });
}

void qm7240fp_App::showHardware(const qm7240fp_hardware_t &hardware)
{
    m_hardware = hardware;
}
