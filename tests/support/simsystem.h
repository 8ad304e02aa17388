// The simulated system most suites and the benchmarks run on, written once.
#ifndef SIMSYSTEM_H
#define SIMSYSTEM_H

#include <QString>

// The DAC card in position 1 of a VXI carrier (model 6080, four positions) at
// VXI0::2::INSTR, slot 2, logical address 2; raw model code 0x4C5E, serial 0x1a2b.
struct SimDacCard
{
    QString groups = QStringLiteral("[current, current, {voltage: [-10, 10]}, {voltage: [0, 1]}]");
    QString subtype = QStringLiteral("AA");
    QString firmware = QStringLiteral("2.3.4.5");
    // More keys of the card's entry, as whole lines indented like its own
    // ("          open_circuit: [6]\n").
    QString extra;
};

// That system as a simulation file. `moreCards` continues the carrier's list
// of cards, `moreResources` the list of resources, both as whole lines.
inline QString simDacSystem(const SimDacCard &card = SimDacCard(),
                            const QString &moreCards = QString(),
                            const QString &moreResources = QString())
{
    return QStringLiteral("resources:\n"
                          "  - descriptor: \"VXI0::2::INSTR\"\n"
                          "    slot: 2\n"
                          "    logical_address: 2\n"
                          "    carrier:\n"
                          "      model: 6080\n"
                          "      positions: 4\n"
                          "      cards:\n"
                          "        - position: 1\n"
                          "          model: 0x4C5E\n"
                          "          serial: 0x1a2b\n"
                          "          subtype: \"%1\"\n"
                          "          firmware: \"%2\"\n"
                          "          groups: %3\n")
               .arg(card.subtype, card.firmware, card.groups) +
           card.extra + moreCards + moreResources;
}

#endif
