// The instrument's whole state travels in host chunks: what one instance
// saves, a fresh one restores to the sample; damaged chunks never harm it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/module/ModuleSupport.h"

namespace {

// A short phrase on the first three channels, with bend and modulation.
std::vector<TimedMidi> Phrase() {
  return {{0, 0x90, 57, 100},   {0, 0x91, 45, 110},   {300, 0x92, 69, 90},   {2000, 0x90, 60, 100},
          {4000, 0xE2, 0, 80},  {5000, 0xB0, 1, 90},  {9000, 0x80, 57, 0},   {9000, 0x80, 60, 0},
          {12000, 0x81, 45, 0}, {14000, 0x82, 69, 0}, {15000, 0x90, 64, 80}, {19000, 0x80, 64, 0}};
}
constexpr int64_t kPhraseFrames = 24000;

// Sounds and settings a host could not have by default: channels, modes,
// programs, edited voice values and a renamed preset.
void Edit(TestHost& host) {
  GiveEachTrackItsChannel(host);
  ASSERT_TRUE(SetByText(host, "Track 1 Mode", "Polyphonic"));
  ASSERT_TRUE(SetByText(host, "Track Prg 1", "9"));
  ASSERT_TRUE(SetByText(host, "Track Prg 2", "53"));
  ASSERT_TRUE(SetByText(host, "Track 3 Mode", "Legato"));
  ASSERT_TRUE(SetByText(host, "Track Prg 3", "66"));
  ASSERT_TRUE(SetByText(host, "(1) Filter Resonance", "37"));
  ASSERT_TRUE(SetByText(host, "(2) Filter Cutoff", "30"));
  ASSERT_TRUE(SetByText(host, "(3) Voice Mode", "Unison"));
  ASSERT_TRUE(SetByText(host, "Track 2 Panorama", "0.2"));
  ASSERT_TRUE(SetByText(host, "Master Volume", "-3.1"));
  char name[] = "Edited Sound";
  host.Dispatch(effSetProgramName, 0, 0, name);
}

std::vector<float> AllPins(const Channels& channels) {
  std::vector<float> joined;
  for (const auto& c : channels) joined.insert(joined.end(), c.begin(), c.end());
  return joined;
}

TEST(ModuleChunk, AProgramChunkRestoresTheSoundToTheSample) {
  auto edited = OpenInstance();
  ASSERT_TRUE(edited);
  Edit(*edited);
  const std::vector<uint8_t> chunk = edited->GetChunk(1);
  ASSERT_FALSE(chunk.empty());
  const Channels expected = Render(*edited, Phrase(), kPhraseFrames);

  auto fresh = OpenInstance();
  ASSERT_TRUE(fresh);
  const Channels untouched = Render(*OpenInstance(), Phrase(), kPhraseFrames);
  ASSERT_EQ(fresh->SetChunk(1, chunk), 1);
  EXPECT_EQ(fresh->Text(effGetProgramName), "Edited Sound");
  for (int32_t i = 0; i < 303; ++i) EXPECT_EQ(fresh->Get(i), edited->Get(i)) << fresh->Text(effGetParamName, i);
  const Channels restored = Render(*fresh, Phrase(), kPhraseFrames);
  EXPECT_GT(Rms(expected[0]), 1e-3);
  // The edit is audible, so the comparison means something...
  EXPECT_NE(AllPins(untouched), AllPins(expected));
  // ...and the restored instance plays it bit for bit.
  EXPECT_TRUE(AllPins(restored) == AllPins(expected));
}

TEST(ModuleChunk, ABankChunkRestoresEveryPresetAndTheCurrentOne) {
  auto edited = OpenInstance();
  ASSERT_TRUE(edited);
  // Preset 3 and preset 40 hold different edits; preset 40 stays current.
  edited->Dispatch(effSetProgram, 0, 3);
  Edit(*edited);
  edited->Dispatch(effSetProgram, 0, 40);
  ASSERT_TRUE(SetByText(*edited, "Track Prg 1", "83"));
  ASSERT_TRUE(SetByText(*edited, "Master Tune", "30"));
  char name[] = "Forty";
  edited->Dispatch(effSetProgramName, 0, 0, name);
  const std::vector<uint8_t> bank = edited->GetChunk(0);
  ASSERT_FALSE(bank.empty());

  auto fresh = OpenInstance();
  ASSERT_TRUE(fresh);
  ASSERT_EQ(fresh->SetChunk(0, bank), 1);
  EXPECT_EQ(fresh->Dispatch(effGetProgram), 40);
  for (int32_t i = 0; i < 64; ++i) {
    char a[264] = {}, b[264] = {};
    edited->Dispatch(effGetProgramNameIndexed, i, -1, a);
    fresh->Dispatch(effGetProgramNameIndexed, i, -1, b);
    EXPECT_STREQ(a, b) << i;
  }
  // The receiving instance hands the very bank back, and every preset holds
  // the same whole state: parameters, library, sequences.
  EXPECT_TRUE(fresh->GetChunk(0) == bank);
  for (int32_t preset : {40, 3, 0, 63}) {
    SCOPED_TRACE(preset);
    edited->Dispatch(effSetProgram, 0, preset);
    fresh->Dispatch(effSetProgram, 0, preset);
    for (int32_t i = 0; i < 303; ++i) ASSERT_EQ(fresh->Get(i), edited->Get(i)) << edited->Text(effGetParamName, i);
    EXPECT_TRUE(fresh->GetChunk(1) == edited->GetChunk(1));
  }
  EXPECT_EQ(fresh->Text(effGetProgramName), edited->Text(effGetProgramName));
  EXPECT_TRUE(AllPins(Render(*fresh, Phrase(), kPhraseFrames)) == AllPins(Render(*edited, Phrase(), kPhraseFrames)));

  // The bank ends with the current preset's index. A bank of the older form
  // (without it) or with an index out of range still loads, on the preset the
  // receiving instance is on.
  for (int32_t stored : {-1, 64, 1000}) {
    SCOPED_TRACE(stored);
    std::vector<uint8_t> changed = bank;
    for (int i = 0; i < 4; ++i)
      changed[changed.size() - 4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(stored) >> (8 * i));
    auto other = OpenInstance();
    other->Dispatch(effSetProgram, 0, 9);
    ASSERT_EQ(other->SetChunk(0, changed), 1);
    EXPECT_EQ(other->Dispatch(effGetProgram), 9);
  }
  auto older = OpenInstance();
  older->Dispatch(effSetProgram, 0, 3);
  ASSERT_EQ(older->SetChunk(0, std::vector<uint8_t>(bank.begin(), bank.end() - 8)), 1);
  EXPECT_EQ(older->Dispatch(effGetProgram), 3);
  EXPECT_EQ(older->Text(effGetProgramName), "Edited Sound");
}

// After any chunk, good or bad, the instance renders finite samples, takes a
// good chunk again and plays it.
void ExpectPlays(TestHost& host, const std::vector<uint8_t>& good, const std::string& what) {
  SCOPED_TRACE(what);
  const std::vector<TimedMidi> note = {{0, 0x90, 60, 100}, {26000, 0x80, 60, 0}};
  ASSERT_TRUE(AllFinite(Render(host, note, 30000)));
  ASSERT_EQ(host.SetChunk(1, good), 1);
  const Channels out = Render(host, note, 30000);
  ASSERT_TRUE(AllFinite(out));
  EXPECT_GT(Rms(out[0], 10000, 26000), 1e-3);
}

TEST(ModuleChunk, DamagedChunksAreRefusedOrReadAndTheInstrumentStillPlays) {
  auto source = OpenInstance();
  ASSERT_TRUE(source);
  Edit(*source);
  const std::vector<uint8_t> program = source->GetChunk(1);
  const std::vector<uint8_t> bank = source->GetChunk(0);
  ASSERT_GT(program.size(), 64u);
  ASSERT_GT(bank.size(), program.size());

  auto host = OpenInstance();
  ASSERT_TRUE(host);
  std::mt19937 random(20261209);
  for (int32_t index : {1, 0}) {
    const std::vector<uint8_t>& good = index ? program : bank;
    // Truncated at many points, including inside the header.
    std::vector<size_t> cuts = {0, 1, 4, 7, 8, 9, 12, good.size() / 2, good.size() - 1};
    for (int i = 0; i < 12; ++i) cuts.push_back(std::uniform_int_distribution<size_t>(0, good.size() - 1)(random));
    for (size_t cut : cuts) {
      const intptr_t result = host->SetChunk(index, std::vector<uint8_t>(good.begin(), good.begin() + cut));
      EXPECT_TRUE(result == 0 || result == 1) << cut;
    }
    ExpectPlays(*host, program, "truncated");
    // Oversized: junk after a whole chunk.
    std::vector<uint8_t> longer = good;
    for (int i = 0; i < 5000; ++i) longer.push_back(static_cast<uint8_t>(random()));
    const intptr_t result = host->SetChunk(index, longer);
    EXPECT_TRUE(result == 0 || result == 1);
    ExpectPlays(*host, program, "oversized");
    // Random bytes, bare and behind a valid header.
    for (int i = 0; i < 10; ++i) {
      std::vector<uint8_t> noise(std::uniform_int_distribution<size_t>(1, 4000)(random));
      for (uint8_t& b : noise) b = static_cast<uint8_t>(random());
      if (i % 2) std::memcpy(noise.data(), good.data(), std::min<size_t>(8, noise.size()));
      const intptr_t r = host->SetChunk(index, noise);
      EXPECT_TRUE(r == 0 || r == 1);
    }
    ExpectPlays(*host, program, "random");
    // A good chunk with bytes changed here and there (lengths and counts among them).
    for (int i = 0; i < 20; ++i) {
      std::vector<uint8_t> damaged = good;
      for (int k = 0; k < 4; ++k)
        damaged[std::uniform_int_distribution<size_t>(8, damaged.size() - 1)(random)] = static_cast<uint8_t>(random());
      const intptr_t r = host->SetChunk(index, damaged);
      EXPECT_TRUE(r == 0 || r == 1);
    }
    ExpectPlays(*host, program, "damaged");
  }
  // A refused chunk leaves the state as it was.
  ASSERT_EQ(host->SetChunk(1, program), 1);
  const std::vector<uint8_t> before = host->GetChunk(1);
  EXPECT_EQ(host->SetChunk(1, std::vector<uint8_t>(program.begin(), program.begin() + program.size() / 2)), 0);
  EXPECT_EQ(host->GetChunk(1), before);
  // And a good chunk still restores the sound exactly.
  auto reference = OpenInstance();
  ASSERT_EQ(reference->SetChunk(1, program), 1);
  auto again = OpenInstance();
  ASSERT_EQ(again->SetChunk(1, std::vector<uint8_t>(program.begin(), program.begin() + 20)), 0);
  ASSERT_EQ(again->SetChunk(1, program), 1);
  EXPECT_TRUE(AllPins(Render(*again, Phrase(), kPhraseFrames)) == AllPins(Render(*reference, Phrase(), kPhraseFrames)));
}

TEST(ModuleChunk, TheHostMayHandBackTheChunksOwnMemory) {
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  Edit(*host);
  const std::vector<uint8_t> copy = host->GetChunk(1);
  void* data = nullptr;
  const intptr_t size = host->Dispatch(effGetChunk, 1, 0, &data);
  ASSERT_GT(size, 0);
  EXPECT_EQ(host->Dispatch(effSetChunk, 1, size, data), 1);
  EXPECT_EQ(host->GetChunk(1), copy);
}

}  // namespace

