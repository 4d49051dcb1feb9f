#include "plugin/PluginLock.h"

#include <cassert>

PluginMutex::PluginMutex() {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  // Without priority inheritance the mutex still works, only without the lending.
  if (pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT) != 0 ||
      pthread_mutex_init(&mutex, &attributes) != 0) {
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_NONE);
    pthread_mutex_init(&mutex, &attributes);
  }
  pthread_mutexattr_destroy(&attributes);
}

PluginMutex::~PluginMutex() {
  pthread_mutex_destroy(&mutex);
}

void PluginMutex::Acquired(bool releasable) {
  if (depth++ == 0) owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  if (releasable) ++releasableDepth;
}

void PluginMutex::Releasing(bool releasable) {
  if (releasable) --releasableDepth;
  if (--depth == 0) owner.store(std::thread::id(), std::memory_order_relaxed);
}

void PluginMutex::lock() {
  pthread_mutex_lock(&mutex);
  Acquired(false);
}

void PluginMutex::unlock() {
  Releasing(false);
  pthread_mutex_unlock(&mutex);
}

bool PluginMutex::try_lock() {
  if (pthread_mutex_trylock(&mutex) != 0) return false;
  Acquired(false);
  return true;
}

void PluginMutex::LockReleasable() {
  pthread_mutex_lock(&mutex);
  Acquired(true);
}

void PluginMutex::UnlockReleasable() {
  Releasing(true);
  pthread_mutex_unlock(&mutex);
}

int PluginMutex::ReleaseForModalWait() {
  if (!HeldByThisThread()) return 0;
  // A raw hold (a host callback) would keep the mutex through the wait.
  assert(depth == releasableDepth && "modal wait under a non-releasable hold of the plug-in mutex");
  const int holds = releasableDepth;
  for (int i = 0; i < holds; ++i) UnlockReleasable();
  return holds;
}

void PluginMutex::RetakeAfterModalWait(int holds) {
  for (int i = 0; i < holds; ++i) LockReleasable();
}
