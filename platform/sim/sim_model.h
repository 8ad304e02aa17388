// The simulated instrument system: resources, carriers, cards and the state of every card.
#ifndef SIM_MODEL_H
#define SIM_MODEL_H

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "qm6080.h"
#include "qm7240.h"
#include "visa.h"

namespace sim {

// One output group of a DAC card: a current group with a selectable range, or a voltage group
// with fixed limits in volts.
struct Group
{
    bool voltage = false;
    double lo = 0.0;
    double hi = 0.0;
    ViInt32 range = QM7240_RANGE_0_24MA; // current groups only
};

// A status injected into one driver operation of a card.
struct FailRule
{
    ViStatus status = 0;
    ViInt32 channel = 0; // 0: every channel
    ViInt32 group = 0;   // 0: every group
    long long after = 0; // matching calls that succeed before the rule strikes
    long long passed = 0;
    // qm7240_getOutputRange only: when the rule strikes, the driver reports this output type
    // and these limits (mA for a current group, V for a voltage group) instead of the truth.
    bool misreport = false;
    ViInt32 reportType = 0;
    double reportLo = 0.0;
    double reportHi = 0.0;
};

struct Card
{
    int position = 0; // counted from 1
    ViUInt16 model = 0;
    ViUInt16 option = 0; // high byte = first option character
    ViUInt32 serial = 0;
    std::string subtype = "AA";
    std::string firmware = "1.0.1.0";
    std::array<Group, QM7240_GROUPS> groups;
    std::array<double, QM7240_CHANNELS> values{};
    std::array<bool, QM7240_CHANNELS> openCircuit{};
    int callDelayMs = 0;
    std::map<std::string, FailRule> fail;

    // All channels 0, every current group back to 0 to 24 mA.
    void reset();
    Group &groupOfChannel(int channel) { return groups[static_cast<size_t>((channel - 1) / 4)]; }
};

struct Carrier
{
    ViUInt16 model = 0;
    int positions = 0;
    std::vector<Card> cards; // in position order, only occupied positions

    Card *card(int position);
};

// A window in which a resource's link is down, in milliseconds from the simulator's start.
struct LinkWindow
{
    long long afterMs = 0;
    long long forMs = 0;
    // What a call meets in it: VI_ERROR_TMO after VISA's timeout, or VI_ERROR_CONN_LOST at
    // once, as after a carrier's reboot closed the connection.
    ViStatus fails = VI_ERROR_TMO;
};

// The path from the computer to a carrier: a LAN, a bus or a bridge. Every call that needs the
// carrier goes through it.
struct Link
{
    int latencyMs = 0;    // added to every call while the link is up
    int timeoutMs = 2000; // VISA's I/O timeout: how long a call waits while the link is down
    std::vector<LinkWindow> down; // in time order, not overlapping

    // What a call that starts `nowMs` after the simulator's start costs: how long it waits (no
    // lock held), and the status it then fails with (VI_SUCCESS: none).
    struct Cost
    {
        int waitMs = 0;
        ViStatus fails = VI_SUCCESS;
    };
    Cost cost(double nowMs) const;
};

struct Resource
{
    std::string descriptor; // as the file writes it; listed by viFindRsrc
    std::string canonical;  // expanded spelling (sim_descriptor.h), what viOpen matches
    int openDelayMs = 0;
    ViStatus openStatus = VI_SUCCESS;
    bool hasSlot = false;
    ViInt16 slot = 0;
    bool hasLogicalAddress = false;
    ViInt16 logicalAddress = 0;
    bool hasTcpipAddress = false;
    std::string tcpipAddress;
    bool hasHostname = false;
    std::string hostname;
    bool hasDeviceName = false;
    std::string deviceName;
    bool hasCarrier = false;
    Carrier carrier;
    Link link;
};

struct System
{
    std::vector<Resource> resources; // in file order

    // Index of the resource a descriptor names (VISA matching), or -1.
    int find(const std::string &descriptor) const;
    // Index of the resource with this expanded spelling, or -1.
    int findCanonical(const std::string &canonical) const;
};

} // namespace sim

#endif
