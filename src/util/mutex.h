// A mutex, its scoped lock and a condition variable that Clang's thread-safety analysis can
// follow (the standard library's carry no annotations). Each is the standard one underneath and
// behaves as it does.
#ifndef BCREADER_UTIL_MUTEX_H
#define BCREADER_UTIL_MUTEX_H

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "util/thread_annotations.h"

namespace bcr {

class CAPABILITY("mutex") Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex &) = delete;
  Mutex &operator=(const Mutex &) = delete;

  void Lock() ACQUIRE() { mutex_.lock(); }
  void Unlock() RELEASE() { mutex_.unlock(); }

 private:
  friend class CondVar;
  std::mutex mutex_;
};

// Holds the mutex from construction to destruction; Unlock and Lock let it go for a while.
class SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(Mutex &mutex) ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  // Whether the mutex is still held (an Unlock without its Lock) is known at run time only.
  ~MutexLock() RELEASE() NO_THREAD_SAFETY_ANALYSIS {
    if (locked_) mutex_.Unlock();
  }
  MutexLock(const MutexLock &) = delete;
  MutexLock &operator=(const MutexLock &) = delete;

  void Unlock() RELEASE() NO_THREAD_SAFETY_ANALYSIS {
    mutex_.Unlock();
    locked_ = false;
  }
  void Lock() ACQUIRE() NO_THREAD_SAFETY_ANALYSIS {
    mutex_.Lock();
    locked_ = true;
  }

 private:
  Mutex &mutex_;
  bool locked_ = true;
};

// Waits with the mutex held, which the wait gives up while it sleeps and holds again on return.
class CondVar {
 public:
  void Wait(Mutex &mutex) REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    changed_.wait(lock);
    lock.release();
  }
  template <class Rep, class Period>
  std::cv_status WaitFor(Mutex &mutex, const std::chrono::duration<Rep, Period> &time)
      REQUIRES(mutex) {
    return WaitUntil(mutex, std::chrono::steady_clock::now() + time);
  }
  template <class Clock, class Duration>
  std::cv_status WaitUntil(Mutex &mutex, const std::chrono::time_point<Clock, Duration> &time)
      REQUIRES(mutex) {
    std::unique_lock<std::mutex> lock(mutex.mutex_, std::adopt_lock);
    const std::cv_status status = changed_.wait_until(lock, time);
    lock.release();
    return status;
  }
  void NotifyAll() { changed_.notify_all(); }

 private:
  std::condition_variable changed_;
};

}  // namespace bcr

#endif  // BCREADER_UTIL_MUTEX_H
