// The VISA subset on the simulated instrument system.
#include "visa.h"

#include <cstring>

#include "sim_descriptor.h"
#include "sim_journal.h"
#include "sim_status.h"
#include "simulator.h"
#include "visa_expression.h"

using sim::CallRecord;
using sim::Session;
using sim::SessionKind;

namespace {

constexpr ViAccessMode knownModes = VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG;

// A caller's resource name, read no further than a VISA name can reach: one without its end
// within VI_FIND_BUFLEN bytes is too long, and the reader refuses it.
sim::DescriptorInfo readName(ViConstRsrc name)
{
    return sim::parseDescriptor(std::string(name, strnlen(name, VI_FIND_BUFLEN)));
}

// viParseRsrc and viParseRsrcEx: the texts are null for viParseRsrc.
ViStatus parseResource(CallRecord &rec, ViSession rm, ViConstRsrc name, ViUInt16 *intfType,
                       ViUInt16 *intfNum, ViChar *rsrcClass, ViChar *expanded, ViChar *alias)
{
    rec.set("session", static_cast<long long>(rm));
    rec.setText("rsrc", name);
    for (ViChar *text : {rsrcClass, expanded, alias})
        if (text != nullptr)
            text[0] = '\0';
    if (intfType != nullptr)
        *intfType = 0;
    if (intfNum != nullptr)
        *intfNum = 0;
    auto state = sim::Simulator::access();
    if (state->find(rm, SessionKind::ResourceManager) == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT);
    if (name == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    const sim::DescriptorInfo info = readName(name);
    if (!info.valid)
        return rec.finish(VI_ERROR_INV_RSRC_NAME);
    if (state->system.findCanonical(info.canonical) < 0)
        return rec.finish(VI_ERROR_RSRC_NFOUND);
    if (intfType != nullptr)
        *intfType = info.interfaceType;
    if (intfNum != nullptr)
        *intfNum = info.board;
    rec.set("intf_type", static_cast<long long>(info.interfaceType));
    rec.set("intf_num", static_cast<long long>(info.board));
    if (rsrcClass != nullptr || expanded != nullptr || alias != nullptr) {
        // The reader refuses names whose expanded form would not fit these buffers.
        if (rsrcClass != nullptr)
            sim::copyText(rsrcClass, VI_FIND_BUFLEN, info.resourceClass);
        if (expanded != nullptr)
            sim::copyText(expanded, VI_FIND_BUFLEN, info.canonical);
        rec.set("rsrc_class", info.resourceClass);
        rec.set("expanded_name", info.canonical);
        rec.set("alias", std::string());
    }
    return rec.finish(VI_SUCCESS);
}

// viDisableEvent and viDiscardEvents: the system raises no events, so there is nothing to stop
// or discard; the arguments are checked as VISA checks them.
ViStatus eventCall(CallRecord &rec, ViSession vi, ViEventType eventType, ViUInt16 mechanism,
                   ViStatus done)
{
    rec.set("session", static_cast<long long>(vi));
    rec.set("event_type", static_cast<long long>(eventType));
    rec.set("mechanism", static_cast<long long>(mechanism));
    // On an instrument session the call reaches the device: it crosses the
    // link, with the lock let go.
    const sim::Link::Cost link = sim::Simulator::access()->sessionLinkCost(vi);
    if (const ViStatus down = sim::crossLink(link); down != VI_SUCCESS)
        return rec.finish(down);
    auto state = sim::Simulator::access();
    if (state->findResourceSession(vi) == nullptr &&
        state->find(vi, SessionKind::ResourceManager) == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT);
    if (eventType != VI_ALL_ENABLED_EVENTS)
        return rec.finish(VI_ERROR_INV_EVENT);
    const ViUInt16 mechanisms = VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR;
    if (mechanism != VI_ALL_MECH && (mechanism == 0 || (mechanism & ~mechanisms) != 0))
        return rec.finish(VI_ERROR_INV_MECH);
    return rec.finish(done);
}

} // namespace

extern "C" {

ViStatus viOpenDefaultRM(ViSession *rm)
{
    CallRecord rec("viOpenDefaultRM");
    if (rm == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    *rm = VI_NULL;
    auto state = sim::Simulator::access();
    if (!state->ready) {
        rec.set("session", 0LL);
        return rec.finish(VI_ERROR_SYSTEM_ERROR);
    }
    Session session;
    session.kind = SessionKind::ResourceManager;
    *rm = state->add(session);
    rec.set("session", static_cast<long long>(*rm));
    return rec.finish(VI_SUCCESS);
}

ViStatus viFindRsrc(ViSession rm, ViConstString expr, ViFindList *list, ViUInt32 *count,
                    ViChar desc[])
{
    CallRecord rec("viFindRsrc");
    rec.set("session", static_cast<long long>(rm));
    rec.setText("expr", expr);
    if (list != nullptr)
        *list = VI_NULL;
    if (count != nullptr)
        *count = 0;
    if (expr == nullptr || desc == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    desc[0] = '\0';
    const visa::ResourceExpression expression(expr);
    auto state = sim::Simulator::access();
    const Session *manager = state->find(rm, SessionKind::ResourceManager);
    if (manager == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT);
    if (!expression.isValid())
        return rec.finish(VI_ERROR_INV_EXPR);
    Session found;
    found.kind = SessionKind::FindList;
    found.rm = rm;
    // VISA matches the expression against its own spelling of each name, so "?*::INSTR" finds
    // a resource the file writes as TCPIP0::h; the file's spelling finds what it always found.
    for (const sim::Resource &r : state->system.resources)
        if (expression.matches(r.descriptor) || expression.matches(r.canonical))
            found.found.push_back(r.descriptor);
    rec.set("count", static_cast<long long>(found.found.size()));
    if (found.found.empty())
        return rec.finish(VI_ERROR_RSRC_NFOUND);
    sim::copyText(desc, VI_FIND_BUFLEN, found.found.front());
    rec.set("desc", found.found.front());
    if (count != nullptr)
        *count = static_cast<ViUInt32>(found.found.size());
    if (list != nullptr) {
        found.next = 1;
        *list = state->add(found);
        rec.set("list", static_cast<long long>(*list));
    }
    return rec.finish(VI_SUCCESS);
}

ViStatus viFindNext(ViFindList list, ViChar desc[])
{
    CallRecord rec("viFindNext");
    rec.set("list", static_cast<long long>(list));
    if (desc == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    desc[0] = '\0';
    auto state = sim::Simulator::access();
    Session *found = state->find(list, SessionKind::FindList);
    if (found == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT);
    if (found->next >= found->found.size())
        return rec.finish(VI_ERROR_RSRC_NFOUND);
    const std::string &next = found->found[found->next++];
    sim::copyText(desc, VI_FIND_BUFLEN, next);
    rec.set("desc", next);
    return rec.finish(VI_SUCCESS);
}

ViStatus viParseRsrc(ViSession rm, ViConstRsrc name, ViUInt16 *intfType, ViUInt16 *intfNum)
{
    CallRecord rec("viParseRsrc");
    return parseResource(rec, rm, name, intfType, intfNum, nullptr, nullptr, nullptr);
}

ViStatus viParseRsrcEx(ViSession rm, ViConstRsrc name, ViUInt16 *intfType, ViUInt16 *intfNum,
                       ViChar rsrcClass[], ViChar expandedUnaliasedName[], ViChar aliasIfExists[])
{
    CallRecord rec("viParseRsrcEx");
    return parseResource(rec, rm, name, intfType, intfNum, rsrcClass, expandedUnaliasedName,
                         aliasIfExists);
}

ViStatus viOpen(ViSession rm, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout, ViSession *vi)
{
    CallRecord rec("viOpen");
    rec.set("rm", static_cast<long long>(rm));
    rec.setText("rsrc", name);
    rec.set("mode", static_cast<long long>(mode));
    rec.set("timeout", static_cast<long long>(timeout));
    if (vi == nullptr || name == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    *vi = VI_NULL;
    int resource = -1;
    int delay = 0;
    ViStatus openStatus = VI_SUCCESS;
    sim::Link::Cost link;
    {
        auto state = sim::Simulator::access();
        if (state->find(rm, SessionKind::ResourceManager) == nullptr)
            return rec.finish(VI_ERROR_INV_OBJECT);
        if ((mode & ~knownModes) != 0 ||
            ((mode & VI_EXCLUSIVE_LOCK) != 0 && (mode & VI_SHARED_LOCK) != 0))
            return rec.finish(VI_ERROR_INV_ACC_MODE);
        const sim::DescriptorInfo info = readName(name);
        if (!info.valid)
            return rec.finish(VI_ERROR_INV_RSRC_NAME);
        resource = state->system.findCanonical(info.canonical);
        if (resource < 0)
            return rec.finish(VI_ERROR_RSRC_NFOUND);
        const sim::Resource &r = state->system.resources[size_t(resource)];
        delay = r.openDelayMs;
        openStatus = r.openStatus;
        link = state->linkCost(resource);
    }
    // Many threads wait out their open delays side by side: no lock is held while sleeping.
    if (const ViStatus down = sim::crossLink(link, delay); down != VI_SUCCESS)
        return rec.finish(down);
    if (openStatus < VI_SUCCESS)
        return rec.finish(openStatus);
    auto state = sim::Simulator::access();
    if (state->find(rm, SessionKind::ResourceManager) == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT); // closed by another thread meanwhile
    Session session;
    session.kind = SessionKind::Instrument;
    session.rm = rm;
    session.resource = resource;
    *vi = state->add(session);
    rec.set("session", static_cast<long long>(*vi));
    return rec.finish(openStatus);
}

ViStatus viClose(ViObject vi)
{
    CallRecord rec("viClose");
    rec.set("session", static_cast<long long>(vi));
    if (vi == VI_NULL)
        return rec.finish(VI_WARN_NULL_OBJECT);
    auto state = sim::Simulator::access();
    const auto it = state->sessions.find(vi);
    if (it == state->sessions.end())
        return rec.finish(VI_ERROR_INV_OBJECT);
    if (it->second.kind == SessionKind::ResourceManager) {
        // Closing the resource manager closes everything opened through it.
        for (auto child = state->sessions.begin(); child != state->sessions.end();) {
            if (child->second.rm == vi && child->second.kind != SessionKind::Driver)
                child = state->sessions.erase(child);
            else
                ++child;
        }
    }
    state->sessions.erase(vi);
    return rec.finish(VI_SUCCESS);
}

ViStatus viGetAttribute(ViObject vi, ViAttr attr, void *value)
{
    CallRecord rec("viGetAttribute");
    rec.set("session", static_cast<long long>(vi));
    rec.set("attr", static_cast<long long>(attr));
    if (value == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    // The lock is let go before the wait.
    const sim::Link::Cost link = sim::Simulator::access()->sessionLinkCost(vi);
    if (const ViStatus down = sim::crossLink(link); down != VI_SUCCESS)
        return rec.finish(down);
    auto state = sim::Simulator::access();
    const Session *session = state->findResourceSession(vi);
    if (session == nullptr)
        return rec.finish(state->sessions.count(vi) != 0 ? VI_ERROR_NSUP_ATTR
                                                         : VI_ERROR_INV_OBJECT);
    const sim::Resource *r = state->resource(*session);
    if (r == nullptr)
        return rec.finish(VI_ERROR_INV_OBJECT);
    const sim::DescriptorInfo info = sim::parseDescriptor(r->descriptor);
    auto setUInt16 = [&](ViUInt16 v) {
        *static_cast<ViUInt16 *>(value) = v;
        rec.set("value", static_cast<long long>(v));
        return rec.finish(VI_SUCCESS);
    };
    auto setInt16 = [&](bool present, ViInt16 v) {
        if (!present)
            return rec.finish(VI_ERROR_NSUP_ATTR);
        *static_cast<ViInt16 *>(value) = v;
        rec.set("value", static_cast<long long>(v));
        return rec.finish(VI_SUCCESS);
    };
    auto setText = [&](bool present, const std::string &text) {
        if (!present)
            return rec.finish(VI_ERROR_NSUP_ATTR);
        sim::copyText(static_cast<ViChar *>(value), 256, text);
        rec.set("value", text);
        return rec.finish(VI_SUCCESS);
    };
    switch (attr) {
    case VI_ATTR_INTF_TYPE:
        return setUInt16(info.interfaceType);
    case VI_ATTR_INTF_NUM:
        return setUInt16(info.board);
    case VI_ATTR_SLOT:
        return setInt16(r->hasSlot, r->slot);
    case VI_ATTR_VXI_LA:
        return setInt16(r->hasLogicalAddress, r->logicalAddress);
    case VI_ATTR_TCPIP_ADDR:
        return setText(r->hasTcpipAddress, r->tcpipAddress);
    case VI_ATTR_TCPIP_HOSTNAME:
        return setText(r->hasHostname, r->hostname);
    case VI_ATTR_TCPIP_DEVICE_NAME:
        return setText(r->hasDeviceName, r->deviceName);
    case VI_ATTR_RSRC_NAME:
        return setText(true, r->descriptor);
    case VI_ATTR_RSRC_CLASS:
        return setText(true, info.resourceClass);
    default:
        return rec.finish(VI_ERROR_NSUP_ATTR);
    }
}

ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism)
{
    CallRecord rec("viDisableEvent");
    return eventCall(rec, vi, eventType, mechanism, VI_SUCCESS);
}

ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism)
{
    CallRecord rec("viDiscardEvents");
    return eventCall(rec, vi, eventType, mechanism, VI_SUCCESS_QUEUE_EMPTY);
}

ViStatus viStatusDesc(ViObject vi, ViStatus status, ViChar desc[])
{
    CallRecord rec("viStatusDesc");
    rec.set("session", static_cast<long long>(vi));
    rec.set("code", static_cast<long long>(status));
    if (desc == nullptr)
        return rec.finish(VI_ERROR_INV_PARAMETER);
    const sim::StatusEntry *entry = sim::findStatus(status);
    const bool known = entry != nullptr && entry->source == sim::StatusSource::Visa;
    const std::string text = known ? entry->text : sim::unknownStatusText(status);
    sim::copyText(desc, 256, text);
    rec.set("desc", text);
    return rec.finish(known ? VI_SUCCESS : VI_WARN_UNKNOWN_STATUS);
}

} // extern "C"
