#ifndef QM6080FP_APPFC_H
#define QM6080FP_APPFC_H

#include <memory>

#include "frame/qm6080fp_app.h"
#include "visa.h"

class QCloseEvent;
class QTimer;
class qm6080fp_cardThread;
class qm6080fp_genFC;
class qm6080fp_windowQueue;

// Frame of a panel whose card sits behind a driver session. The constructor
// runs the connection workflow (or enters demo mode), fills the header and
// builds the About dialog; the destructor closes the session. Every call on
// the session, the frame's and the panel's, is made on the session's own
// card thread (d_cardThread): the window never waits for the card.
class qm6080fp_AppFC : public qm6080fp_app
{
    Q_OBJECT

public:
    qm6080fp_AppFC(qm6080fp_genFC *fc, bool multipleCards, bool skipConnect, const char *qwtVersion,
                   bool usesKissFft);
    ~qm6080fp_AppFC() override;

    ViSession vi() const { return d_vi; }

protected:
    void closeEvent(QCloseEvent *event) override;
    // Runs on the card thread, in the reset's own action, after Reset Device
    // has reset the card and the driver answered exactly 0 (never in demo
    // mode), so that the panel can read the card's reset state. The busy
    // cursor is gone by then: the panel may ask for a box. Does nothing here.
    virtual void cardWasReset();
    // Closes the session on the card thread once the call under way has
    // returned, and ends that thread. A panel whose own state the card
    // thread uses calls it first thing in its destructor; later calls do
    // nothing.
    void endSession();

    ViSession d_vi = 0;
    int d_demo = 0;
    int d_fcNumbers[256] = {};
    int d_fcCount = 0;
    bool d_lxi = false;
    qm6080fp_genFC *d_fc = nullptr;
    // The card thread, from the end of the workflow until the session is closed.
    std::unique_ptr<qm6080fp_cardThread> d_cardThread;
    // What the card thread sends to the window.
    qm6080fp_windowQueue *d_windowJobs = nullptr;

private slots:
    void resetDevice();

private:
    // The reset's action on the card thread.
    void resetCardAction();
    // A call to the card went out, or returned: one out for a while shows
    // the busy pointer over the panel.
    void cardCallOut(bool out);
    void showWaiting();

    QTimer *d_waitTimer = nullptr;
    bool d_showsWaiting = false;
};

#endif