// Hosts that compare chunks to find out whether a project changed must see
// the very bytes again when nothing changed: get, set and get again, from
// several situations an instance can be in.
TEST(ModuleChunk, AnUnchangedStateRoundTripsToTheSameBytes) {
  auto source = OpenInstance();
  ASSERT_TRUE(source);
  source->Dispatch(effSetProgram, 0, 7);
  Edit(*source);
  const std::vector<uint8_t> editedBank = source->GetChunk(0);
  const std::vector<uint8_t> editedProgram = source->GetChunk(1);

  const std::vector<std::pair<std::string, std::function<void(TestHost&)>>> situations = {
      {"fresh", [](TestHost&) {}},
      {"another preset", [](TestHost& h) { h.Dispatch(effSetProgram, 0, 12); }},
      {"after a bank load", [&](TestHost& h) { ASSERT_EQ(h.SetChunk(0, editedBank), 1); }},
      {"bank load, then another preset",
       [&](TestHost& h) {
         ASSERT_EQ(h.SetChunk(0, editedBank), 1);
         h.Dispatch(effSetProgram, 0, 3);
       }},
      {"after a program load", [&](TestHost& h) { ASSERT_EQ(h.SetChunk(1, editedProgram), 1); }},
      {"edited", [](TestHost& h) { Edit(h); }},
  };
  for (const auto& [what, prepare] : situations) {
    for (int32_t index : {0, 1}) {
      SCOPED_TRACE(what + (index ? ", program chunk" : ", bank chunk"));
      auto host = OpenInstance();
      ASSERT_TRUE(host);
      prepare(*host);
      const std::vector<uint8_t> first = host->GetChunk(index);
      ASSERT_EQ(host->SetChunk(index, first), 1);
      EXPECT_TRUE(host->GetChunk(index) == first);
      // Twice over, and the other kind of chunk is left as it was too.
      const std::vector<uint8_t> other = host->GetChunk(1 - index);
      ASSERT_EQ(host->SetChunk(index, first), 1);
      EXPECT_TRUE(host->GetChunk(index) == first);
      EXPECT_TRUE(host->GetChunk(1 - index) == other);
    }
  }
}
