#include "childprocess.h"

#include <QCoreApplication>
#include <QProcess>

ChildResult runTestFunctionInChild(const char *function, const QProcessEnvironment &extra,
                                   int timeoutMs)
{
    ChildResult result;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SFP_CHILD"), QStringLiteral("1"));
    for (const QString &key : extra.keys())
        env.insert(key, extra.value(key));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(function)});
    result.started = child.waitForStarted(timeoutMs);
    if (!result.started)
        return result;
    if (!child.waitForFinished(timeoutMs))
        child.kill(), child.waitForFinished();
    result.crashed = child.exitStatus() != QProcess::NormalExit;
    result.exitCode = child.exitCode();
    result.out = child.readAllStandardOutput();
    result.err = child.readAllStandardError();
    return result;
}

bool isChildProcess()
{
    return qEnvironmentVariableIsSet("SFP_CHILD");
}
