#include "qm7240fp_app.h"

#include <QPushButton>
#include <QTimer>

#include "accessibility/qm6080fp_announcer.h"
#include "qm7240fp_controlhelp.h"
#include "qm7240fp_currentranges.h"
#include "widgets/qm6080fp_led.h"

// The output-error lamps and the status poll's state: what a read showed,
// the grey of a lamp nothing watches, Resume Monitoring, a confirmed reset.

namespace {

using known_t = qm7240fp_group_t::known_t;

constexpr int groupCount = qm7240fp_groupCount;
constexpr int channelsPerGroup = qm7240fp_channelsPerGroup;
// A lamp that nothing watches any more shows its third colour, a neutral grey.
constexpr int notMonitoredValue = 2;
const QColor notMonitoredColor(128, 128, 128);

} // namespace

bool qm7240fp_App::drivesCurrentGroup(int g) const
{
    return m_grpKnown[g] && qm7240fp_isCurrentType(m_grpType[g]);
}

bool qm7240fp_App::anyCurrentGroupInPlay() const
{
    for (int g = 0; g < groupCount; ++g)
        if (drivesCurrentGroup(g))
            return true;
    return false;
}

bool qm7240fp_App::anyGroupNotRead() const
{
    for (const qm7240fp_group_t &group : m_group)
        if (group.known == known_t::notRead)
            return true;
    return false;
}

void qm7240fp_App::updatePollTimer()
{
    // The poll only feeds the lamps: without a current group in play it has
    // nothing to show.
    if (!m_built)
        return;
    if (m_pollStopped || !anyCurrentGroupInPlay())
        statusTimer->stop();
    else if (!statusTimer->isActive())
        statusTimer->start();
}

void qm7240fp_App::showLampState(int g, int k)
{
    qm6080fp_led *led = errorLed[g][k];
    if (!led)
        return;
    QString help = qm7240fp_ledHelp(channelsPerGroup * g + k + 1);
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
    } else if (!m_pollStopped && m_grpKnown[g] && led->currentValue() == notMonitoredValue) {
        // Watched again: unlit until the next read says otherwise.
        led->setValue(0);
    }
}

void qm7240fp_App::showLampStates()
{
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            showLampState(g, k);
}

void qm7240fp_App::showLamp(int index, bool lit)
{
    qm6080fp_led *led = errorLed[index / channelsPerGroup][index % channelsPerGroup];
    if (!led)
        return;
    const int before = led->currentValue();
    led->setValue(lit ? 1 : 0);
    // A lamp that lights or goes out is said at once; one that comes back
    // from grey is said with all of them on resuming.
    if (before != led->currentValue() && before != notMonitoredValue)
        announcer->announce(led->accessibleName() + QStringLiteral(": ") + led->stateText());
}

void qm7240fp_App::showPollStopped()
{
    // The lamps and the button say so before the box does.
    m_pollStopped = true;
    updatePollTimer();
    showLampStates();
    resumeButton->show();
    placeColumnButtons();
    announcer->announce(QStringLiteral("Output error lamps: not monitored"));
}

void qm7240fp_App::showPollResumed()
{
    m_pollStopped = false;
    showLampStates();
    resumeButton->hide();
    updatePollTimer();
    announcer->announce(QStringLiteral("Output error lamps: monitored again"));
}

void qm7240fp_App::showCardReset()
{
    // Until the next poll a lamp only knows what it showed before the reset.
    for (int g = 0; g < groupCount; ++g)
        for (int k = 0; k < channelsPerGroup; ++k)
            if (errorLed[g][k])
                errorLed[g][k]->setValue(0);
    // Every value on screen is the card's own again.
    for (int indx = 1; indx <= groupCount * channelsPerGroup; ++indx)
        setUnconfirmed(indx, false);
    for (int g = 0; g < groupCount; ++g)
        setRangeUnconfirmed(g, false);
    showLampStates();
}

void qm7240fp_App::resizeEvent(QResizeEvent *event)
{
    qm6080fp_AppFC::resizeEvent(event);
    placeColumnButtons();
}

void qm7240fp_App::placeColumnButtons()
{
    // In the free room of the button column, as wide as Reset Device and
    // outside the layout, so that showing them moves nothing: Resume
    // Monitoring under the Active lamp's box, Save and Recall Setup right
    // above Reset Device. The gaps shrink where the room is short.
    if (!resumeButton || !activeLed || !resetButton)
        return;
    const QRect above = activeLed->parentWidget()->geometry();
    const QRect reset = resetButton->geometry();
    const int resumeHeight = resumeButton->sizeHint().height();
    const int height = saveButton ? saveButton->sizeHint().height() : 0;
    const int room = reset.top() - above.bottom() - 1 - resumeHeight - 2 * height;
    const int gap = qBound(0, room / 4, fontMetrics().height() / 2);
    resumeButton->setGeometry(reset.x(), above.bottom() + 1 + gap, reset.width(), resumeHeight);
    if (!saveButton || !recallButton)
        return;
    recallButton->setGeometry(reset.x(), reset.top() - gap - height, reset.width(), height);
    saveButton->setGeometry(reset.x(), reset.top() - 2 * (gap + height), reset.width(), height);
}
