#ifndef QM7240FP_APP_H
#define QM7240FP_APP_H

#include <memory>

#include "frame/qm6080fp_appfc.h"
#include "qm7240fp_cardflows.h"
#include "qm7240fp_panelview.h"
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
class qm7240fp_card;
class qm7240fp_windowView;

// Main window of the 7240 soft front panel: four groups of four DAC channels,
// current groups with a selectable range and an output-error lamp per channel,
// voltage groups with the fixed range the card reports.
//
// The window builds the widgets and shows what the card answered; the calls
// themselves run on the card thread (qm7240fp_cardFlows), in the order the
// user made them, and their results come back through qm7240fp_windowView.
class qm7240fp_App : public qm6080fp_AppFC
{
    Q_OBJECT

public:
    explicit qm7240fp_App(qm6080fp_genFC *fc);
    // Starts from a setup (--setup) instead of 0-24mA and zeros, if it fits the card.
    qm7240fp_App(qm6080fp_genFC *fc, const qm7240fp_startSetup_t &start);

    // Save Setup and Recall Setup, with a file dialog; and a recall from a
    // given file, which checks the file whole and asks before it writes.
    void saveSetup();
    void recallSetup();
    void saveSetupTo(const QString &path);
    void recallSetupFrom(const QString &path);
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
    // The status poll's 400 ms tick; each tick asks the card thread for a round.
    QTimer *statusTimer = nullptr;
    // Shown while the status poll is stopped: reads every channel again.
    QPushButton *resumeButton = nullptr;
    // What the card reported; meaningful only while m_grpKnown holds.
    ViInt32 m_grpType[4] = {};
    double m_loLimit[4] = {};
    double m_hiLimit[4] = {};
    // False while the panel does not know a group's type and range (the card
    // would not say, at start-up or after a reset, or was not asked). Such a
    // group is left alone: no range call, no write, no poll.
    bool m_grpKnown[4] = {true, true, true, true};
    // The status poll stopped after a non-zero status; only Resume Monitoring restarts it.
    bool m_pollStopped = false;
    // Channels whose value on screen, and groups whose range, the card did
    // not confirm: the call failed, or was not made after a link failure.
    bool m_unconfirmed[16] = {};
    bool m_rangeUnconfirmed[4] = {};

    // On the card thread, after a reset the card confirmed.
    void cardWasReset() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class qm7240fp_windowView;

    void build(const qm7240fp_startSetup_t &start);
    void buildSetupButtons();
    // What the window shows, as a setup file says it.
    qm7240fp_setupSnapshot_t snapshot() const;
    // The lines a recall would change, "now → then", and what it writes.
    QStringList recallChanges(const qm7240fp_setup_t &setup, qm7240fp_recall_t *recall) const;
    // Puts the controls on the recalled ranges and values without writing.
    void showRecalled(const qm7240fp_recall_t &recall);
    // A setup given at start in demo mode: the controls take it.
    void showDemoSetup(const qm7240fp_startSetup_t &start);
    void buildGroup(int g, QGridLayout *groupGrid);
    // Shows group g as m_group says, its controls at `values` (0 if none).
    void showGroup(int g, const double *values);
    void showCurrentGroup(int g, const double *values);
    void showVoltageGroup(int g, const double *values);
    void addLamps(int g);
    void setHelp();
    void connectRangeBox(int g);
    void registerHardwareInfo();
    bool drivesCurrentGroup(int g) const;
    // The poll only feeds the lamps of current groups in play.
    bool anyCurrentGroupInPlay() const;
    bool anyGroupNotRead() const;
    void updatePollTimer();
    void showVoltageRange(int g);
    // Takes group g out of play; `rangeText` says what is known of its range.
    void leaveGroupAlone(int g, const QString &rangeText);
    QString rangeHelp(int g) const;
    // Greys a lamp that nothing watches any more and says why in its help.
    void showLampState(int g, int k);
    void showLampStates();
    void resumeMonitoring();
    // The buttons outside the column's layout: Resume Monitoring under the
    // Active lamp, Save and Recall Setup above Reset Device.
    void placeColumnButtons();
    // Marks channel `indx`'s value, or group g's range, as not confirmed by
    // the card, or clears the mark.
    void setUnconfirmed(int indx, bool unconfirmed);
    void setRangeUnconfirmed(int g, bool unconfirmed);
    // Puts a control on a range and value without writing the channel.
    void setControlQuietly(qm7240_dblCtrl *ctrl, double lo, double hi, double value);
    // Sets a channel's control to its quantised value without writing it again.
    void showQuantised(qm7240_dblCtrl *ctrl, double value);

    // What the card thread answered (qm7240fp_windowView).
    void showGroupRead(int g, const qm7240fp_group_t &group);
    void showLamp(int index, bool lit);
    void showPollStopped();
    void showPollResumed();
    void showCardReset();
    void showHardware(const qm7240fp_hardware_t &hardware);

    // Each group's channel grid and range row, for widgets added after a
    // group's range became known.
    QGridLayout *channelGrid[4] = {};
    QHBoxLayout *rangeRow[4] = {};
    qm7240fp_group_t m_group[4];
    qm7240fp_hardware_t m_hardware;
    qm7240fp_startPlan_t m_startPlan;
    QPushButton *saveButton = nullptr;
    QPushButton *recallButton = nullptr;
    // Where the setup dialogs open: the folder of the last setup.
    QString m_setupFolder;
    bool m_built = false;
    // While setRange_slot puts a group's controls on their new range, the
    // values it clamps are collected for the range change's own action.
    int m_clampingGroup = -1;
    std::vector<qm7240fp_rangeChange_t::clamped_t> m_clamped;

    std::unique_ptr<qm7240fp_card> m_card;
    std::unique_ptr<qm7240fp_windowView> m_view;
    // Used on the card thread only.
    std::unique_ptr<qm7240fp_cardFlows> m_flows;
};

#endif
