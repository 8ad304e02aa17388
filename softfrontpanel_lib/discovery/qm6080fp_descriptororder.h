#ifndef QM6080FP_DESCRIPTORORDER_H
#define QM6080FP_DESCRIPTORORDER_H

#include <QString>

#include <array>

// Sort order of VISA resource descriptors: grouped by interface, and within an
// interface type by board number (TCPIP descriptors by board number and
// IPv4 address), so that VXI2 comes before VXI10 and 192.168.1.20 before
// 192.168.1.100.
bool descriptorLessThan(QString a, QString b);

// The leading run of ASCII letters, in upper case ("GPIB" for GPIB-VXI0::5::INSTR).
QByteArray descriptorInterfacePrefix(const QString &descriptor);

// The integer right after the letters, read like scanf's "%d"; 0 when none.
int descriptorBoardNumber(const QString &descriptor);

// Board number and the four parts of a dotted IPv4 address, read like scanf's
// "%d::%d.%d.%d.%d" after the letters; every number not read is 0.
std::array<int, 5> descriptorTcpipNumbers(const QString &descriptor);

// Reads a decimal integer from `*cursor` by scanf's "%d" rules (leading white
// space, an optional sign, at least one digit), but a number beyond the range
// of int gives INT_MAX or INT_MIN instead of undefined behaviour. Advances
// `*cursor` past what it read and returns true, or leaves it and returns false.
bool scanSaturatingInt(const char **cursor, int *value);

#endif
