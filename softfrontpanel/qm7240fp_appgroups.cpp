#include "qm7240fp_app.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "qm7240_dblctrl.h"
#include "qm7240fp_controlhelp.h"
#include "qm7240fp_currentranges.h"
#include "qm7240fp_quantise.h"
#include "widgets/qm6080fp_led.h"

// How the panel shows a group: its range widgets, its controls' limits and
// lamps as the card reported them, or left alone when the panel does not
// know its range.

namespace {

using known_t = qm7240fp_group_t::known_t;

constexpr int channelsPerGroup = qm7240fp_channelsPerGroup;

// What the range field of a group left alone says.
QString unknownRangeText(const qm7240fp_group_t &group)
{
    switch (group.known) {
    case known_t::notRead:
        return QStringLiteral("not read");
    case known_t::unfit:
        return QStringLiteral("card reports %1-%2%3")
            .arg(QString::number(group.lo), QString::number(group.hi),
                 qm7240fp_isCurrentType(group.type) ? QStringLiteral("mA") : QStringLiteral("V"));
    default:
        return QStringLiteral("could not be read");
    }
}

} // namespace

void qm7240fp_App::showGroup(int g, const double *values)
{
    const qm7240fp_group_t &group = m_group[g];
    m_grpKnown[g] = group.known == known_t::known;
    if (!m_grpKnown[g]) {
        leaveGroupAlone(g, unknownRangeText(group));
        return;
    }
    m_grpType[g] = group.type;
    groupBox[g]->setEnabled(true);
    if (qm7240fp_isCurrentType(group.type))
        showCurrentGroup(g, values);
    else
        showVoltageGroup(g, values);
    showLampStates();
}

void qm7240fp_App::showCurrentGroup(int g, const double *values)
{
    addLamps(g);
    if (!rangeComboBox[g]) {
        rangeComboBox[g] = new QComboBox(groupBox[g]);
        for (const qm7240fp_currentRange_t &range : qm7240fp_currentRanges)
            rangeComboBox[g]->addItem(QString::fromLatin1(range.text));
        rangeRow[g]->addWidget(rangeComboBox[g]);
        // Straight after its channels, also when it comes after a resume.
        setTabOrder(dacCtrl[g][channelsPerGroup - 1], rangeComboBox[g]);
        if (m_built) {
            connectRangeBox(g);
            rangeComboBox[g]->setWhatsThis(rangeHelp(g));
            rangeComboBox[g]->setToolTip(rangeHelp(g));
            rangeComboBox[g]->show();
        }
    }
    if (rangeLineEdit[g])
        rangeLineEdit[g]->hide();
    rangeComboBox[g]->show();
    rangeLabel[g]->setBuddy(rangeComboBox[g]);
    rangeLabel[g]->setText(QStringLiteral("Current Range:"));
    groupBox[g]->setTitle(QStringLiteral("Group %1 - Current Output").arg(g + 1));
    {
        const QSignalBlocker blocker(rangeComboBox[g]);
        rangeComboBox[g]->setCurrentIndex(m_group[g].rangeIndex);
    }
    setRangeUnconfirmed(g, m_rangeUnconfirmed[g]);
    const qm7240fp_currentRange_t &range = qm7240fp_currentRanges[m_group[g].rangeIndex];
    m_loLimit[g] = range.lo;
    m_hiLimit[g] = range.hi;
    for (int k = 0; k < channelsPerGroup; ++k) {
        const double value = values ? values[k] : 0.0;
        setControlQuietly(dacCtrl[g][k], m_loLimit[g], m_hiLimit[g],
                          qm7240fp_quantise(value, m_loLimit[g], m_hiLimit[g]).value);
    }
}

void qm7240fp_App::showVoltageGroup(int g, const double *values)
{
    if (!rangeLineEdit[g]) {
        rangeLineEdit[g] = new QLineEdit(groupBox[g]);
        rangeLineEdit[g]->setReadOnly(true);
        rangeRow[g]->addWidget(rangeLineEdit[g]);
    }
    rangeLineEdit[g]->show();
    rangeLabel[g]->setBuddy(rangeLineEdit[g]);
    rangeLabel[g]->setText(QStringLiteral("Voltage Range:"));
    groupBox[g]->setTitle(QStringLiteral("Group %1 - Voltage Output").arg(g + 1));
    m_loLimit[g] = m_group[g].lo;
    m_hiLimit[g] = m_group[g].hi;
    if (m_built) {
        rangeLineEdit[g]->setWhatsThis(rangeHelp(g));
        rangeLineEdit[g]->setToolTip(rangeHelp(g));
    }
    for (int k = 0; k < channelsPerGroup; ++k) {
        const double value = values ? values[k] : 0.0;
        setControlQuietly(dacCtrl[g][k], m_loLimit[g], m_hiLimit[g],
                          qm7240fp_quantise(value, m_loLimit[g], m_hiLimit[g]).value);
    }
    showVoltageRange(g);
}

void qm7240fp_App::addLamps(int g)
{
    for (int k = 0; k < channelsPerGroup; ++k) {
        if (errorLed[g][k])
            continue;
        const int n = channelsPerGroup * g + k + 1;
        errorLed[g][k] = new qm6080fp_led(QString(), Qt::red, Qt::magenta);
        // A lamp without a caption: its name says what it watches.
        errorLed[g][k]->setAccessibleName(QStringLiteral("Channel %1 output error").arg(n));
        errorLed[g][k]->setWhatsThis(qm7240fp_ledHelp(n));
        errorLed[g][k]->setToolTip(qm7240fp_ledHelp(n));
        channelGrid[g]->addWidget(errorLed[g][k], k, 2);
    }
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
    }
    rangeLabel[g]->setBuddy(rangeLineEdit[g]);
    // On a window already on screen a new or hidden child is not shown by itself.
    rangeLineEdit[g]->show();
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

void qm7240fp_App::setControlQuietly(qm7240_dblCtrl *ctrl, double lo, double hi, double value)
{
    const QSignalBlocker blocker(ctrl);
    ctrl->setRange(lo, hi);
    ctrl->setSingleStep((hi - lo) * qm7240fp_lsbPerArrowClick / qm7240fp_maxCode);
    ctrl->setValue(qBound(lo, value, hi));
}

void qm7240fp_App::showGroupRead(int g, const qm7240fp_group_t &group)
{
    m_group[g] = group;
    m_grpKnown[g] = group.known == known_t::known;
    m_grpType[g] = group.type;
    m_loLimit[g] = group.lo;
    m_hiLimit[g] = group.hi;
    // Built from all of them once the start-up has read them.
    if (!m_built)
        return;
    showGroup(g, nullptr);
    updatePollTimer();
}
