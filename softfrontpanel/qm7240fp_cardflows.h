#ifndef QM7240FP_CARDFLOWS_H
#define QM7240FP_CARDFLOWS_H

#include <array>
#include <vector>

#include "qm7240fp_panelview.h"
#include "qm7240fp_setupfile.h"

class qm7240fp_card;

constexpr int qm7240fp_groupCount = 4;
constexpr int qm7240fp_channelsPerGroup = 4;
constexpr int qm7240fp_channelCount = qm7240fp_groupCount * qm7240fp_channelsPerGroup;

// A range chosen for a current group: the values the new range clamped,
// written as the controls took it (channel, mA), then the range, then the
// group's four values (mA, on the new grid).
struct qm7240fp_rangeChange_t
{
    struct clamped_t
    {
        int indx;
        double value;
    };
    int group = 0;
    int index = 0; // a row of the range table
    std::vector<clamped_t> clamped;
    std::array<double, 4> values{};
};

// What the start-up sends to the groups in play: each current group's range
// (a row of the range table), and the values it writes (in the group's
// unit, on its grid). Without a setup, 0-24mA and 0 on every channel of a
// current group, and nothing to a voltage group.
struct qm7240fp_startPlan_t
{
    int rangeIndex[qm7240fp_groupCount] = {};
    bool write[qm7240fp_channelCount] = {};
    double value[qm7240fp_channelCount] = {};
};

// The plan for the groups as the card reported them, from `setup` where it
// holds a group (null: none).
qm7240fp_startPlan_t qm7240fp_planStart(const qm7240fp_setup_t *setup,
                                        const qm7240fp_group_t groups[qm7240fp_groupCount]);

// A setup the panel starts from (--setup), read and checked for its syntax
// before the window was built.
struct qm7240fp_startSetup_t
{
    bool given = false;
    QString path;
    qm7240fp_setup_t setup;
};

// A setup recalled: the ranges of the current groups (-1: none), then the
// channels' values (in the group's unit, on the new grid), in channel order.
struct qm7240fp_recall_t
{
    int rangeIndex[qm7240fp_groupCount] = {-1, -1, -1, -1};
    bool write[qm7240fp_channelCount] = {};
    double value[qm7240fp_channelCount] = {};
};

// The panel's work on the card, run on the card thread: each function is one
// action, its calls in the order the panel makes them. A failed call gets its
// box (which waits for the user) and the action goes on, except after a link
// failure: then the calls after it are not made, and what they would have
// set is not confirmed. Groups whose range the panel does not know are left
// alone: no range, no write, no read of their channels.
class qm7240fp_cardFlows
{
public:
    qm7240fp_cardFlows(qm7240fp_card &card, qm7240fp_panelView &view);

    // Each group's range read; a current group's range sent and its four
    // values written; then the card's page of the About box. After a link
    // failure the poll waits for resume(). From a setup, every group is read
    // before anything is written, so that the setup is checked whole.
    void startUp(const qm7240fp_startSetup_t &start = qm7240fp_startSetup_t());
    // A setup recalled: the ranges first, then the values.
    void recall(const qm7240fp_recall_t &recall);
    // A range chosen for a current group, its clamped values first.
    void changeRange(const qm7240fp_rangeChange_t &change);
    // Channel indx's value (1 to 16), in its group's unit, on its grid.
    void writeValue(int indx, double value);
    // The status poll's read of the next channel in play; returns whether
    // its round goes on. A failed read stops the poll until resume().
    bool pollStep();
    // Resume Monitoring: the ranges of the groups not read yet, then every
    // channel in play, writing nothing. The poll runs again only if all of
    // them answered.
    void resume();
    // After a reset the card confirmed: each group's range is read again,
    // and nothing is written.
    void cardWasReset();

    bool pollStopped() const { return stopped; }
    const qm7240fp_group_t &group(int g) const { return groups[g]; }

private:
    // Shows the box for a non-zero status; returns whether the action goes on.
    bool report(ViStatus status, const char *callText);
    // Reads group g's range; returns whether the action goes on.
    bool readGroup(int g);
    // Sends group g's range and values as the start-up plans them; returns
    // whether the action goes on.
    bool startGroup(int g, const qm7240fp_startPlan_t &plan);
    // Writes channel indx; returns whether the action goes on.
    bool write(int indx, double cardValue);
    // Channels from indx to the end of its group were not written.
    void notWritten(int indx);
    bool inPlay(int index) const;
    bool isCurrent(int g) const;
    // Reads channel index and shows it; false (the poll stopped) when it failed.
    bool readLamp(int index);

    qm7240fp_card &card;
    qm7240fp_panelView &view;
    qm7240fp_group_t groups[qm7240fp_groupCount];
    bool stopped = false;
    int nextRead = 0; // the channel the round under way reads next
};

#endif
