#ifndef QM6080FP_TELLSHOWN_H
#define QM6080FP_TELLSHOWN_H

class QWidget;

// Tells assistive technology that `window` and every widget shown in it show
// now: a window built hidden and shown later is otherwise still "not showing"
// in a screen reader's memory of it.
void qm6080fp_tellShown(QWidget *window);

#endif
