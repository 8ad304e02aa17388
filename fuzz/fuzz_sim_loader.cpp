// Any bytes as a simulation file: the loader gives either a system that keeps
// the file format's limits, or one error line naming the file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "sim_descriptor.h"
#include "sim_loader.h"

namespace {

const char fileName[] = "fuzz.yaml";

[[noreturn]] void broken(const char *what, const std::string &detail = std::string())
{
    std::fprintf(stderr, "fuzz_sim_loader: %s %s\n", what, detail.c_str());
    std::abort();
}

void check(bool condition, const char *what, const std::string &detail = std::string())
{
    if (!condition)
        broken(what, detail);
}

void checkCard(const sim::Card &card, int positions)
{
    check(card.position >= 1 && card.position <= positions, "card outside its carrier");
    check(card.model >= 1, "card without a model");
    check(card.subtype.size() < QM7240_SUBTYPE_LEN, "subtype too long for the driver's buffer");
    check(card.firmware.size() < QM7240_FIRMWARE_REV_LEN,
          "firmware text too long for the driver's buffer");
    check(card.callDelayMs >= 0 && card.callDelayMs <= sim::maxDelayMs, "call delay out of range");
    for (const sim::Group &g : card.groups) {
        if (g.voltage)
            check(std::isfinite(g.lo) && std::isfinite(g.hi) && g.lo < g.hi,
                  "voltage group limits not finite and increasing");
        else
            check(g.range == QM7240_RANGE_0_24MA, "current group not reset to its first range");
    }
    for (const double value : card.values)
        check(value == 0.0, "channel not reset to 0");
    for (const auto &rule : card.fail) {
        check(rule.second.channel >= 0 && rule.second.channel <= QM7240_CHANNELS,
              "fail rule channel out of range", rule.first);
        check(rule.second.group >= 0 && rule.second.group <= QM7240_GROUPS,
              "fail rule group out of range", rule.first);
        check(rule.second.channel == 0 || rule.second.group == 0,
              "fail rule with a channel and a group", rule.first);
        check(rule.second.after >= 0 && rule.second.passed == 0, "fail rule counters wrong",
              rule.first);
    }
}

void checkSystem(const sim::System &system)
{
    check(system.resources.size() <= sim::maxResources, "too many resources");
    std::set<std::string> canonicals;
    size_t cards = 0;
    for (size_t i = 0; i < system.resources.size(); ++i) {
        const sim::Resource &r = system.resources[i];
        check(!r.descriptor.empty() && r.descriptor.size() < VI_FIND_BUFLEN,
              "descriptor does not fit viFindRsrc's buffer", r.descriptor);
        const sim::DescriptorInfo info = sim::parseDescriptor(r.descriptor);
        check(info.valid && info.canonical == r.canonical, "canonical form differs", r.descriptor);
        check(canonicals.insert(r.canonical).second, "duplicate descriptor", r.descriptor);
        // viOpen must reach every listed resource by the descriptor it was listed with.
        check(system.find(r.descriptor) == int(i), "resource not found by its own descriptor",
              r.descriptor);
        check(r.openDelayMs >= 0 && r.openDelayMs <= sim::maxDelayMs, "open delay out of range");
        for (const std::string *text : {&r.tcpipAddress, &r.hostname, &r.deviceName})
            check(text->size() < VI_FIND_BUFLEN, "attribute text too long");
        const sim::Carrier &c = r.carrier;
        if (!r.hasCarrier) {
            check(c.cards.empty(), "cards without a carrier");
            continue;
        }
        check(c.positions >= 0 && c.positions <= QM6080_MAX_POSITIONS,
              "carrier positions out of range");
        int previous = 0;
        for (const sim::Card &card : c.cards) {
            check(card.position > previous, "cards not in strictly increasing positions");
            previous = card.position;
            checkCard(card, c.positions);
        }
        cards += c.cards.size();
    }
    check(cards <= sim::maxCards, "too many cards");
}

void checkError(const std::string &error)
{
    const std::string prefix = std::string(fileName) + ":";
    check(error.compare(0, prefix.size(), prefix) == 0, "error line does not name the file", error);
    check(error.size() > prefix.size() + 1, "error line without a message", error);
    check(error.find_first_of("\r\n") == std::string::npos, "error is more than one line", error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const sim::LoadResult result = sim::loadSystem(text, fileName);
    if (result.ok) {
        check(result.error.empty(), "a system and an error", result.error);
        checkSystem(result.system);
    } else {
        check(result.system.resources.empty(), "an error and resources");
        checkError(result.error);
    }
    return 0;
}
