#pragma once

// Events posted by a worker thread reach the GUI thread through Qt's own
// queue lock. Debian's Qt is not built for ThreadSanitizer, so it cannot see
// that hand-off and reports the event's contents as racing; the poster marks
// the event released and the receiver marks it acquired. No-ops otherwise.

#if defined(__SANITIZE_THREAD__)
#define WAVELARK_TSAN_HANDOFF 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define WAVELARK_TSAN_HANDOFF 1
#endif
#endif

#ifdef WAVELARK_TSAN_HANDOFF
extern "C" void __tsan_acquire(void *addr);
extern "C" void __tsan_release(void *addr);
#endif

namespace wavelark {

// Before QCoreApplication::postEvent on a worker thread.
inline void handOffEvent(const void *event)
{
#ifdef WAVELARK_TSAN_HANDOFF
    __tsan_release(const_cast<void *>(event));
#else
    (void)event;
#endif
}

// First thing in a receiver's customEvent.
inline void takeOverEvent(const void *event)
{
#ifdef WAVELARK_TSAN_HANDOFF
    __tsan_acquire(const_cast<void *>(event));
#else
    (void)event;
#endif
}

} // namespace wavelark
