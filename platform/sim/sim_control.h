/*
 * Control of the simulated instrument system, for tests and benchmarks only.
 * The panel never calls this: it sees the simulator only through visa.h,
 * qm6080.h and qm7240.h.
 */
#ifndef SIM_CONTROL_H
#define SIM_CONTROL_H

#ifdef __cplusplus
extern "C" {
#endif

/**
    @brief Forgets the simulated system, every open session and the journal file, so that the
           next call into the stand-ins builds the system anew from VISA_SIM_FILE and reopens
           VISA_SIM_JOURNAL. Must not be called while another thread is inside a stand-in.
 */
void sim_reset(void);

/**
    @brief Milliseconds on the simulator's clock: since the process's first call into the
           simulator, or since the last sim_reset. Link windows and the journal's t_ms count
           from the same start.
 */
double sim_clockMs(void);

#ifdef __cplusplus
}
#endif

#endif
