/*
 * The program's trace of every call it makes into VISA, the common library
 * and the card driver: one JSON object per line, appended and flushed per
 * call, with the keys and value formats of the simulator's call journal.
 * It works on any implementation of the three, since it only stands in front
 * of their exported functions.
 */
#ifndef SFP_TRACE_H
#define SFP_TRACE_H

#ifdef __cplusplus
extern "C" {
#endif

/**
    @brief Starts tracing into the file `path` (appended to). Until then, and
           after a failure, every call goes straight through.
    @return 0; -1 when the file cannot be opened (one line on standard error
            says so, and the program goes on untraced)
 */
int sfp_traceOpen(const char *path);

#ifdef __cplusplus
}
#endif

#endif
