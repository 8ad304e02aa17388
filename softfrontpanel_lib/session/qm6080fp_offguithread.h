#ifndef QM6080FP_OFFGUITHREAD_H
#define QM6080FP_OFFGUITHREAD_H

#include <functional>

// Runs `work` on a thread of its own and returns once it is done; the GUI
// thread's event loop turns meanwhile, so that a slow or dead resource never
// freezes what is on screen (the splash, a box behind).
void qm6080fp_runOffGuiThread(const std::function<void()> &work);

#endif
