// The DAC card's instrument driver on the simulated instrument system.
#include "qm7240.h"

#include <cmath>
#include <cstring>

#include "sim_descriptor.h"
#include "sim_journal.h"
#include "sim_status.h"
#include "simulator.h"

using sim::CallRecord;
using sim::Card;
using sim::Session;
using sim::SessionKind;

namespace {

const char driverRevision[] = "qm7240 2.1.0.0 (sim)";
static_assert(sizeof driverRevision <= QM7240_DRIVER_REV_LEN, "driver revision fits");

struct CurrentRange
{
    double loMa;
    double hiMa;
};

CurrentRange currentRange(ViInt32 range)
{
    switch (range) {
    case QM7240_RANGE_0_20MA:
        return {0.0, 20.0};
    case QM7240_RANGE_4_20MA:
        return {4.0, 20.0};
    default:
        return {0.0, 24.0};
    }
}

bool servedModel(ViUInt16 model)
{
    return model == QM7240_RAW_MODEL_CODE || model == QM7240_MODEL_CODE;
}

// True when a `fail` entry of the simulation file strikes this call. A matching call that the
// entry lets pass counts toward its `after`.
bool injected(Card &card, const char *operation, ViInt32 channel, ViInt32 group, ViStatus &status,
              const sim::FailRule **struck = nullptr)
{
    const auto it = card.fail.find(operation);
    if (it == card.fail.end())
        return false;
    sim::FailRule &rule = it->second;
    if (rule.channel != 0 && rule.channel != channel)
        return false;
    if (rule.group != 0 && rule.group != group)
        return false;
    if (rule.passed < rule.after) {
        ++rule.passed;
        return false;
    }
    status = rule.status;
    if (struck != nullptr)
        *struck = &rule;
    return true;
}

ViInt32 groupOf(ViInt32 channel)
{
    return (channel - 1) / 4 + 1;
}

bool validChannel(ViInt32 channel)
{
    return channel >= 1 && channel <= QM7240_CHANNELS;
}

// Whether an operation needs the card over the link, or is the driver's own business: a close
// always frees its session, whatever became of the carrier.
enum class Reach { Card, Local };

// Runs one operation on the card behind a driver session: waits out the link's latency and the
// card's call delay with no lock held, then runs `op` on the locked model. While the carrier's
// link is down the call waits for VISA's timeout and fails with its status, as a driver passing
// VISA's status through does.
template <class Op> ViStatus onCard(CallRecord &rec, ViSession vi, Op op, Reach reach = Reach::Card)
{
    rec.set("session", static_cast<long long>(vi));
    int delay = 0;
    sim::Link::Cost link;
    {
        auto state = sim::Simulator::access();
        const Session *session = state->find(vi, SessionKind::Driver);
        const Card *card = session != nullptr ? state->card(*session) : nullptr;
        if (card == nullptr)
            return rec.finish(VI_ERROR_INV_OBJECT);
        delay = card->callDelayMs;
        if (reach == Reach::Card)
            link = state->linkCost(session->resource);
    }
    if (const ViStatus down = sim::crossLink(link, delay); down != VI_SUCCESS)
        return rec.finish(down);
    auto state = sim::Simulator::access();
    const Session *session = state->find(vi, SessionKind::Driver);
    Card *card = session != nullptr ? state->card(*session) : nullptr;
    if (card == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT); // closed by another thread meanwhile
    return rec.finish(op(*state, *card));
}

std::string firstDescriptor(const char *text)
{
    // The panel may hand over several descriptors joined by ","; the first names the carrier.
    std::string descriptor(text, strnlen(text, 4096));
    const size_t comma = descriptor.find(',');
    if (comma != std::string::npos)
        descriptor.erase(comma);
    const size_t first = descriptor.find_first_not_of(" \t");
    const size_t last = descriptor.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : descriptor.substr(first, last - first + 1);
}

} // namespace

