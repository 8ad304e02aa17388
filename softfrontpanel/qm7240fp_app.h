#ifndef QM7240FP_APP_H
#define QM7240FP_APP_H

#include <QElapsedTimer>

#include "frame/qm6080fp_appfc.h"
#include "visa.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QResizeEvent;
class QTimer;
class qm6080fp_genFC;
class qm6080fp_led;
class qm7240_dblCtrl;
class qm7240fp_statusPoll;

// Main window of the 7240 soft front panel: four groups of four DAC channels,
// current groups with a selectable range and an output-error lamp per channel,
// voltage groups with the fixed range the card reports.
class qm7240fp_App : public qm6080fp_AppFC
{
    Q_OBJECT

public:
    explicit qm7240fp_App(qm6080fp_genFC *fc);
    ~qm7240fp_App() override;

public slots:
    void setRange_slot(int grp);
    void setRange1_slot();
    void setRange2_slot();
    void setRange3_slot();
    void setRange4_slot();
    void setValue_slot(int indx, double val);
    void timeEvent_slot();

protected:
    QGroupBox *groupBox[4] = {};
    QLabel *channelLabel[16] = {};
    QLabel *rangeLabel[4] = {};
    qm7240_dblCtrl *dacCtrl[4][4] = {};
    qm6080fp_led *errorLed[4][4] = {};
    QComboBox *rangeComboBox[4] = {};
    QLineEdit *rangeLineEdit[4] = {};
    // The status poll's 400 ms tick; the poll owns it.
    QTimer *statusTimer = nullptr;
    // The status poll, and the pace of every call the panel makes on the card.
    qm7240fp_statusPoll *statusPoll = nullptr;
    // Shown while the status poll is stopped: reads every channel again.
    QPushButton *resumeButton = nullptr;
    // What the card reported; meaningful only while m_grpKnown holds.
    ViInt32 m_grpType[4] = {};
    double m_loLimit[4] = {};
    double m_hiLimit[4] = {};
    // False once the panel does not know a group's type and range (the card
    // would not say, at start-up or after a reset). Such a group is left
    // alone for the rest of the run: no range call, no write, no poll.
    bool m_grpKnown[4] = {true, true, true, true};
    // The status poll stopped after a non-zero status; only Resume Monitoring restarts it.
    bool m_pollStopped = false;
    // Channels whose value on screen the card did not confirm: their last
    // write failed, or was not made after a link failure.
    bool m_unconfirmed[16] = {};

    // Shows the card's state after a confirmed reset, without writing to it.
    void cardWasReset() override;
    void resetStarting() override;
    void resetReturned(double ms) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildGroup(int g, QGridLayout *groupGrid);
    void connectControls();
    void registerHardwareInfo();
    bool drivesCurrentGroup(int g) const;
    // The poll only feeds the lamps of current groups in play.
    bool anyCurrentGroupInPlay() const;
    void showVoltageRange(int g);
    // Takes group g out of play; `rangeText` says what is known of its range.
    void leaveGroupAlone(int g, const QString &rangeText);
    QString rangeHelp(int g) const;
    // Greys a lamp that nothing watches any more and says why in its help.
    void showLampState(int g, int k);
    void showLampStates();
    // The status poll's read of channel `index` (0 to 15), shown on its lamp.
    ViStatus readStatus(int index);
    // The poll stopped after `status` from channel `index`.
    void pollFailed(int index, ViStatus status);
    void resumeMonitoring();
    void pollResumed();
    void placeResumeButton();
    // Runs a driver call of the panel's own and tells the poll how long it took.
    template <class Call> ViStatus onCard(Call call);
    // Writes channel `indx` and shows whether the card confirmed it; a link
    // failure ends the action under way.
    void writeChannel(int indx, double cardValue);
    // Marks channel `indx`'s value as not confirmed by the card, or clears the mark.
    void setUnconfirmed(int indx, bool unconfirmed);
    // Puts a control on a range and value without writing the channel.
    void setControlQuietly(qm7240_dblCtrl *ctrl, double lo, double hi, double value);
    // Sets a channel's control to its quantised value without writing it again.
    void showQuantised(qm7240_dblCtrl *ctrl, double value);
    // Shows a non-zero driver status: an error box offering to exit, or a warning.
    void reportStatus(ViStatus status, const char *callText);
    // The box for a failed call of the action under way; a link failure ends the action.
    void actionCallFailed(ViStatus status, const char *callText);

    // Each group's range row, for a range field that replaces the combo box.
    QHBoxLayout *rangeRow[4] = {};

    // One action of the panel: the start-up, a range change, a write, a
    // reset's follow-up. A link failure in any of its calls ends it: the
    // calls after it are not made. Nested scopes belong to the outermost.
    class actionScope;
    int m_actionDepth = 0;
    bool m_actionCut = false;
    // The value a write that waits for the event loop's turn will send, per channel.
    double m_waitingValue[16] = {};
    QElapsedTimer m_clock;
};

#endif
