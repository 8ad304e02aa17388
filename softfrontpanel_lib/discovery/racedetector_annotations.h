#ifndef RACEDETECTOR_ANNOTATIONS_H
#define RACEDETECTOR_ANNOTATIONS_H

// Annotations for ThreadSanitizer, the race detector: they state a hand-over
// between threads that it cannot see (a library built without it did the
// locking). Outside a ThreadSanitizer build they compile to nothing.

#if defined(__SANITIZE_THREAD__)
#define SFP_RACE_DETECTOR 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define SFP_RACE_DETECTOR 1
#endif
#endif

#ifdef SFP_RACE_DETECTOR
#if __has_include(<sanitizer/tsan_interface.h>)
#include <sanitizer/tsan_interface.h>
#else
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif
// Everything this thread wrote to `addr` before is seen by the thread that
// announces the acquire afterwards.
#define SFP_RACE_DETECTOR_RELEASE(addr) __tsan_release(static_cast<void *>(addr))
#define SFP_RACE_DETECTOR_ACQUIRE(addr) __tsan_acquire(static_cast<void *>(addr))
#else
#define SFP_RACE_DETECTOR_RELEASE(addr) static_cast<void>(addr)
#define SFP_RACE_DETECTOR_ACQUIRE(addr) static_cast<void>(addr)
#endif

#endif
