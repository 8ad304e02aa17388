#include "qm7240fp_cardflows.h"

#include "qm7240.h"
#include "qm7240fp_card.h"
#include "qm7240fp_currentranges.h"
#include "qm7240fp_linkstatus.h"
#include "qm7240fp_quantise.h"

namespace {

using known_t = qm7240fp_group_t::known_t;

// The call texts of the boxes: the calls as the panel's source has always
// named them.
const char getOutputRangeCall[] =
    "qm7240_getOutputRange(vi(), i+1, &m_grpType[i], &m_loLimit[i], &m_hiLimit[i])";
const char setOutputRangeCall[] =
    "qm7240_setOutputRange(vi(), grp+1, rangeComboBox[grp]->currentIndex()+1)";
const char writeChannelCall[] = "qm7240_writeChannel(vi(), indx, val)";
const char getDACStatusCall[] = "qm7240_getDACStatus(vi(), i+1, &stat)";
const char readSerialNoCall[] = "qm7240_readSerialNo(d_vi, &serialNumber, subtype)";
const char revisionQueryCall[] =
    "qm7240_revision_query(d_vi, driverRevision, instrumentFirmwareRevision)";

// The driver's buffers, with room to spare; every text is terminated before use.
constexpr int subtypeRoom = 16;
constexpr int firmwareRoom = 32;
constexpr int driverRevisionRoom = 64;

int firstChannel(int g)
{
    return qm7240fp_channelsPerGroup * g + 1;
}

int boundedRangeIndex(int index)
{
    return index >= 0 && index < qm7240fp_currentRangeCount ? index : 0;
}

} // namespace

qm7240fp_cardFlows::qm7240fp_cardFlows(qm7240fp_card &card, qm7240fp_panelView &view)
    : card(card), view(view)
{}

bool qm7240fp_cardFlows::report(ViStatus status, const char *callText)
{
    const QString description = card.describe(status);
    view.report(
        status,
        status < 0
            ? QStringLiteral("%1 failed due to [%2]").arg(QLatin1String(callText), description)
            : QStringLiteral("Warning: [%1]").arg(description));
    return !qm7240fp_endsAction(status);
}

bool qm7240fp_cardFlows::isCurrent(int g) const
{
    return qm7240fp_isCurrentType(groups[g].type);
}

bool qm7240fp_cardFlows::inPlay(int index) const
{
    return groups[index / qm7240fp_channelsPerGroup].known == known_t::known;
}

bool qm7240fp_cardFlows::readGroup(int g)
{
    ViInt32 type = 0;
    ViReal64 lo = 0.0;
    ViReal64 hi = 0.0;
    const ViStatus status = card.getOutputRange(g + 1, &type, &lo, &hi);
    if (status != VI_SUCCESS) {
        // Whatever the driver left in the outputs says nothing: the group may
        // well be a voltage group, which must get neither a range selection
        // nor amperes. After a link failure it waits to be read again.
        if (!qm7240fp_endsAction(status)) {
            groups[g] = qm7240fp_group_t();
            groups[g].known = known_t::unreadable;
        }
        view.groupRead(g, groups[g]);
        return report(status, getOutputRangeCall);
    }
    groups[g].known = known_t::known;
    groups[g].type = type;
    groups[g].lo = lo;
    groups[g].hi = hi;
    groups[g].rangeIndex = 0;
    return true;
}

bool qm7240fp_cardFlows::write(int indx, double cardValue)
{
    const ViStatus status = card.writeChannel(indx, cardValue);
    // A warning still leaves the value with the card.
    view.valueConfirmed(indx, status >= VI_SUCCESS);
    return status == VI_SUCCESS || report(status, writeChannelCall);
}

void qm7240fp_cardFlows::notWritten(int indx)
{
    const int end = firstChannel((indx - 1) / qm7240fp_channelsPerGroup + 1);
    for (int n = indx; n < end; ++n)
        view.valueConfirmed(n, false);
}

