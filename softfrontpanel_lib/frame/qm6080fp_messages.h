#ifndef QM6080FP_MESSAGES_H
#define QM6080FP_MESSAGES_H

#include <QString>

// Model text placed in every message box title; empty unless a panel sets it.
extern QString panelModelText;

void showInfoMessage(const QString &message);
void showWarningMessage(const QString &message);
// Offers to end the program; returns only when the user answers No.
void showErrorMessage(const QString &message);

// Asks "Do you really want to exit?"; true when the user answers Yes.
bool confirmExit();

// Ends the process at once with `status`, without closing windows or running
// destructors, after flushing the standard streams.
[[noreturn]] void qm6080fp_exitNow(int status = 0);

#endif
