// The common library of the carriers on the simulated instrument system.
#include "qm6080.h"

#include <array>
#include <mutex>
#include <new>
#include <set>

#include "sim_journal.h"
#include "sim_status.h"
#include "simulator.h"

using sim::CallRecord;

namespace {

constexpr ViInt32 lastRegisterOffset = 0xFE;
constexpr ViInt32 optionOffset = 0xFC;

// The library's own state behind the public context; the public part comes first, so a pointer
// to one is a pointer to the other.
struct CarrierContext
{
    qm6080_carrierContext context;
    qm6080_carrierInfo info;
    std::array<qm6080_accessTable, 2> tables;
    std::array<ViUInt16, QM6080_MAX_POSITIONS> options;
    ViSession session;
};
static_assert(offsetof(CarrierContext, context) == 0, "public context first");

// Contexts this library opened and not yet closed; a caller's pointer is checked against it.
std::mutex contextsMutex;
std::set<const qm6080_carrierContext *> openContexts;

CarrierContext *liveContext(qm6080_carrierContext *context)
{
    std::lock_guard<std::mutex> guard(contextsMutex);
    return openContexts.count(context) != 0 ? reinterpret_cast<CarrierContext *>(context) : nullptr;
}

// Reads the 16-bit register at `offset` of card `card`: 0x00 holds the model code, 0xFC the
// option word, every other even offset reads 0.
ViStatus readRegister(const char *call, qm6080_carrierContext *context, ViInt32 card,
                      ViInt32 offset, ViUInt16 *value, bool withOption)
{
    CallRecord rec(call);
    rec.set("card", static_cast<long long>(card));
    rec.set("offset", static_cast<long long>(offset));
    CarrierContext *c = liveContext(context);
    if (c == nullptr)
        return rec.finish(QM6080_ERROR_INV_CONTEXT);
    if (value == nullptr)
        return rec.finish(QM6080_ERROR_NULL_POINTER);
    if (card < 1 || card > c->info.cardCount || c->info.modelCodes[card - 1] == 0)
        return rec.finish(QM6080_ERROR_INV_CARD);
    if (offset < 0 || offset > lastRegisterOffset || offset % 2 != 0)
        return rec.finish(QM6080_ERROR_INV_OFFSET);
    // A register lives on the carrier: the read crosses the link, no lock held.
    const sim::Link::Cost link = sim::Simulator::access()->sessionLinkCost(c->session);
    if (const ViStatus down = sim::crossLink(link); down != VI_SUCCESS)
        return rec.finish(down);
    ViUInt16 word = 0;
    if (offset == 0)
        word = c->info.modelCodes[card - 1];
    else if (offset == optionOffset && withOption)
        word = c->options[size_t(card - 1)];
    *value = word;
    rec.set("value", static_cast<long long>(word));
    return rec.finish(VI_SUCCESS);
}

ViStatus readControlSpace(qm6080_carrierContext *context, ViInt32 card, ViInt32 offset,
                          ViUInt16 *value)
{
    return readRegister("qm6080_readControl", context, card, offset, value, false);
}

ViStatus readConfigurationSpace(qm6080_carrierContext *context, ViInt32 card, ViInt32 offset,
                                ViUInt16 *value)
{
    return readRegister("qm6080_readConfiguration", context, card, offset, value, true);
}

qm6080_accessTable *accessTable(qm6080_carrierContext *context, ViInt32 a, ViInt32 b)
{
    CallRecord rec("qm6080_access");
    rec.set("a", static_cast<long long>(a));
    rec.set("b", static_cast<long long>(b));
    CarrierContext *c = liveContext(context);
    qm6080_accessTable *table = nullptr;
    if (c != nullptr && b == 1 && (a == 0 || a == 1))
        table = &c->tables[size_t(a)];
    rec.set("found", static_cast<long long>(table != nullptr));
    rec.finish(c == nullptr ? QM6080_ERROR_INV_CONTEXT : VI_SUCCESS);
    return table;
}

// What a failed open leaves in the caller's pointer. A vendor library promises the pointer only
// with a status that is not negative and may leave a stale one behind; this one leaves a pointer
// it never handed out, so a caller that closes it after a failure shows in the journal (the close
// answers QM6080_ERROR_INV_CONTEXT) instead of freeing memory twice.
qm6080_carrierContext *staleContext()
{
    static qm6080_carrierContext stale{};
    return &stale;
}

} // namespace