qm7240fp_startPlan_t qm7240fp_planStart(const qm7240fp_setup_t *setup,
                                        const qm7240fp_group_t groups[qm7240fp_groupCount])
{
    qm7240fp_startPlan_t plan;
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        const bool current = qm7240fp_isCurrentType(groups[g].type);
        const qm7240fp_setup_t::group_t *wanted =
            setup && setup->groups[g].present ? &setup->groups[g] : nullptr;
        if (current && wanted)
            plan.rangeIndex[g] = wanted->rangeIndex;
        for (int k = 0; k < qm7240fp_channelsPerGroup; ++k) {
            const int n = qm7240fp_channelsPerGroup * g + k;
            plan.write[n] = wanted ? wanted->hasValue[k] : current;
            plan.value[n] = wanted && wanted->hasValue[k] ? wanted->value[k] : 0.0;
        }
    }
    return plan;
}

bool qm7240fp_cardFlows::startGroup(int g, const qm7240fp_startPlan_t &plan)
{
    const int first = firstChannel(g);
    double lo = groups[g].lo;
    double hi = groups[g].hi;
    if (isCurrent(g))
        groups[g].rangeIndex = boundedRangeIndex(plan.rangeIndex[g]);
    view.groupRead(g, groups[g]);
    if (isCurrent(g)) {
        const int index = groups[g].rangeIndex;
        const ViStatus status = card.setOutputRange(g + 1, index + 1);
        view.rangeConfirmed(g, status >= VI_SUCCESS);
        if (status != VI_SUCCESS && !report(status, setOutputRangeCall)) {
            notWritten(first);
            return false;
        }
        lo = qm7240fp_currentRanges[index].lo;
        hi = qm7240fp_currentRanges[index].hi;
    }
    for (int n = first; n < first + qm7240fp_channelsPerGroup; ++n) {
        if (!plan.write[n - 1])
            continue;
        const double q = qm7240fp_quantise(plan.value[n - 1], lo, hi).value;
        // The card takes amperes, the controls show milliamperes.
        if (!write(n, isCurrent(g) ? q / 1000.0 : q)) {
            notWritten(n + 1);
            return false;
        }
    }
    return true;
}

void qm7240fp_cardFlows::startUp(const qm7240fp_startSetup_t &start)
{
    bool goesOn = true;
    const auto read = [this, &goesOn](int g) {
        if (!goesOn) {
            // Not asked after the link failed: resume() reads it.
            view.groupRead(g, groups[g]);
            return false;
        }
        // A group read is shown as it is sent; one left alone, at once.
        goesOn = readGroup(g);
        return groups[g].known == known_t::known;
    };
    qm7240fp_startPlan_t plan;
    if (!start.given) {
        // Group by group: its range read, then sent, then its values.
        for (int g = 0; g < qm7240fp_groupCount; ++g) {
            if (read(g)) {
                plan = qm7240fp_planStart(nullptr, groups);
                goesOn = startGroup(g, plan);
            }
        }
        plan = qm7240fp_planStart(nullptr, groups);
        view.started(plan);
    } else {
        // Every group read before anything is written: a setup is checked
        // whole, and one that does not fit leaves the start-up as without it.
        bool inPlay[qm7240fp_groupCount] = {};
        for (int g = 0; g < qm7240fp_groupCount; ++g)
            inPlay[g] = read(g);
        const QString misfit = qm7240fp_setupMisfit(start.setup, groups);
        if (!misfit.isEmpty())
            view.warn(qm7240fp_startWithoutSetup(start.path, misfit));
        plan = qm7240fp_planStart(misfit.isEmpty() ? &start.setup : nullptr, groups);
        view.started(plan);
        for (int g = 0; g < qm7240fp_groupCount; ++g) {
            if (inPlay[g] && goesOn)
                goesOn = startGroup(g, plan);
            else if (inPlay[g])
                view.groupRead(g, groups[g]);
        }
    }

    // Zeroed, so that a failed read shows empty texts rather than garbage;
    // not asked at all after a link failure.
    ViUInt32 serialNumber = 0;
    ViChar subtype[subtypeRoom] = {};
    ViChar driverRevision[driverRevisionRoom] = {};
    ViChar firmware[firmwareRoom] = {};
    if (goesOn) {
        const ViStatus status = card.readSerialNo(&serialNumber, subtype);
        if (status != VI_SUCCESS)
            goesOn = report(status, readSerialNoCall);
    }
    if (goesOn) {
        const ViStatus status = card.revisionQuery(driverRevision, firmware);
        if (status != VI_SUCCESS)
            goesOn = report(status, revisionQueryCall);
    }
    subtype[subtypeRoom - 1] = '\0';
    firmware[firmwareRoom - 1] = '\0';
    qm7240fp_hardware_t hardware;
    hardware.serialNumber = serialNumber;
    hardware.subtype = QString::fromLatin1(subtype);
    hardware.firmware = QString::fromLatin1(firmware);
    view.hardwareRead(hardware);

    // Rather than meet the same timeout at once, the poll waits for the user.
    stopped = !goesOn;
}

