#ifndef STDERRCAPTURE_H
#define STDERRCAPTURE_H

#include <QByteArray>

// Sends everything written to standard error, from C and C++ alike, into a temporary file while
// it lives; text() hands back what was written.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    QByteArray text();

private:
    void restore();
    int savedFd = -1;
    int fileFd = -1;
    QByteArray captured;
};

#endif
