#ifndef QM7240FP_VALUEMARK_H
#define QM7240FP_VALUEMARK_H

#include <QString>

class QWidget;

// Marks a channel's value control as showing a value the card did not
// confirm, or clears the mark: amber behind the value, seen at a glance in
// either style, and "not confirmed by the card" in its tool tip and its
// accessible description. `help` is the control's own tool tip.
void qm7240fp_markUnconfirmed(QWidget *control, const QString &help, bool unconfirmed);

#endif
