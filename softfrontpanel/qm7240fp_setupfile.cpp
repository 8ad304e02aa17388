#include "qm7240fp_setupfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

#include "qm7240fp_cardflows.h"
#include "qm7240fp_currentranges.h"

namespace {

const char formatVersion[] = "1";
const char modelText[] = "7240";
// Where a comment starts on a written line, as a person would line it up.
constexpr int commentColumn = 25;

struct entry_t
{
    int line;
    int section; // -1 for [setup], 0 to 3 for the groups
    QString key;
    QString value;
};

// A file refused for `reason`, found at `line` (0: the file as a whole).
qm7240fp_setupRead_t refused(int line, const QString &reason)
{
    qm7240fp_setupRead_t read;
    read.error = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason) : reason;
    return read;
}

// The line of the first byte that is not UTF-8 (a NUL byte included), or 0.
int firstBadLine(const QByteArray &bytes)
{
    int line = 1;
    const int size = int(bytes.size());
    for (int i = 0; i < size;) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        int more = 0;
        unsigned int least = 0;
        unsigned int code = 0;
        if (c == 0)
            return line;
        if (c < 0x80) {
            if (c == '\n')
                ++line;
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            more = 1;
            least = 0x80;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            more = 2;
            least = 0x800;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            more = 3;
            least = 0x10000;
            code = c & 0x07;
        } else {
            return line;
        }
        if (i + more >= size)
            return line;
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return line;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode are no UTF-8.
        if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return line;
        i += more + 1;
    }
    return 0;
}

// The line without its comment: one that starts with # or ;, or a # or ;
// after a blank.
QString withoutComment(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char(';')))
        return QString();
    static const QRegularExpression comment(QStringLiteral("\\s[#;]"));
    const QRegularExpressionMatch m = comment.match(line);
    return (m.hasMatch() ? line.left(m.capturedStart()) : line).trimmed();
}

// A number as a person writes it, in the C locale; NaN and infinity are
// told apart, so that the message can say so.
bool readNumber(const QString &text, double *value, bool *finite)
{
    static const QRegularExpression number(
        QStringLiteral(
            "^[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?$|^[-+]?(?:nan|inf|infinity)$"),
        QRegularExpression::CaseInsensitiveOption);
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    *value = text.toDouble(&ok);
    if (!ok) {
        const QString lower = text.toLower();
        *value = lower.contains(QLatin1String("nan"))
                     ? std::nan("")
                     : (lower.startsWith(QLatin1Char('-')) ? -HUGE_VAL : HUGE_VAL);
    }
    *finite = std::isfinite(*value);
    return true;
}

// A group's range, as the window shows it.
bool readRange(const QString &text, qm7240fp_setup_t::group_t *group, QString *why)
{
    QString compact = text;
    compact.remove(QLatin1Char(' '));
    if (compact.endsWith(QLatin1String("mA"))) {
        group->current = true;
        for (int i = 0; i < qm7240fp_currentRangeCount; ++i)
            if (compact == QLatin1String(qm7240fp_currentRanges[i].text))
                group->rangeIndex = i;
        if (group->rangeIndex < 0)
            *why = QStringLiteral("no such current range: %1 (0-24mA, 0-20mA or 4-20mA)").arg(text);
        return group->rangeIndex >= 0;
    }
    // Each limit may carry an exponent, as the window writes a very large or
    // small one ("1e+06"), whose sign is not the range's dash.
    static const QRegularExpression voltage(QStringLiteral(
        "^([-+]?[^-+eE]+(?:[eE][-+]?\\d+)?)-([-+]?[^-+eE]+(?:[eE][-+]?\\d+)?)V$"));
    const QRegularExpressionMatch m = voltage.match(compact);
    bool loFinite = false;
    bool hiFinite = false;
    if (!m.hasMatch() || !readNumber(m.captured(1), &group->lo, &loFinite) ||
        !readNumber(m.captured(2), &group->hi, &hiFinite) || !loFinite || !hiFinite ||
        !(group->lo < group->hi)) {
        *why = QStringLiteral("no such range: %1").arg(text);
        return false;
    }
    group->current = false;
    return true;
}

QString rangeText(const qm7240fp_group_t &group)
{
    if (qm7240fp_isCurrentType(group.type))
        return QLatin1String(qm7240fp_currentRanges[group.rangeIndex].text);
    return QStringLiteral("%1-%2V").arg(QString::number(group.lo), QString::number(group.hi));
}

bool sameLimit(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::max(std::fabs(a), std::fabs(b)));
}

// One key = value line, with its comment lined up after it.
QString keyLine(const QString &key, const QString &value, const QString &comment = QString())
{
    QString line = key + QStringLiteral(" = ") + value;
    if (!comment.isEmpty())
        line = line.leftJustified(commentColumn - 1) + QStringLiteral(" # ") + comment;
    return line + QLatin1Char('\n');
}

} // namespace