extern "C" {

ViStatus qm6080_revisionText(ViChar revision[])
{
    CallRecord rec("qm6080_revisionText");
    if (revision == nullptr)
        return rec.finish(QM6080_ERROR_NULL_POINTER);
    const std::string text = "qm6080 3.2.1.0 (simulated)";
    sim::copyText(revision, 40, text);
    rec.set("revision", text);
    return rec.finish(VI_SUCCESS);
}

ViStatus qm6080_openCarrier(ViSession vi, qm6080_carrierContext **context)
{
    CallRecord rec("qm6080_openCarrier");
    rec.set("session", static_cast<long long>(vi));
    if (context == nullptr)
        return rec.finish(QM6080_ERROR_NULL_POINTER);
    *context = staleContext();
    CarrierContext *c = new (std::nothrow) CarrierContext{};
    if (c == nullptr)
        return rec.finish(VI_ERROR_ALLOC);
    // Reading the carrier's information block crosses the link; the lock is
    // let go before the wait.
    const sim::Link::Cost link = sim::Simulator::access()->sessionLinkCost(vi);
    if (const ViStatus down = sim::crossLink(link); down != VI_SUCCESS) {
        delete c;
        return rec.finish(down);
    }
    {
        auto state = sim::Simulator::access();
        const sim::Session *session = state->findResourceSession(vi);
        const sim::Resource *r = session != nullptr ? state->resource(*session) : nullptr;
        if (r == nullptr || !r->hasCarrier) {
            delete c;
            return rec.finish(r == nullptr ? VI_ERROR_INV_OBJECT : QM6080_ERROR_NO_CARRIER);
        }
        c->info.cardCount = r->carrier.positions;
        c->info.carrierModel = r->carrier.model;
        for (const sim::Card &card : r->carrier.cards) {
            c->info.modelCodes[card.position - 1] = card.model;
            c->options[size_t(card.position - 1)] = card.option;
        }
    }
    c->session = vi;
    c->context.info = &c->info;
    c->context.access = accessTable;
    c->tables[0].read = readControlSpace;
    c->tables[1].read = readConfigurationSpace;
    {
        std::lock_guard<std::mutex> guard(contextsMutex);
        openContexts.insert(&c->context);
    }
    *context = &c->context;
    rec.set("model", static_cast<long long>(c->info.carrierModel));
    rec.set("count", static_cast<long long>(c->info.cardCount));
    return rec.finish(VI_SUCCESS);
}

ViStatus qm6080_closeCarrier(qm6080_carrierContext **context)
{
    CallRecord rec("qm6080_closeCarrier");
    if (context == nullptr)
        return rec.finish(QM6080_ERROR_NULL_POINTER);
    {
        std::lock_guard<std::mutex> guard(contextsMutex);
        if (*context == nullptr || openContexts.erase(*context) == 0)
            return rec.finish(QM6080_ERROR_INV_CONTEXT);
    }
    delete reinterpret_cast<CarrierContext *>(*context);
    *context = nullptr;
    return rec.finish(VI_SUCCESS);
}

ViStatus qm6080_statusText(ViStatus status, ViChar text[])
{
    CallRecord rec("qm6080_statusText");
    rec.set("code", static_cast<long long>(status));
    if (text == nullptr)
        return rec.finish(QM6080_ERROR_NULL_POINTER);
    const sim::StatusEntry *entry = sim::findStatus(status);
    const std::string description = entry != nullptr ? entry->text : sim::unknownStatusText(status);
    sim::copyText(text, 1024, description);
    rec.set("text", description);
    return rec.finish(entry != nullptr ? VI_SUCCESS : VI_WARN_UNKNOWN_STATUS);
}

} // extern "C"
