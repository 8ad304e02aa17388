#include "discovery/qm6080fp_descriptororder.h"

#include <QByteArray>

#include <climits>

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The white space that scanf skips before a number in the "C" locale.
bool isScanfSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

const char *skipLetters(const char *p)
{
    while (isAsciiLetter(*p))
        ++p;
    return p;
}

bool matchLiteral(const char **cursor, const char *literal)
{
    const char *p = *cursor;
    for (; *literal; ++literal, ++p)
        if (*p != *literal)
            return false;
    *cursor = p;
    return true;
}

enum class Kind { Tcpip, Numbered, Text };

Kind kindOf(const QByteArray &prefix)
{
    if (prefix == "TCPIP")
        return Kind::Tcpip;
    static const char *const numbered[] = {"VXI", "GPIB", "SOCKET", "BACKPLANE", "PXI", "ASRL"};
    for (const char *name : numbered)
        if (prefix == name)
            return Kind::Numbered;
    return Kind::Text;
}

} // namespace

bool scanSaturatingInt(const char **cursor, int *value)
{
    const char *p = *cursor;
    while (isScanfSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    if (!isAsciiDigit(*p))
        return false;
    // Accumulate the magnitude towards the limit of the sign and stay there.
    const long long limit = negative ? -(long long)INT_MIN : (long long)INT_MAX;
    long long magnitude = 0;
    for (; isAsciiDigit(*p); ++p) {
        if (magnitude < limit)
            magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    *value = negative ? int(-magnitude) : int(magnitude);
    *cursor = p;
    return true;
}

QByteArray descriptorInterfacePrefix(const QString &descriptor)
{
    const QByteArray text = descriptor.toLatin1();
    const char *begin = text.constData();
    return QByteArray(begin, int(skipLetters(begin) - begin)).toUpper();
}

int descriptorBoardNumber(const QString &descriptor)
{
    const QByteArray text = descriptor.toLatin1();
    const char *p = skipLetters(text.constData());
    int board = 0;
    if (!scanSaturatingInt(&p, &board))
        return 0;
    return board;
}

std::array<int, 5> descriptorTcpipNumbers(const QString &descriptor)
{
    std::array<int, 5> numbers = {0, 0, 0, 0, 0};
    const QByteArray text = descriptor.toLatin1();
    const char *p = skipLetters(text.constData());
    static const char *const separators[] = {"", "::", ".", ".", "."};
    for (int i = 0; i < 5; ++i) {
        if (!matchLiteral(&p, separators[i]) || !scanSaturatingInt(&p, &numbers[i]))
            break;
    }
    return numbers;
}

bool descriptorLessThan(QString a, QString b)
{
    const QByteArray prefixA = descriptorInterfacePrefix(a);
    const QByteArray prefixB = descriptorInterfacePrefix(b);
    if (prefixA != prefixB) {
        // Different interfaces go by their (upper-case) names. Comparing the
        // whole texts instead would be no order at all once the cases mix:
        // "USB0" sorts between "TCPIP0" and "tcpip0", which belong together.
        return prefixA < prefixB;
    }
    switch (kindOf(prefixA)) {
    case Kind::Tcpip:
        return descriptorTcpipNumbers(a) < descriptorTcpipNumbers(b);
    case Kind::Numbered:
        return descriptorBoardNumber(a) < descriptorBoardNumber(b);
    case Kind::Text:
        break;
    }
    return a < b;
}
