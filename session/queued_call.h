// A call queued from any thread to run on a QObject's thread. Qt's event queue orders the
// queueing thread's work before the call, but through locks of a library that ThreadSanitizer
// does not see; under ThreadSanitizer the call therefore also carries that order itself, so
// what the queueing thread wrote into the call reads as handed over, not as a race.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define ZEP_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ZEP_TSAN 1
#endif
#endif

#ifdef ZEP_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace zep {

namespace detail {
template <typename F> class HandedOver
{
public:
    explicit HandedOver(F call) : m_call(std::move(call)) { Released(); }
    HandedOver(HandedOver&& other) : m_call(std::move(other.m_call)) { Released(); }
    HandedOver(const HandedOver& other) : m_call(other.m_call) { Released(); }
    HandedOver& operator=(const HandedOver&) = delete;
    HandedOver& operator=(HandedOver&&) = delete;

    void operator()()
    {
#ifdef ZEP_TSAN
        __tsan_acquire(this);
#endif
        m_call();
    }

private:
    // Once the call is in its final place, everything written so far belongs to it.
    void Released()
    {
#ifdef ZEP_TSAN
        __tsan_release(this);
#endif
    }
    F m_call;
};
} // namespace detail

// Queues `call` to `context`'s thread; dropped when `context` is destroyed before it runs.
// False when it could not be queued.
template <typename F> bool QueueCall(QObject* context, F call)
{
    return QMetaObject::invokeMethod(context, detail::HandedOver<F>(std::move(call)),
                                     Qt::QueuedConnection);
}

} // namespace zep