extern "C" {

ViStatus qm7240_init(ViConstRsrc rsrcName, ViUInt16 fcNumber, ViBoolean idQuery,
                     ViBoolean resetInstr, ViSession *vi)
{
    CallRecord rec("qm7240_init");
    rec.setText("rsrc", rsrcName);
    rec.set("fc", static_cast<long long>(fcNumber));
    rec.set("id_query", static_cast<long long>(idQuery));
    rec.set("reset", static_cast<long long>(resetInstr));
    if (vi == nullptr || rsrcName == nullptr)
        return rec.finish(QM7240_ERROR_NULL_POINTER);
    // The session is journalled only once it is open: a driver promises
    // nothing about *vi on failure, and the program's trace says the same.
    *vi = VI_NULL;
    const std::string descriptor = firstDescriptor(rsrcName);
    int resource = -1;
    int delay = 0;
    ViStatus openStatus = VI_SUCCESS;
    sim::Link::Cost link;
    {
        auto state = sim::Simulator::access();
        if (!state->ready)
            return rec.finish(VI_ERROR_SYSTEM_ERROR);
        if (!sim::parseDescriptor(descriptor).valid)
            return rec.finish(VI_ERROR_INV_RSRC_NAME);
        resource = state->system.find(descriptor);
        if (resource < 0)
            return rec.finish(VI_ERROR_RSRC_NFOUND);
        delay = state->system.resources[size_t(resource)].openDelayMs;
        openStatus = state->system.resources[size_t(resource)].openStatus;
        link = state->linkCost(resource);
    }
    if (const ViStatus down = sim::crossLink(link, delay); down != VI_SUCCESS)
        return rec.finish(down);
    if (openStatus < VI_SUCCESS)
        return rec.finish(openStatus);
    {
        auto state = sim::Simulator::access();
        sim::Resource &r = state->system.resources[size_t(resource)];
        if (!r.hasCarrier)
            return rec.finish(QM7240_ERROR_NO_CARRIER);
        if (fcNumber < 1 || fcNumber > r.carrier.positions)
            return rec.finish(QM7240_ERROR_INV_FC_NUMBER);
        const Card *card = r.carrier.card(fcNumber);
        if (card == nullptr)
            return rec.finish(QM7240_ERROR_NO_CARD);
        if (idQuery != VI_FALSE && !servedModel(card->model))
            return rec.finish(VI_ERROR_FAIL_ID_QUERY);
        delay = card->callDelayMs;
    }
    sim::sleepMs(delay);
    auto state = sim::Simulator::access();
    Card *card = state->system.resources[size_t(resource)].carrier.card(fcNumber);
    ViStatus status = VI_SUCCESS;
    if (injected(*card, "qm7240_init", 0, 0, status))
        return rec.finish(status);
    if (resetInstr != VI_FALSE)
        card->reset();
    Session session;
    session.kind = SessionKind::Driver;
    session.resource = resource;
    session.card = fcNumber;
    *vi = state->add(session);
    rec.set("session", static_cast<long long>(*vi));
    return rec.finish(openStatus);
}

ViStatus qm7240_close(ViSession vi)
{
    CallRecord rec("qm7240_close");
    return onCard(
        rec, vi,
        [vi](sim::State &state, Card &card) {
            ViStatus status = VI_SUCCESS;
            if (injected(card, "qm7240_close", 0, 0, status))
                return status;
            state.sessions.erase(vi);
            return VI_SUCCESS;
        },
        Reach::Local);
}

ViStatus qm7240_reset(ViSession vi)
{
    CallRecord rec("qm7240_reset");
    return onCard(rec, vi, [](sim::State &, Card &card) {
        ViStatus status = VI_SUCCESS;
        if (injected(card, "qm7240_reset", 0, 0, status))
            return status;
        card.reset();
        return VI_SUCCESS;
    });
}

ViStatus qm7240_error_message(ViSession vi, ViStatus status, ViChar message[])
{
    CallRecord rec("qm7240_error_message");
    rec.set("session", static_cast<long long>(vi));
    rec.set("code", static_cast<long long>(status));
    if (message == nullptr)
        return rec.finish(QM7240_ERROR_NULL_POINTER);
    const sim::StatusEntry *entry = sim::findStatus(status);
    const std::string text = entry != nullptr ? entry->text : sim::unknownStatusText(status);
    sim::copyText(message, QM7240_ERROR_MESSAGE_LEN, text);
    rec.set("message", text);
    return rec.finish(entry != nullptr ? VI_SUCCESS : QM7240_WARN_UNKNOWN_STATUS);
}

ViStatus qm7240_revision_query(ViSession vi, ViChar driverRev[], ViChar firmwareRev[])
{
    CallRecord rec("qm7240_revision_query");
    if (driverRev == nullptr) {
        rec.set("session", static_cast<long long>(vi));
        return rec.finish(QM7240_ERROR_NULL_POINTER);
    }
    if (vi == VI_NULL) {
        rec.set("session", 0LL);
        sim::copyText(driverRev, QM7240_DRIVER_REV_LEN, driverRevision);
        if (firmwareRev != nullptr)
            firmwareRev[0] = '\0';
        rec.set("driver_rev", std::string(driverRevision));
        return rec.finish(VI_SUCCESS);
    }
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        ViStatus status = VI_SUCCESS;
        if (injected(card, "qm7240_revision_query", 0, 0, status))
            return status;
        sim::copyText(driverRev, QM7240_DRIVER_REV_LEN, driverRevision);
        rec.set("driver_rev", std::string(driverRevision));
        if (firmwareRev != nullptr) {
            sim::copyText(firmwareRev, QM7240_FIRMWARE_REV_LEN, card.firmware);
            rec.set("firmware_rev", card.firmware);
        }
        return VI_SUCCESS;
    });
}

ViStatus qm7240_readSerialNo(ViSession vi, ViUInt32 *serialNumber, ViChar subtype[])
{
    CallRecord rec("qm7240_readSerialNo");
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        if (serialNumber == nullptr || subtype == nullptr)
            return QM7240_ERROR_NULL_POINTER;
        ViStatus status = VI_SUCCESS;
        if (injected(card, "qm7240_readSerialNo", 0, 0, status))
            return status;
        *serialNumber = card.serial;
        sim::copyText(subtype, QM7240_SUBTYPE_LEN, card.subtype);
        rec.set("serial", static_cast<long long>(card.serial));
        rec.set("subtype", card.subtype);
        return VI_SUCCESS;
    });
}

