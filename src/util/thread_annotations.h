// Clang's thread-safety attributes: which lock guards a field, which lock a function needs, takes
// or gives back. Clang checks them at compile time under -Wthread-safety (make thread-safety);
// other compilers see nothing.
#ifndef BCREADER_UTIL_THREAD_ANNOTATIONS_H
#define BCREADER_UTIL_THREAD_ANNOTATIONS_H

#if defined(__clang__)
#define BCR_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define BCR_THREAD_ATTRIBUTE(x)
#endif

// A class whose objects are locks.
#define CAPABILITY(x) BCR_THREAD_ATTRIBUTE(capability(x))
// A class whose objects hold a lock for their lifetime.
#define SCOPED_CAPABILITY BCR_THREAD_ATTRIBUTE(scoped_lockable)
// A field read and written only while the lock is held.
#define GUARDED_BY(x) BCR_THREAD_ATTRIBUTE(guarded_by(x))
// A pointer whose target is read and written only while the lock is held.
#define PT_GUARDED_BY(x) BCR_THREAD_ATTRIBUTE(pt_guarded_by(x))
// A function called with the lock held, which it keeps.
#define REQUIRES(...) BCR_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
// A function that takes the lock (none named: the object itself) and returns holding it.
#define ACQUIRE(...) BCR_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
// A function that gives the lock back.
#define RELEASE(...) BCR_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
// A function that takes the lock when it returns the first argument.
#define TRY_ACQUIRE(...) BCR_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
// A function called without the lock (it takes the lock itself).
#define EXCLUDES(...) BCR_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
// A function whose body the analysis does not check (its locking is beyond what it can follow).
#define NO_THREAD_SAFETY_ANALYSIS BCR_THREAD_ATTRIBUTE(no_thread_safety_analysis)

#endif  // BCREADER_UTIL_THREAD_ANNOTATIONS_H