void qm7240fp_cardFlows::changeRange(const qm7240fp_rangeChange_t &change)
{
    const int grp = change.group;
    if (grp < 0 || grp >= qm7240fp_groupCount || groups[grp].known != known_t::known ||
        !isCurrent(grp) || change.index < 0 || change.index >= qm7240fp_currentRangeCount)
        return;
    const int first = firstChannel(grp);
    for (size_t i = 0; i < change.clamped.size(); ++i) {
        if (!write(change.clamped[i].indx, change.clamped[i].value / 1000.0)) {
            for (size_t j = i + 1; j < change.clamped.size(); ++j)
                view.valueConfirmed(change.clamped[j].indx, false);
            view.rangeConfirmed(grp, false);
            notWritten(first);
            return;
        }
    }
    groups[grp].rangeIndex = change.index;
    const ViStatus status = card.setOutputRange(grp + 1, change.index + 1);
    view.rangeConfirmed(grp, status >= VI_SUCCESS);
    if (status != VI_SUCCESS && !report(status, setOutputRangeCall)) {
        notWritten(first);
        return;
    }
    for (int k = 0; k < qm7240fp_channelsPerGroup; ++k) {
        if (!write(first + k, change.values[size_t(k)] / 1000.0)) {
            notWritten(first + k + 1);
            return;
        }
    }
}

void qm7240fp_cardFlows::writeValue(int indx, double value)
{
    if (indx < 1 || indx > qm7240fp_channelCount)
        return;
    const int g = (indx - 1) / qm7240fp_channelsPerGroup;
    // A group taken out of play since the write was asked for is not written.
    if (groups[g].known != known_t::known)
        return;
    write(indx, isCurrent(g) ? value / 1000.0 : value);
}

void qm7240fp_cardFlows::recall(const qm7240fp_recall_t &recall)
{
    // After a link failure nothing more is sent, and nothing after it is confirmed.
    const auto cut = [this, &recall](int fromGroup, int fromChannel) {
        for (int g = fromGroup; g < qm7240fp_groupCount; ++g)
            if (recall.rangeIndex[g] >= 0)
                view.rangeConfirmed(g, false);
        for (int n = fromChannel; n <= qm7240fp_channelCount; ++n)
            if (recall.write[n - 1])
                view.valueConfirmed(n, false);
    };
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        const int index = recall.rangeIndex[g];
        if (index < 0 || index >= qm7240fp_currentRangeCount || groups[g].known != known_t::known ||
            !isCurrent(g))
            continue;
        groups[g].rangeIndex = index;
        const ViStatus status = card.setOutputRange(g + 1, index + 1);
        view.rangeConfirmed(g, status >= VI_SUCCESS);
        if (status != VI_SUCCESS && !report(status, setOutputRangeCall)) {
            cut(g + 1, 1);
            return;
        }
    }
    for (int n = 1; n <= qm7240fp_channelCount; ++n) {
        const int g = (n - 1) / qm7240fp_channelsPerGroup;
        if (!recall.write[n - 1] || groups[g].known != known_t::known)
            continue;
        const double value = recall.value[n - 1];
        if (!write(n, isCurrent(g) ? value / 1000.0 : value)) {
            cut(qm7240fp_groupCount, n + 1);
            return;
        }
    }
}

