#include "stderrcapture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    char name[] = "/tmp/sfp-stderr-XXXXXX";
    fileFd = mkstemp(name);
    if (fileFd < 0)
        return;
    unlink(name);
    savedFd = dup(STDERR_FILENO);
    dup2(fileFd, STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    restore();
}

void StderrCapture::restore()
{
    if (savedFd < 0)
        return;
    std::fflush(stderr);
    dup2(savedFd, STDERR_FILENO);
    close(savedFd);
    savedFd = -1;
    lseek(fileFd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got;
    while ((got = read(fileFd, buffer, sizeof buffer)) > 0)
        captured.append(buffer, int(got));
    close(fileFd);
    fileFd = -1;
}

QByteArray StderrCapture::text()
{
    restore();
    return captured;
}
