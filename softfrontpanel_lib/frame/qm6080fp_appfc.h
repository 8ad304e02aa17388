#ifndef QM6080FP_APPFC_H
#define QM6080FP_APPFC_H

#include "frame/qm6080fp_app.h"
#include "visa.h"

class QCloseEvent;
class qm6080fp_genFC;

// Frame of a panel whose card sits behind a driver session. The constructor
// runs the connection workflow (or enters demo mode), fills the header and
// builds the About dialog; the destructor closes the session.
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
    // Runs after Reset Device has reset the card and the driver answered
    // exactly 0 (never in demo mode), so that the panel can show the card's
    // reset state instead of what it showed before. The busy cursor is gone by
    // then: the panel may have to show a box. Does nothing here.
    virtual void cardWasReset();
    // Around the card's reset (never in demo mode): before the call, and
    // right after it returned, `ms` later, before any box. Do nothing here.
    virtual void resetStarting();
    virtual void resetReturned(double ms);

    ViSession d_vi = 0;
    int d_demo = 0;
    int d_fcNumbers[256] = {};
    int d_fcCount = 0;
    bool d_lxi = false;
    qm6080fp_genFC *d_fc = nullptr;

private slots:
    void resetDevice();
};

#endif