qm7240fp_setupRead_t qm7240fp_readSetup(const QByteArray &bytes)
{
    if (bytes.size() > qm7240fp_setupMaxBytes)
        return refused(0, QStringLiteral("the file is larger than 64 KiB, which no setup is"));
    QByteArray text = bytes;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    if (const int bad = firstBadLine(text))
        return refused(bad, QStringLiteral("not UTF-8 text"));

    // The lines, each put in its section; the syntax is checked here.
    QList<entry_t> entries;
    int section = -2; // -2: none yet
    bool seenSection[5] = {};
    int sectionLine[5] = {};
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        const QString content = withoutComment(lines[i]);
        if (content.isEmpty())
            continue;
        if (content.startsWith(QLatin1Char('['))) {
            static const QRegularExpression header(
                QStringLiteral("^\\[\\s*(setup|group([1-4]))\\s*\\]$"));
            const QRegularExpressionMatch m = header.match(content);
            if (!m.hasMatch()) {
                return refused(line, QStringLiteral("unknown section %1").arg(content));
            }
            section = m.captured(2).isEmpty() ? -1 : m.captured(2).toInt() - 1;
            if (seenSection[section + 1]) {
                return refused(line, QStringLiteral("section %1 given twice").arg(content));
            }
            seenSection[section + 1] = true;
            sectionLine[section + 1] = line;
            continue;
        }
        const int equals = int(content.indexOf(QLatin1Char('=')));
        if (equals <= 0) {
            return refused(line, QStringLiteral("not a line of the form key = value"));
        }
        if (section == -2) {
            return refused(line, QStringLiteral("a key before any section"));
        }
        const QString key = content.left(equals).trimmed();
        for (const entry_t &e : entries)
            if (e.section == section && e.key == key) {
                return refused(line, QStringLiteral("%1 given twice").arg(key));
            }
        entries.append({line, section, key, content.mid(equals + 1).trimmed()});
    }

    // Each group's range first, then every line in order.
    qm7240fp_setupRead_t read;
    qm7240fp_setup_t &setup = read.setup;
    bool rangeRead[4] = {};
    for (const entry_t &e : entries)
        if (e.section >= 0 && e.key == QLatin1String("range")) {
            qm7240fp_setup_t::group_t &group = setup.groups[e.section];
            group.line = e.line;
            QString why;
            rangeRead[e.section] = readRange(e.value, &group, &why);
        }
    bool hasFormat = false;
    bool hasModel = false;
    for (const entry_t &e : entries) {
        if (e.section < 0) {
            if (e.key == QLatin1String("format")) {
                if (e.value != QLatin1String(formatVersion))
                    return refused(e.line,
                                   QStringLiteral("unknown format %1 (this panel reads format %2)")
                                       .arg(e.value, QLatin1String(formatVersion)));
                hasFormat = true;
            } else if (e.key == QLatin1String("model")) {
                if (e.value != QLatin1String(modelText))
                    return refused(
                        e.line,
                        QStringLiteral("a setup of model %1, not of the 7240").arg(e.value));
                hasModel = true;
            } else if (e.key == QLatin1String("serial")) {
                setup.serial = e.value;
            } else if (e.key == QLatin1String("saved")) {
                setup.saved = e.value;
            } else {
                return refused(e.line, QStringLiteral("unknown key %1").arg(e.key));
            }
            continue;
        }
        qm7240fp_setup_t::group_t &group = setup.groups[e.section];
        const int first = qm7240fp_channelsPerGroup * e.section + 1;
        if (e.key == QLatin1String("range")) {
            QString why;
            qm7240fp_setup_t::group_t again;
            if (!readRange(e.value, &again, &why))
                return refused(e.line, why);
            continue;
        }
        static const QRegularExpression channelKey(QStringLiteral("^channel(\\d+)$"));
        const QRegularExpressionMatch m = channelKey.match(e.key);
        const int channel = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (channel < first || channel >= first + qm7240fp_channelsPerGroup)
            return refused(e.line,
                           QStringLiteral("unknown key %1 (group %2 holds channels %3 to %4)")
                               .arg(e.key)
                               .arg(e.section + 1)
                               .arg(first)
                               .arg(first + qm7240fp_channelsPerGroup - 1));
        if (!rangeRead[e.section])
            continue; // the range's own line says what is wrong with it
        const QString unit = group.current ? QStringLiteral("mA") : QStringLiteral("V");
        static const QRegularExpression valueText(QStringLiteral("^(\\S+?)\\s*(mA|V)$"));
        const QRegularExpressionMatch v = valueText.match(e.value);
        double value = 0.0;
        bool finite = false;
        if (!v.hasMatch() || !readNumber(v.captured(1), &value, &finite))
            return refused(e.line, QStringLiteral("%1 is not a number in %2").arg(e.value, unit));
        if (!finite)
            return refused(e.line, QStringLiteral("%1 is not a finite number").arg(e.value));
        if (v.captured(2) != unit)
            return refused(e.line, QStringLiteral("%1 is not in %2, the unit of group %3")
                                       .arg(e.value, unit)
                                       .arg(e.section + 1));
        const double lo = group.current ? qm7240fp_currentRanges[group.rangeIndex].lo : group.lo;
        const double hi = group.current ? qm7240fp_currentRanges[group.rangeIndex].hi : group.hi;
        if (value < lo - 1e-9 || value > hi + 1e-9)
            return refused(e.line, QStringLiteral("%1 is outside the group's range").arg(e.value));
        group.hasValue[channel - first] = true;
        group.value[channel - first] = qBound(lo, value, hi);
    }
    if (!seenSection[0])
        return refused(0, QStringLiteral("no [setup] section: this is no setup file"));
    if (!hasFormat || !hasModel)
        return refused(sectionLine[0],
                       QStringLiteral("[setup] does not give its %1")
                           .arg(hasFormat ? QStringLiteral("model") : QStringLiteral("format")));
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        if (!seenSection[g + 1])
            continue;
        if (setup.groups[g].line == 0)
            return refused(sectionLine[g + 1],
                           QStringLiteral("[group%1] does not give its range").arg(g + 1));
        setup.groups[g].present = true;
    }
    read.ok = true;
    return read;
}

