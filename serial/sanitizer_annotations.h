#pragma once
// ThreadSanitizer sees only the code built with it. The hand-over through
// Qt's posted-event queue synchronises inside Qt's own (uninstrumented)
// mutex, so the sanitizer is told about that edge here: the reader thread
// releases before it posts, the GUI thread acquires when the event arrives.
// Without the sanitizer these compile to nothing.
#if defined(__SANITIZE_THREAD__)
#define KZRT_TSAN_ACTIVE 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KZRT_TSAN_ACTIVE 1
#endif
#endif

#ifdef KZRT_TSAN_ACTIVE
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace serial {

inline void announceHandOver([[maybe_unused]] void* address) {
#ifdef KZRT_TSAN_ACTIVE
    __tsan_release(address);
#endif
}

inline void acceptHandOver([[maybe_unused]] void* address) {
#ifdef KZRT_TSAN_ACTIVE
    __tsan_acquire(address);
#endif
}

}  // namespace serial
