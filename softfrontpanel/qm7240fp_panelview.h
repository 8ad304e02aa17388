#ifndef QM7240FP_PANELVIEW_H
#define QM7240FP_PANELVIEW_H

#include <QString>

#include "visa.h"

struct qm7240fp_startPlan_t;

// What the panel knows of a group's output type and range.
struct qm7240fp_group_t
{
    enum class known_t {
        notRead,    // not asked: the link failed earlier in the start-up
        unreadable, // the card would not say
        unfit,      // the card said what the group's controls cannot show
        known,
    };
    known_t known = known_t::notRead;
    ViInt32 type = 0; // QM7240_OUTPUT_CURRENT or another value for voltage
    double lo = 0.0;  // what the card reported: mA for a current group, V for voltage
    double hi = 0.0;
    int rangeIndex = 0; // a known current group: its row of qm7240fp_currentRanges
};

// The card's page of the About box, as read (zeroed where a read failed).
struct qm7240fp_hardware_t
{
    ViUInt32 serialNumber = 0;
    QString subtype;
    QString firmware;
};

// What the panel's flows, on the card thread, tell the window and ask of it.
// Every result is shown later, on the GUI thread, in the order given.
class qm7240fp_panelView
{
public:
    virtual ~qm7240fp_panelView() = default;

    // Group g's type and range as the card gave them (at start-up, after a
    // reset, when monitoring resumes).
    virtual void groupRead(int g, const qm7240fp_group_t &group) = 0;
    // Whether the card took group g's range, or channel indx's value (1 to
    // 16); a call not made is not confirmed.
    virtual void rangeConfirmed(int g, bool confirmed) = 0;
    virtual void valueConfirmed(int indx, bool confirmed) = 0;
    // The output status of channel index (0 to 15).
    virtual void lampRead(int index, bool lit) = 0;
    // The poll stopped after a failed read, or reads every channel again.
    virtual void pollStopped() = 0;
    virtual void pollResumed() = 0;
    // The card confirmed its reset: every output at 0, and what the panel
    // showed of the card before is no longer so.
    virtual void cardReset() = 0;
    virtual void hardwareRead(const qm7240fp_hardware_t &hardware) = 0;
    // What the start-up sends to the card: the ranges and the values the
    // window shows.
    virtual void started(const qm7240fp_startPlan_t &plan) = 0;
    // A warning box, which waits for the user like report().
    virtual void warn(const QString &message) = 0;
    // The box for a driver's non-zero status: an error box that offers to end
    // the program, or a warning. Returns once the user has answered, or at
    // once when the window is going.
    virtual void report(ViStatus status, const QString &message) = 0;
};

#endif
