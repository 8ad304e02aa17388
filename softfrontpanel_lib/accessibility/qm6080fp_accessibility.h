#ifndef QM6080FP_ACCESSIBILITY_H
#define QM6080FP_ACCESSIBILITY_H

// Gives assistive technology what the toolkit cannot know by itself: a lamp's
// name and state, a link label's role and action, and that the frame is a
// window. Installs the factory once; every later call does nothing.
void qm6080fp_installAccessibility();

#endif
