#ifndef QM7240FP_WINDOWVIEW_H
#define QM7240FP_WINDOWVIEW_H

#include "qm7240fp_panelview.h"

class qm6080fp_cardThread;
class qm7240fp_App;

// The panel's window as its flows on the card thread see it: each result
// goes to the GUI thread as a job, in order, and a box is shown there while
// the card thread waits for the answer.
class qm7240fp_windowView : public qm7240fp_panelView
{
public:
    qm7240fp_windowView(qm7240fp_App *window, qm6080fp_cardThread &thread)
        : window(window), thread(thread)
    {}

    void groupRead(int g, const qm7240fp_group_t &group) override;
    void rangeConfirmed(int g, bool confirmed) override;
    void valueConfirmed(int indx, bool confirmed) override;
    void lampRead(int index, bool lit) override;
    void pollStopped() override;
    void pollResumed() override;
    void cardReset() override;
    void hardwareRead(const qm7240fp_hardware_t &hardware) override;
    void started(const qm7240fp_startPlan_t &plan) override;
    void warn(const QString &message) override;
    void report(ViStatus status, const QString &message) override;

private:
    qm7240fp_App *window;
    qm6080fp_cardThread &thread;
};

#endif