qm7240fp_setupRead_t qm7240fp_readSetupFile(const QString &path)
{
    qm7240fp_setupRead_t read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.error = file.errorString();
        return read;
    }
    // One byte more than a setup may have tells a larger file.
    return qm7240fp_readSetup(file.read(qm7240fp_setupMaxBytes + 1));
}

QString qm7240fp_setupMisfit(const qm7240fp_setup_t &setup, const qm7240fp_group_t groups[4])
{
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        const qm7240fp_setup_t::group_t &wanted = setup.groups[g];
        const qm7240fp_group_t &card = groups[g];
        if (!wanted.present || card.known != qm7240fp_group_t::known_t::known)
            continue;
        const bool current = qm7240fp_isCurrentType(card.type);
        const auto kind = [](bool c) {
            return c ? QStringLiteral("current") : QStringLiteral("voltage");
        };
        if (wanted.current != current)
            return QStringLiteral("line %1: group %2 is a %3 group in the file, but a %4 group on "
                                  "the card")
                .arg(wanted.line)
                .arg(g + 1)
                .arg(kind(wanted.current), kind(current));
        if (!current && (!sameLimit(wanted.lo, card.lo) || !sameLimit(wanted.hi, card.hi)))
            return QStringLiteral("line %1: group %2's range is %3-%4V in the file, but %5 on the "
                                  "card, which fixes it")
                .arg(wanted.line)
                .arg(g + 1)
                .arg(QString::number(wanted.lo), QString::number(wanted.hi), rangeText(card));
    }
    return QString();
}

QString qm7240fp_startWithoutSetup(const QString &path, const QString &misfit)
{
    return QStringLiteral("The setup %1 does not fit this card: %2.\nThe panel starts without it: "
                          "0-24mA and 0 on every current channel.")
        .arg(path, misfit);
}

QByteArray qm7240fp_writeSetup(const qm7240fp_setupSnapshot_t &snapshot)
{
    const QString unconfirmed = QStringLiteral("not confirmed by the card");
    QString out = QStringLiteral("# Vorilan 7240 setup\n"
                                 "# Recall it with Recall Setup (Ctrl+O), or start the panel "
                                 "with qm7240fp --setup FILE.\n"
                                 "[setup]\n");
    out += keyLine(QStringLiteral("format"), QLatin1String(formatVersion));
    out += keyLine(QStringLiteral("model"), QLatin1String(modelText));
    if (!snapshot.serial.isEmpty())
        out += keyLine(QStringLiteral("serial"), snapshot.serial,
                       QStringLiteral("for information: a setup may be recalled on another 7240"));
    out += keyLine(QStringLiteral("saved"), snapshot.saved);
    for (int g = 0; g < qm7240fp_groupCount; ++g) {
        const qm7240fp_setupSnapshot_t::group_t &group = snapshot.groups[g];
        out += QLatin1Char('\n');
        if (!group.known) {
            out += QStringLiteral("# group %1: the panel does not know its range, and leaves it "
                                  "alone\n")
                       .arg(g + 1);
            continue;
        }
        out += QStringLiteral("[group%1]\n").arg(g + 1);
        out +=
            keyLine(QStringLiteral("range"), group.range,
                    group.rangeUnconfirmed ? unconfirmed
                    : group.current
                        ? QString()
                        : QStringLiteral("voltage groups: for checking only; the card fixes it"));
        const QString unit = group.current ? QStringLiteral(" mA") : QStringLiteral(" V");
        for (int k = 0; k < qm7240fp_channelsPerGroup; ++k)
            out += keyLine(QStringLiteral("channel%1").arg(qm7240fp_channelsPerGroup * g + k + 1),
                           group.value[k] + unit, group.unconfirmed[k] ? unconfirmed : QString());
    }
    return out.toUtf8();
}
