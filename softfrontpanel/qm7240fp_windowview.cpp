#include "qm7240fp_windowview.h"

#include "frame/qm6080fp_messages.h"
#include "qm7240fp_app.h"
#include "session/qm6080fp_cardthread.h"

void qm7240fp_windowView::groupRead(int g, const qm7240fp_group_t &group)
{
    thread.show([w = window, g, group] { w->showGroupRead(g, group); });
}

void qm7240fp_windowView::rangeConfirmed(int g, bool confirmed)
{
    thread.show([w = window, g, confirmed] { w->setRangeUnconfirmed(g, !confirmed); });
}

void qm7240fp_windowView::valueConfirmed(int indx, bool confirmed)
{
    thread.show([w = window, indx, confirmed] { w->setUnconfirmed(indx, !confirmed); });
}

void qm7240fp_windowView::lampRead(int index, bool lit)
{
    thread.show([w = window, index, lit] { w->showLamp(index, lit); });
}

void qm7240fp_windowView::pollStopped()
{
    thread.show([w = window] { w->showPollStopped(); });
}

void qm7240fp_windowView::pollResumed()
{
    thread.show([w = window] { w->showPollResumed(); });
}

void qm7240fp_windowView::cardReset()
{
    thread.show([w = window] { w->showCardReset(); });
}

void qm7240fp_windowView::hardwareRead(const qm7240fp_hardware_t &hardware)
{
    thread.show([w = window, hardware] { w->showHardware(hardware); });
}

void qm7240fp_windowView::started(const qm7240fp_startPlan_t &plan)
{
    thread.show([w = window, plan] { w->m_startPlan = plan; });
}

void qm7240fp_windowView::warn(const QString &message)
{
    thread.ask([message] { showWarningMessage(message); });
}

void qm7240fp_windowView::report(ViStatus status, const QString &message)
{
    // An error box that is answered Yes ends the program from the GUI thread,
    // while this thread still waits.
    thread.ask([status, message] {
        if (status < 0)
            showErrorMessage(message);
        else
            showWarningMessage(message);
    });
}
