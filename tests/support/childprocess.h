#ifndef CHILDPROCESS_H
#define CHILDPROCESS_H

#include <QByteArray>
#include <QProcessEnvironment>

// Paths that end the process are tested in a child: the test binary runs
// itself with one test function named on the command line and SFP_CHILD=1 in
// its environment. The child function checks isChildProcess() and does the
// deed; in the parent it is skipped.
struct ChildResult
{
    bool started = false;
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
};

ChildResult runTestFunctionInChild(const char *function,
                                   const QProcessEnvironment &extra = QProcessEnvironment(),
                                   int timeoutMs = 30000);
bool isChildProcess();

#endif