bool qm7240fp_cardFlows::readLamp(int index)
{
    ViUInt16 stat = 0;
    const ViStatus status = card.getDACStatus(index + 1, &stat);
    if (status == VI_SUCCESS) {
        view.lampRead(index, stat != 0);
        return true;
    }
    // Stopped until the user resumes: a card that cannot report its status
    // would otherwise bury the user in boxes. The lamps say so before the box.
    stopped = true;
    view.pollStopped();
    report(status, getDACStatusCall);
    return false;
}

bool qm7240fp_cardFlows::pollStep()
{
    int index = nextRead;
    while (index < qm7240fp_channelCount && !inPlay(index))
        ++index;
    if (stopped || index >= qm7240fp_channelCount || !readLamp(index)) {
        nextRead = 0;
        return false;
    }
    nextRead = index + 1;
    while (nextRead < qm7240fp_channelCount && !inPlay(nextRead))
        ++nextRead;
    if (nextRead < qm7240fp_channelCount)
        return true;
    nextRead = 0;
    return false;
}

void qm7240fp_cardFlows::resume()
{
    if (!stopped)
        return;
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        if (groups[g].known != known_t::notRead)
            continue;
        if (!readGroup(g))
            return;
        // The card's own range: Resume Monitoring writes nothing.
        if (groups[g].known == known_t::known && isCurrent(g)) {
            groups[g].rangeIndex = qm7240fp_currentRangeIndex(groups[g].lo, groups[g].hi);
            if (groups[g].rangeIndex < 0)
                groups[g].known = known_t::unfit;
        }
        if (groups[g].known != known_t::unreadable)
            view.groupRead(g, groups[g]);
    }
    for (int index = 0; index < qm7240fp_channelCount; ++index)
        if (inPlay(index) && !readLamp(index))
            return;
    stopped = false;
    nextRead = 0;
    view.pollResumed();
}

void qm7240fp_cardFlows::cardWasReset()
{
    // What the round under way read so far described the card before the reset.
    nextRead = 0;
    view.cardReset();
    bool goesOn = true;
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        // A group the panel never knew has no controls fit for whatever the
        // card may say now.
        if (groups[g].known != known_t::known)
            continue;
        const bool current = isCurrent(g);
        if (!goesOn) {
            // Not asked after a link failure: the card confirmed its reset,
            // which puts a current group on its first range; a voltage group
            // keeps the range it has.
            groups[g].rangeIndex = 0;
            view.groupRead(g, groups[g]);
            continue;
        }
        ViInt32 type = 0;
        ViReal64 lo = 0.0;
        ViReal64 hi = 0.0;
        const ViStatus status = card.getOutputRange(g + 1, &type, &lo, &hi);
        if (status != VI_SUCCESS) {
            groups[g] = qm7240fp_group_t();
            groups[g].known = known_t::unreadable;
            view.groupRead(g, groups[g]);
            goesOn = report(status, getOutputRangeCall);
            continue;
        }
        // A group does not change its type, and a current group's controls
        // only know three ranges: an answer that fits neither is shown as
        // what it is, and the group is left alone.
        const int index = current ? qm7240fp_currentRangeIndex(lo, hi) : -1;
        if (qm7240fp_isCurrentType(type) != current || (current && index < 0)) {
            groups[g].known = known_t::unfit;
            groups[g].type = type;
            groups[g].lo = lo;
            groups[g].hi = hi;
        } else if (current) {
            groups[g].rangeIndex = index;
        } else {
            groups[g].lo = lo;
            groups[g].hi = hi;
        }
        view.groupRead(g, groups[g]);
    }
}
