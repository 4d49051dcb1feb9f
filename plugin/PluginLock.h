#pragma once
// The plug-in mutex and the two ways of holding it.
//
// Lock order (a thread holding one of these may only take those below it):
//   1. the editor's window lock (IGraphics::windowLock),
//   2. the plug-in mutex (PluginMutex, one per plug-in instance),
//   3. the process-wide caches and registries (GraphicsCaches, the resource
//      cache, the tuning master's client list, the module's construction lock).
//
// Holds:
//   - PluginLock: every hold outside the host adapter's callbacks (the editor,
//     the front panel, the menus, every command). A modal wait gives all of
//     this thread's PluginLock holds back while it waits and takes them again
//     afterwards (ModalWait), so the audio thread never waits for the user.
//   - the raw hold (lock()/unlock(), e.g. std::lock_guard): only the host
//     adapter's callbacks (processing, dispatcher, parameter calls). It cannot
//     be given back; a modal wait entered under it is a fault, caught by an
//     assertion in debug builds.
#include <pthread.h>

#include <atomic>
#include <mutex>  // std::lock_guard for the raw hold
#include <thread>

// Recursive, and with priority inheritance where the system has it: a host's
// real-time audio thread that waits for the mutex lends its priority to the
// holder, so that the holder is not preempted by other work meanwhile and the
// wait lasts no longer than the hold.
class PluginMutex {
 public:
  PluginMutex();
  ~PluginMutex();
  PluginMutex(const PluginMutex&) = delete;
  PluginMutex& operator=(const PluginMutex&) = delete;

  // The raw hold, for the host adapter's callbacks. Any thread.
  void lock();
  void unlock();
  bool try_lock();

  // True when the calling thread holds the mutex in any way.
  bool HeldByThisThread() const { return owner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

  // The releasable hold (PluginLock and the editor framework's holds).
  void LockReleasable();
  void UnlockReleasable();

  // Gives back every releasable hold of the calling thread; returns how many
  // it gave back (0 when the thread holds none). Asserts in debug builds that
  // the thread holds no raw hold. Retake takes that many again.
  int ReleaseForModalWait();
  void RetakeAfterModalWait(int holds);

 private:
  void Acquired(bool releasable);
  void Releasing(bool releasable);

  pthread_mutex_t mutex;
  std::atomic<std::thread::id> owner{};
  // Holds of the owning thread, all kinds / releasable ones. Changed only by
  // the owner while it holds the mutex.
  int depth = 0;
  int releasableDepth = 0;
};

// RAII releasable hold of the plug-in mutex. Any thread but the audio callback.
class PluginLock {
 public:
  explicit PluginLock(PluginMutex& mutex) : mutex(mutex) { mutex.LockReleasable(); }
  ~PluginLock() { mutex.UnlockReleasable(); }
  PluginLock(const PluginLock&) = delete;
  PluginLock& operator=(const PluginLock&) = delete;

 private:
  PluginMutex& mutex;
};

// RAII around a modal wait (a message box, file dialog, menu, the update
// check's exchange): the calling thread's releasable holds are given back for
// the wait and taken again when it ends.
class ModalWait {
 public:
  explicit ModalWait(PluginMutex& mutex) : mutex(mutex), holds(mutex.ReleaseForModalWait()) {}
  ~ModalWait() { mutex.RetakeAfterModalWait(holds); }
  ModalWait(const ModalWait&) = delete;
  ModalWait& operator=(const ModalWait&) = delete;

 private:
  PluginMutex& mutex;
  int holds;
};
