#include "sim_loader.h"

namespace sim {

namespace {

// The system a user sees without a simulation file: a VXI resource without a carrier, a VXI
// carrier with a DAC card (one open-circuit channel, a 0 to 1 V group) beside a card of another
// model, and a network carrier with DAC cards in positions 1 and 3.
const char defaultSystemText[] = R"(
resources:
  - descriptor: "VXI0::1::INSTR"
    slot: 1
    logical_address: 1
  - descriptor: "VXI0::2::INSTR"
    slot: 2
    logical_address: 2
    carrier:
      model: 6080
      positions: 4
      cards:
        - position: 1
          model: 0x4C5E
          serial: 0x1a2b
          subtype: "AA"
          firmware: "1.0.1.0"
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]
          open_circuit: [6]
        - position: 2
          model: 0x5E93
  - descriptor: "TCPIP0::192.168.2.100::INSTR"
    tcpip_address: "192.168.2.100"
    hostname: "lxi-carrier"
    device_name: "inst0"
    carrier:
      model: 1864
      positions: 4
      cards:
        - position: 1
          model: 0x7240
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [-10, 10]}]
        - position: 3
          model: 0x7240
          groups: [current, current, {voltage: [-10, 10]}, {voltage: [-10, 10]}]
)";

} // namespace

LoadResult loadDefaultSystem()
{
    return loadSystem(defaultSystemText, "<built-in system>");
}

} // namespace sim
