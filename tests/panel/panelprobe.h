#ifndef PANELPROBE_H
#define PANELPROBE_H

#include "about/qm6080fp_about.h"
#include "accessibility/qm6080fp_announcer.h"
#include "qm7240fp_app.h"
#include "session/qm6080fp_cardthread.h"

// The DAC panel with its members in reach of the tests. It adds no
// meta-object of its own, so it is still a qm7240fp_App to the toolkit.
class PanelProbe : public qm7240fp_App
{
public:
    using qm7240fp_App::qm7240fp_App;

    using qm6080fp_app::aboutDialog;
    using qm6080fp_app::announcer;
    using qm6080fp_app::resetButton;
    using qm6080fp_AppFC::d_demo;
    using qm7240fp_App::channelLabel;
    using qm7240fp_App::dacCtrl;
    using qm7240fp_App::errorLed;
    using qm7240fp_App::groupBox;
    using qm7240fp_App::m_grpType;
    using qm7240fp_App::m_hiLimit;
    using qm7240fp_App::m_loLimit;
    using qm7240fp_App::m_rangeUnconfirmed;
    using qm7240fp_App::m_unconfirmed;
    using qm7240fp_App::rangeComboBox;
    using qm7240fp_App::rangeLabel;
    using qm7240fp_App::rangeLineEdit;
    using qm7240fp_App::resumeButton;
    using qm7240fp_App::statusTimer;

    // Returns once the card thread has done every action asked of it so
    // far, and the window has shown what came back.
    void settle()
    {
        d_cardThread->runAndWait([] {});
    }
};

#endif
