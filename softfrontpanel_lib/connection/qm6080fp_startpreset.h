#ifndef QM6080FP_STARTPRESET_H
#define QM6080FP_STARTPRESET_H

#include "connection/qm6080fp_commandline.h"

// The command line's answer to the connection workflow's first question,
// kept for the process from the program's start until the workflow takes it
// (qm6080fp_fcSelect::presetStart sets it). Used on the GUI thread only.
void qm6080fp_setStartPreset(const qm6080fp_commandLine_t &commandLine);
// Returns the preset and forgets it, so that it answers once.
qm6080fp_commandLine_t qm6080fp_takeStartPreset();

#endif
