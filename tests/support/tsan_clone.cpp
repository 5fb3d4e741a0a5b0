// Under ThreadSanitizer only: QProcess starts its programs with
// clone(CLONE_VM | CLONE_VFORK), and the sanitizer then runs its after-fork
// bookkeeping in the child on the parent's memory, the calling thread's state
// included. That thread then goes on as a forked child would: its locks no
// longer order anything, and what it does under a lock can be reported as
// racing with another thread under the same lock. A plain fork gives the
// child memory of its own, as the sanitizer does itself for vfork; the child
// execs at once either way.
#if defined(__SANITIZE_THREAD__)
#define KELP_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KELP_TSAN 1
#endif
#endif

#ifdef KELP_TSAN

#include <cstdarg>

#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

// The sanitizer's own clone, which keeps its books on the fork. With clang its
// runtime is inside the program, and the next clone after this one is libc's.
extern "C" int __interceptor_clone(int (*fn)(void *), void *stack, int flags, void *arg, ...) __attribute__((weak));

extern "C" int clone(int (*fn)(void *), void *stack, int flags, void *arg, ...) noexcept
{
    va_list rest;
    va_start(rest, arg);
    pid_t *parentTid = va_arg(rest, pid_t *);
    void *tls = va_arg(rest, void *);
    pid_t *childTid = va_arg(rest, pid_t *);
    va_end(rest);
    using Clone = int (*)(int (*)(void *), void *, int, void *, ...);
    static const Clone next =
        __interceptor_clone ? __interceptor_clone : reinterpret_cast<Clone>(::dlsym(RTLD_NEXT, "clone"));
    if ((flags & CLONE_VM) && (flags & CLONE_VFORK) && !(flags & CLONE_THREAD))
        flags &= ~(CLONE_VM | CLONE_VFORK);
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}

#endif
