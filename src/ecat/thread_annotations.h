#pragma once
#include <mutex>

// Clang's thread-safety attributes: with -Wthread-safety the compiler checks that a member
// marked GUARDED_BY(lock) is touched only with that lock held. Other compilers ignore them.
#if defined(__clang__)
#define KESTIO_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define KESTIO_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) KESTIO_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY KESTIO_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) KESTIO_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) KESTIO_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define REQUIRES(...) KESTIO_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define ACQUIRE(...) KESTIO_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define RELEASE(...) KESTIO_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) KESTIO_THREAD_ATTRIBUTE(assert_capability(x))
#define EXCLUDES(...) KESTIO_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS KESTIO_THREAD_ATTRIBUTE(no_thread_safety_analysis)

namespace ecat {

// std::mutex as the analysis sees it (libstdc++'s carries no attributes).
class CAPABILITY("mutex") mutex {
public:
    void lock() ACQUIRE() { inner_.lock(); }
    void unlock() RELEASE() { inner_.unlock(); }
    // Tells the analysis that the caller holds this mutex where it cannot see that (a call
    // through a function pointer); checks nothing at run time.
    void assert_held() const ASSERT_CAPABILITY(this) { }

private:
    std::mutex inner_;
};

// Holds a mutex for its scope.
class SCOPED_CAPABILITY mutex_lock {
public:
    explicit mutex_lock(mutex& held) ACQUIRE(held) : held_(held) { held_.lock(); }
    ~mutex_lock() RELEASE() { held_.unlock(); }
    mutex_lock(const mutex_lock&) = delete;
    mutex_lock& operator=(const mutex_lock&) = delete;

private:
    mutex& held_;
};

} // namespace ecat
