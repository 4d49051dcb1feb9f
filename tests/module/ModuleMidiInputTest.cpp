// MIDI as a careless or hostile host sends it: offsets at or past the end of
// the block, events left over when processing stops, floods of events.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/module/ModuleSupport.h"

namespace {

constexpr int32_t kBlock = 512;

bool SilentFrom(const Channels& out, size_t from) {
  for (const auto& pin : out)
    for (size_t i = from; i < pin.size(); ++i)
      if (pin[i] != 0.0f) return false;
  return true;
}

TEST(ModuleMidiInput, EventsAtOrPastTheBlockEndPlayAtItsEnd) {
  for (const int32_t offset : {kBlock, kBlock + 1, 1 << 20, INT32_MAX - 24, INT32_MAX}) {
    SCOPED_TRACE(offset);
    auto host = OpenInstance(44100.0, kBlock);
    ASSERT_TRUE(host);
    host->SendMidi({{0xE0, 0, 80, offset}, {0xB0, 1, 90, offset}, {0x90, 60, 100, offset}});
    const Channels first = host->ProcessFloat(kBlock);
    const Channels second = host->ProcessFloat(kBlock);
    EXPECT_TRUE(SilentFrom(Channels{std::vector<float>(first[0].begin(), first[0].end() - 1)}, 0));
    EXPECT_GT(Peak(second[0]), 0.0);
  }
}

TEST(ModuleMidiInput, StoppingProcessingDropsWhatWaitsButLetsNoNoteHang) {
  auto host = OpenInstance(44100.0, kBlock);
  ASSERT_TRUE(host);
  // Handed over, then the host stops before the block it was meant for.
  host->SendMidi({{0x90, 60, 100, 100}});
  host->Dispatch(effMainsChanged, 0, 0);
  host->Dispatch(effMainsChanged, 0, 1);
  EXPECT_TRUE(SilentFrom(Render(*host, {}, 4 * kBlock), 0));

  // A note off waiting when processing stops still ends its note.
  host->SendMidi({{0x90, 62, 100, 0}});
  ASSERT_GT(Peak(host->ProcessFloat(kBlock)[0]), 0.0);
  host->SendMidi({{0x80, 62, 0, 300}});
  host->Dispatch(effMainsChanged, 0, 0);
  host->Dispatch(effMainsChanged, 0, 1);
  EXPECT_TRUE(SilentFrom(Render(*host, {}, 3 * 44100), 2 * 44100));

  // A key and the pedal still down when processing stops: their releases
  // came while the host ran no blocks and are lost. Neither the note nor the
  // pedal may hold on after processing resumes.
  host->SendMidi({{0x90, 64, 100, 0}, {0xB0, 64, 127, 0}});
  ASSERT_GT(Peak(host->ProcessFloat(kBlock)[0]), 0.0);
  host->Dispatch(effMainsChanged, 0, 0);
  host->Dispatch(effMainsChanged, 0, 1);
  EXPECT_TRUE(SilentFrom(Render(*host, {}, 3 * 44100), 2 * 44100));
  host->SendMidi({{0x90, 65, 100, 0}, {0x80, 65, 0, 300}});
  EXPECT_TRUE(SilentFrom(Render(*host, {}, 3 * 44100), 2 * 44100));
}

TEST(ModuleMidiInput, AFloodOfEventsNeverLosesANoteOff) {
  // More events in one block than the input queue holds, then the note offs.
  const auto bends = [] {
    std::vector<TestHost::Midi> flood;
    for (int32_t i = 0; i < 20000; ++i) flood.push_back({0xE0, 0, 64, i % kBlock});
    return flood;
  };
  const auto notes = [] {
    std::vector<TestHost::Midi> flood;
    for (int32_t i = 0; i < 20000; ++i) flood.push_back({0x91, static_cast<uint8_t>(i % 128), 1, i % kBlock});
    for (uint8_t key = 0; key < 128; ++key) flood.push_back({0x81, key, 0, kBlock - 1});
    return flood;
  };
  const auto noteOffs = [] {
    // For other keys on other channels: none of them ends the note that plays.
    std::vector<TestHost::Midi> flood;
    for (int32_t i = 0; i < 20000; ++i)
      flood.push_back({static_cast<uint8_t>(0x81 + i / 60 % 15), static_cast<uint8_t>(i % 60), 0, i % kBlock});
    return flood;
  };
  for (const auto& [what, make] : std::vector<std::pair<std::string, std::vector<TestHost::Midi> (*)()>>{
           {"bends", bends}, {"note ons", notes}, {"note offs", noteOffs}}) {
    SCOPED_TRACE(what);
    auto host = OpenInstance(44100.0, kBlock);
    ASSERT_TRUE(host);
    host->SendMidi({{0x90, 60, 100, 0}});
    ASSERT_GT(Peak(host->ProcessFloat(kBlock)[0]), 0.0);
    std::vector<TestHost::Midi> flood = make();
    flood.push_back({0x80, 60, 0, kBlock - 1});
    host->SendMidi(flood);
    EXPECT_TRUE(SilentFrom(Render(*host, {}, 3 * 44100), 2 * 44100));
  }
}

// A program change selects a preset inside the host's audio call; the host's
// preset display is told afterwards, from its user-interface thread.
TEST(ModuleMidiInput, AProgramChangeIsToldTheHostOutsideTheAudioCall) {
  // Program changes are ignored unless the settings say otherwise (the test
  // program's settings folder is a private one).
  const std::filesystem::path settings = std::filesystem::path(getenv("XDG_CONFIG_HOME")) / "KestruneMusic";
  std::filesystem::create_directories(settings);
  std::ofstream(settings / "vornell.ini") << "[MIDI Global]\nIgnore Program Change=false\n";
  auto host = OpenInstance(44100.0, kBlock);
  std::filesystem::remove(settings / "vornell.ini");
  ASSERT_TRUE(host);
  host->ClearCalls();
  std::thread audio([&] {
    host->SendMidi({{0xC0, 5, 0, 0}});
    host->ProcessFloat(kBlock);
  });
  audio.join();
  EXPECT_EQ(host->CountCalls(audioMasterUpdateDisplay), 0);
  EXPECT_EQ(host->Dispatch(effGetProgram), 5);  // on another thread than the audio calls
  EXPECT_EQ(host->CountCalls(audioMasterUpdateDisplay), 1);

  // A host that makes every call on one thread hears of it at its idle call.
  host->SendMidi({{0xC0, 9, 0, 0}});
  host->ProcessFloat(kBlock);
  EXPECT_EQ(host->Dispatch(effGetProgram), 9);
  EXPECT_EQ(host->CountCalls(audioMasterUpdateDisplay), 1);
  host->Dispatch(effEditIdle);
  EXPECT_EQ(host->CountCalls(audioMasterUpdateDisplay), 2);
  host->Dispatch(effEditIdle);
  EXPECT_EQ(host->CountCalls(audioMasterUpdateDisplay), 2);
}

}  // namespace
