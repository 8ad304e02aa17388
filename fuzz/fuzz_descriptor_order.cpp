// Any two or three descriptors: descriptorLessThan must be a strict weak
// order, which std::sort in the card search relies on, and its number reads
// must agree with strtol clamped to int. The input holds the descriptors as
// UTF-8, each but the last ended by a backslash and one more byte
// (FuzzedDataProvider's random-length strings; "\\" is one backslash).
#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "discovery/qm6080fp_descriptororder.h"

namespace {

[[noreturn]] void broken(const char *what, const QString &a, const QString &b = QString(),
                         const QString &c = QString())
{
    std::fprintf(stderr, "fuzz_descriptor_order: %s\n  a: \"%s\"\n  b: \"%s\"\n  c: \"%s\"\n", what,
                 a.toUtf8().constData(), b.toUtf8().constData(), c.toUtf8().constData());
    std::abort();
}

bool less(const QString &a, const QString &b)
{
    const QString keepA = a;
    const QString keepB = b;
    const bool result = descriptorLessThan(a, b);
    if (a != keepA || b != keepB)
        broken("arguments changed", a, b);
    return result;
}

bool equivalent(const QString &a, const QString &b)
{
    return !less(a, b) && !less(b, a);
}

// scanf's "%d" after the letters, clamped to int instead of undefined.
int referenceBoardNumber(const QString &descriptor)
{
    const QByteArray text = descriptor.toLatin1();
    const char *p = text.constData();
    while ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'))
        ++p;
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(p, &end, 10);
    if (end == p)
        return 0;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return int(value);
}

void checkPair(const QString &a, const QString &b)
{
    if (less(a, b) && less(b, a))
        broken("not asymmetric", a, b);
}

void checkTriple(const QString &a, const QString &b, const QString &c)
{
    if (less(a, b) && less(b, c) && !less(a, c))
        broken("not transitive", a, b, c);
    if (equivalent(a, b) && equivalent(b, c) && !equivalent(a, c))
        broken("incomparability not transitive", a, b, c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider provider(data, size);
    QString d[3];
    int count = 0;
    while (count < 3 && (count < 2 || provider.remaining_bytes() > 0)) {
        const std::string bytes = count < 2 ? provider.ConsumeRandomLengthString()
                                            : provider.ConsumeRemainingBytesAsString();
        d[count++] = QString::fromUtf8(bytes.data(), int(bytes.size()));
    }

    for (int i = 0; i < count; ++i) {
        if (less(d[i], d[i]))
            broken("not irreflexive", d[i]);
        if (descriptorBoardNumber(d[i]) != referenceBoardNumber(d[i]))
            broken("board number differs from strtol", d[i]);
    }
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < count; ++j)
            checkPair(d[i], d[j]);
    if (count == 3) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    if (i != j && j != k && i != k)
                        checkTriple(d[i], d[j], d[k]);
    }
    return 0;
}
