// A chunk the instrument refuses must leave what the host reads back unchanged,
// byte for byte: hosts compare chunks to decide whether a project changed.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <mutex>
#include <vector>

#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"

namespace {

// index 0: the bank chunk; 1: the program chunk (the live state).
std::vector<uint8_t> BankChunk(Vornell& plug, int32_t index = 0) {
  void* data = nullptr;
  AEffect* effect = plug.GetAEffect();
  const intptr_t size = effect->dispatcher(effect, effGetChunk, index, 0, &data, 0.0f);
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
    std::lock_guard lock(plug.Mutex());
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

// A crafted project whose Seq A counts 2^31 - 1 ticks per quarter note would
// have the player count ticks instead of playing: refused. The finest
// resolution a MIDI file gives a sequence loads and reads back as it was.
TEST(RefusedChunkRegression, SequenceResolutionsBeyondAMidiFilesAreRefused) {
  VornellStartup startup;
  startup.loadPresetBank = false;
  for (int32_t ppq : {Sequence::kMaxPpq, Sequence::kMaxPpq + 1, INT32_MAX}) {
    SCOPED_TRACE(ppq);
    std::vector<uint8_t> crafted;
    {
      Vornell source(nullptr, startup);
      std::lock_guard lock(source.Mutex());
      SequenceEvent on{0, 0x90, 60, 100};
      SequenceEvent off{96, 0x80, 60, 0};
      source.Sequencing().SeqA().AddEvent(on);
      source.Sequencing().SeqA().AddEvent(off);
      source.Sequencing().SeqA().length = 768;
      source.Sequencing().SeqA().ppq = ppq;
      crafted = BankChunk(source, 1);
    }
    ASSERT_FALSE(crafted.empty());
    Vornell plug(nullptr, startup);
    const std::vector<uint8_t> before = BankChunk(plug, 1);
    AEffect* effect = plug.GetAEffect();
    const intptr_t taken =
        effect->dispatcher(effect, effSetChunk, 1, static_cast<intptr_t>(crafted.size()), crafted.data(), 0.0f);
    if (ppq <= Sequence::kMaxPpq) {
      EXPECT_EQ(taken, 1);
      EXPECT_EQ(BankChunk(plug, 1), crafted);
    } else {
      EXPECT_EQ(taken, 0);
      EXPECT_EQ(BankChunk(plug, 1), before);
    }
  }
}

}  // namespace