ViStatus qm7240_getOutputRange(ViSession vi, ViInt32 group, ViInt32 *outputType,
                               ViReal64 *lowerLimit, ViReal64 *upperLimit)
{
    CallRecord rec("qm7240_getOutputRange");
    rec.set("group", static_cast<long long>(group));
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        if (group < 1 || group > QM7240_GROUPS)
            return QM7240_ERROR_INV_GROUP;
        if (outputType == nullptr || lowerLimit == nullptr || upperLimit == nullptr)
            return QM7240_ERROR_NULL_POINTER;
        ViStatus status = VI_SUCCESS;
        const sim::FailRule *rule = nullptr;
        if (injected(card, "qm7240_getOutputRange", 0, group, status, &rule)) {
            if (!rule->misreport)
                return status;
            *outputType = rule->reportType;
            *lowerLimit = rule->reportLo;
            *upperLimit = rule->reportHi;
            rec.set("type", static_cast<long long>(*outputType));
            rec.set("lo", *lowerLimit);
            rec.set("hi", *upperLimit);
            return status;
        }
        const sim::Group &g = card.groups[size_t(group - 1)];
        if (g.voltage) {
            *outputType = QM7240_OUTPUT_VOLTAGE;
            *lowerLimit = g.lo;
            *upperLimit = g.hi;
        } else {
            const CurrentRange range = currentRange(g.range);
            *outputType = QM7240_OUTPUT_CURRENT;
            *lowerLimit = range.loMa;
            *upperLimit = range.hiMa;
        }
        rec.set("type", static_cast<long long>(*outputType));
        rec.set("lo", *lowerLimit);
        rec.set("hi", *upperLimit);
        return VI_SUCCESS;
    });
}

ViStatus qm7240_setOutputRange(ViSession vi, ViInt32 group, ViInt32 range)
{
    CallRecord rec("qm7240_setOutputRange");
    rec.set("group", static_cast<long long>(group));
    rec.set("range", static_cast<long long>(range));
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        if (group < 1 || group > QM7240_GROUPS)
            return QM7240_ERROR_INV_GROUP;
        sim::Group &g = card.groups[size_t(group - 1)];
        if (g.voltage)
            return QM7240_ERROR_NOT_CURRENT_GROUP;
        if (range < QM7240_RANGE_0_24MA || range > QM7240_RANGE_4_20MA)
            return QM7240_ERROR_INV_RANGE;
        ViStatus status = VI_SUCCESS;
        if (injected(card, "qm7240_setOutputRange", 0, group, status))
            return status;
        g.range = range;
        return VI_SUCCESS;
    });
}

ViStatus qm7240_writeChannel(ViSession vi, ViInt32 channel, ViReal64 value)
{
    CallRecord rec("qm7240_writeChannel");
    rec.set("channel", static_cast<long long>(channel));
    rec.set("value", value);
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        if (!validChannel(channel))
            return QM7240_ERROR_INV_CHANNEL;
        const sim::Group &g = card.groupOfChannel(channel);
        double lo = g.lo;
        double hi = g.hi;
        if (!g.voltage) {
            const CurrentRange range = currentRange(g.range);
            lo = range.loMa / 1000.0;
            hi = range.hiMa / 1000.0;
        }
        const double halfLsb = (hi - lo) / 65535.0 / 2.0;
        if (!(value >= lo - halfLsb && value <= hi + halfLsb))
            return QM7240_ERROR_VALUE_RANGE; // also refuses NaN
        ViStatus status = VI_SUCCESS;
        if (injected(card, "qm7240_writeChannel", channel, groupOf(channel), status))
            return status;
        card.values[size_t(channel - 1)] = std::fmin(std::fmax(value, lo), hi);
        return VI_SUCCESS;
    });
}

ViStatus qm7240_getDACStatus(ViSession vi, ViInt32 channel, ViUInt16 *status)
{
    CallRecord rec("qm7240_getDACStatus");
    rec.set("channel", static_cast<long long>(channel));
    return onCard(rec, vi, [&](sim::State &, Card &card) {
        if (!validChannel(channel))
            return QM7240_ERROR_INV_CHANNEL;
        if (status == nullptr)
            return QM7240_ERROR_NULL_POINTER;
        ViStatus result = VI_SUCCESS;
        if (injected(card, "qm7240_getDACStatus", channel, groupOf(channel), result))
            return result;
        const size_t index = size_t(channel - 1);
        const bool error = !card.groupOfChannel(channel).voltage && card.openCircuit[index] &&
                           card.values[index] != 0.0;
        *status = error ? 1 : 0;
        rec.set("stat", static_cast<long long>(*status));
        return VI_SUCCESS;
    });
}

} // extern "C"
