// A chunk the instrument refuses must leave what the host reads back unchanged,
// byte for byte: hosts compare chunks to decide whether a project changed.
#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "plugin/Vornell.h"
#include "plugin/VstAbi.h"

namespace {

std::vector<uint8_t> BankChunk(Vornell& plug) {
  void* data = nullptr;
  AEffect* effect = plug.GetAEffect();
  const intptr_t size = effect->dispatcher(effect, effGetChunk, 0, 0, &data, 0.0f);
  if (size <= 0 || !data) return {};
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

TEST(RefusedChunkRegression, StoredPresetStatesKeepTheirBytes) {
  VornellStartup startup;
  startup.loadPresetBank = false;
  Vornell plug(nullptr, startup);
  {
    // Slot 1 is stored while slot 0 is still empty: its state records that name.
    std::lock_guard<std::recursive_mutex> lock(plug.Mutex());
    plug.SelectPreset(1);
    plug.SelectPreset(0);
  }
  const std::vector<uint8_t> before = BankChunk(plug);
  ASSERT_FALSE(before.empty());

  // Too short for any state: refused.
  uint8_t damaged[] = {0xd0, 0xaa};
  AEffect* effect = plug.GetAEffect();
  EXPECT_EQ(effect->dispatcher(effect, effSetChunk, 0, sizeof damaged, damaged, 0.0f), 0);
  EXPECT_EQ(BankChunk(plug), before);
  EXPECT_EQ(plug.GetPresetName(1), "user preset 1");
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);
}

}  // namespace
