#include "plugin/PluginLock.h"

#include <cassert>

void PluginMutex::Acquired(bool releasable) {
  if (depth++ == 0) owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
  if (releasable) ++releasableDepth;
}

void PluginMutex::Releasing(bool releasable) {
  if (releasable) --releasableDepth;
  if (--depth == 0) owner.store(std::thread::id(), std::memory_order_relaxed);
}

void PluginMutex::lock() {
  mutex.lock();
  Acquired(false);
}

void PluginMutex::unlock() {
  Releasing(false);
  mutex.unlock();
}

bool PluginMutex::try_lock() {
  if (!mutex.try_lock()) return false;
  Acquired(false);
  return true;
}

void PluginMutex::LockReleasable() {
  mutex.lock();
  Acquired(true);
}

void PluginMutex::UnlockReleasable() {
  Releasing(true);
  mutex.unlock();
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
