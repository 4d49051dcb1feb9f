// The plug-in mutex's holds: a modal wait gives back every releasable hold of
// its thread, nested ones included, so another thread gets in meanwhile; a
// raw hold (the host adapter's) stays, and in debug builds a modal wait under
// one stops the program.
#include <gtest/gtest.h>

#include <future>

#include "plugin/PluginLock.h"

namespace {

bool FreeForAnotherThread(PluginMutex& mutex) {
  return std::async(std::launch::async,
                    [&] {
                      if (!mutex.try_lock()) return false;
                      mutex.unlock();
                      return true;
                    })
      .get();
}

}  // namespace

TEST(PluginLock, ModalWaitGivesBackNestedHoldsAndRetakesThem) {
  PluginMutex mutex;
  {
    ModalWait idle(mutex);  // nothing held: nothing to give back
    EXPECT_FALSE(mutex.HeldByThisThread());
  }
  PluginLock outer(mutex);
  {
    PluginLock inner(mutex);
    EXPECT_FALSE(FreeForAnotherThread(mutex));
    {
      ModalWait wait(mutex);
      EXPECT_FALSE(mutex.HeldByThisThread());
      EXPECT_TRUE(FreeForAnotherThread(mutex));
      ModalWait nested(mutex);
      EXPECT_TRUE(FreeForAnotherThread(mutex));
    }
    EXPECT_TRUE(mutex.HeldByThisThread());
    EXPECT_FALSE(FreeForAnotherThread(mutex));
  }
  EXPECT_TRUE(mutex.HeldByThisThread());
}

#ifndef NDEBUG
TEST(PluginLockDeathTest, ModalWaitUnderARawHoldIsCaught) {
  PluginMutex mutex;
  EXPECT_DEATH(
      {
        std::lock_guard raw(mutex);
        PluginLock lock(mutex);
        ModalWait wait(mutex);
      },
      "non-releasable");
}
#endif
