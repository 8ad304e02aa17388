// Any bytes as a setup file: reading never fails other than with a message
// naming the line and the reason; a file that is read has every value inside
// its range, and what it holds, written as a setup again, reads back the same.
#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "qm7240fp_currentranges.h"
#include "qm7240fp_setupfile.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const qm7240fp_setupRead_t read = qm7240fp_readSetup(bytes);
    if (!read.ok) {
        require(!read.error.isEmpty() && !read.error.contains(QLatin1Char('\n')));
        return 0;
    }
    qm7240fp_setupSnapshot_t shot;
    for (int g = 0; g < 4; ++g) {
        const qm7240fp_setup_t::group_t &group = read.setup.groups[g];
        if (!group.present)
            continue;
        const double lo = group.current ? qm7240fp_currentRanges[group.rangeIndex].lo : group.lo;
        const double hi = group.current ? qm7240fp_currentRanges[group.rangeIndex].hi : group.hi;
        require(std::isfinite(lo) && std::isfinite(hi) && lo < hi);
        shot.groups[g].known = true;
        shot.groups[g].current = group.current;
        shot.groups[g].range = group.current
                                   ? QLatin1String(qm7240fp_currentRanges[group.rangeIndex].text)
                                   : QStringLiteral("%1-%2V").arg(QString::number(lo, 'g', 17),
                                                                  QString::number(hi, 'g', 17));
        for (int k = 0; k < 4; ++k) {
            require(!group.hasValue[k] || (group.value[k] >= lo && group.value[k] <= hi));
            shot.groups[g].value[k] =
                QString::number(group.hasValue[k] ? group.value[k] : lo, 'g', 17);
        }
    }
    const qm7240fp_setupRead_t again = qm7240fp_readSetup(qm7240fp_writeSetup(shot));
    require(again.ok);
    for (int g = 0; g < 4; ++g) {
        const qm7240fp_setup_t::group_t &a = read.setup.groups[g];
        const qm7240fp_setup_t::group_t &b = again.setup.groups[g];
        require(a.present == b.present);
        if (!a.present)
            continue;
        require(a.current == b.current && a.rangeIndex == b.rangeIndex && a.lo == b.lo &&
                a.hi == b.hi);
        for (int k = 0; k < 4; ++k)
            require(!a.hasValue[k] || a.value[k] == b.value[k]);
    }
    return 0;
}
