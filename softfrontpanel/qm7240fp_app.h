#ifndef QM7240FP_APP_H
#define QM7240FP_APP_H

#include <QDeadlineTimer>

#include "frame/qm6080fp_appfc.h"
#include "visa.h"

class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QTimer;
class qm6080fp_genFC;
class qm6080fp_led;
class qm7240_dblCtrl;

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
    QTimer *statusTimer = nullptr;
    // What the card reported; meaningful only while m_grpKnown holds.
    ViInt32 m_grpType[4] = {};
    double m_loLimit[4] = {};
    double m_hiLimit[4] = {};
    // False once the panel does not know a group's type and range (the card
    // would not say, at start-up or after a reset). Such a group is left
    // alone for the rest of the run: no range call, no write, no poll.
    bool m_grpKnown[4] = {true, true, true, true};
    // The status poll stopped after a non-zero status; it never restarts.
    bool m_pollStopped = false;
    // statusTimer starts a round of the status poll every 400 ms; the round
    // reads one channel per step, paced by pollStepTimer.
    QTimer *pollStepTimer = nullptr;
    // Index of the channel the round under way reads next; -1: no round.
    int m_pollNext = -1;
    // A tick came while a slow round was still under way.
    bool m_pollRoundOwed = false;
    // The end of the pause the last status read asked for: a new round
    // waits that out too.
    QDeadlineTimer m_pollRestUntil{0};

    // Shows the card's state after a confirmed reset, without writing to it.
    void cardWasReset() override;

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
    // Reads the next channel of the round under way, then schedules the step after it.
    void pollStep();
    void abandonPollRound();
    // Puts a control on a range and value without writing the channel.
    void setControlQuietly(qm7240_dblCtrl *ctrl, double lo, double hi, double value);
    // Sets a channel's control to its quantised value without writing it again.
    void showQuantised(qm7240_dblCtrl *ctrl, double value);
    // Shows a non-zero driver status: an error box offering to exit, or a warning.
    void reportStatus(ViStatus status, const char *callText);

    // Each group's range row, for a range field that replaces the combo box.
    QHBoxLayout *rangeRow[4] = {};
};

#endif
