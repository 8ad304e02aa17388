#include "frame/qm6080fp_messages.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <unistd.h>

QString panelModelText;

namespace {

QString boxTitle(const char *suffix)
{
    return QStringLiteral("Vorilan ") + panelModelText + QLatin1String(suffix);
}

} // namespace

// The boxes take the active window as parent at the moment of the call, so
// they stay on top of whichever panel window the user is working in.

void showInfoMessage(const QString &message)
{
    QMessageBox::information(QApplication::activeWindow(), boxTitle(" SFP Info message"), message,
                             QMessageBox::Ok);
}

void showWarningMessage(const QString &message)
{
    QMessageBox::warning(QApplication::activeWindow(), boxTitle(" SFP Warning message"), message,
                         QMessageBox::Ok);
}

void showErrorMessage(const QString &message)
{
    // Yes is the default, as the first button always was.
    const QMessageBox::StandardButton answer =
        QMessageBox::critical(QApplication::activeWindow(), boxTitle(" SFP Error message"),
                              message + QStringLiteral("\nDo you want to exit?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        qm6080fp_exitNow(0);
}

bool confirmExit()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(QApplication::activeWindow(), boxTitle(" SFP"),
                              QStringLiteral("Do you really want to exit?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

void qm6080fp_exitNow(int status)
{
    // The user asked to abandon the program in the middle of a nested modal
    // loop: tearing the widgets down from here would run their destructors
    // (and the driver close) in an inconsistent state, so the process ends
    // without them. Only buffered output is saved.
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}
