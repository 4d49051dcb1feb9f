#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "platform/Resources.h"
#include "plugin/HostChunk.h"
#include "tests/state/StateTestSupport.h"
#include "tests/support/PresetFileBytes.h"
#include "tests/support/TempFolder.h"

namespace {

DataBlock BuiltInBank() {
  const ResourceData bank = FindResource("INIT", "PROGINIT");
  DataBlock block;
  if (bank.Found()) block.PutBytes(bank.data, static_cast<int>(bank.size));
  return block;
}

int32_t Big32(const DataBlock& block, int offset) {
  const uint8_t* b = block.Data() + offset;
  return static_cast<int32_t>((static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
                              (static_cast<uint32_t>(b[2]) << 8) | b[3]);
}

struct BankEntry {
  std::string name;
  int start = 0;  // of the state
  int size = 0;
};

// Walks the presets of a SerializePresets list with the summary reader only.
std::vector<BankEntry> WalkPresets(const DataBlock& block, int position, int* end) {
  std::vector<BankEntry> entries;
  for (int i = 0; i < 64 && position >= 0 && position < block.Size(); ++i) {
    BankEntry entry;
    uint8_t initialized = 0;
    position = block.GetText(&entry.name, position);
    position = block.GetByte(&initialized, position);
    if (position < 0 || !initialized) break;
    std::vector<Program> tracks, programs;
    entry.start = position;
    position = ReadStateSummary(block, position, tracks, programs);
    entry.size = position - entry.start;
    entries.push_back(entry);
  }
  *end = position;
  return entries;
}

TEST(BuiltInBank, IsABankFileThatParsesExactlyToItsEnd) {
  const DataBlock bank = BuiltInBank();
  ASSERT_GT(bank.Size(), 160);
  EXPECT_EQ(std::memcmp(bank.Data(), "CcnK", 4), 0);
  EXPECT_EQ(Big32(bank, 4), bank.Size());
  EXPECT_EQ(std::memcmp(bank.Data() + 8, "FBCh", 4), 0);
  EXPECT_EQ(Big32(bank, 16), kUniqueId);
  EXPECT_EQ(Big32(bank, 24), 64);
  EXPECT_EQ(Big32(bank, 28), 0);
  EXPECT_EQ(Big32(bank, 156), bank.Size() - 160);

  int position = 160;
  EXPECT_EQ(ReadChunkHeader(bank, &position), kChunkVersion);
  int end = 0;
  const std::vector<BankEntry> entries = WalkPresets(bank, position, &end);
  ASSERT_EQ(entries.size(), 64u);
  EXPECT_EQ(end, bank.Size());
  EXPECT_EQ(entries.front().name, "KEY Classic Patch");
  EXPECT_EQ(entries.back().name, "Init");
  const std::set<std::string> categories = {"KEY", "SEQ", "PAD", "LED", "SFX", "ARP", "BAS", "DRM", "STR"};
  std::set<std::string> names;
  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    const std::string& name = entries[i].name;
    EXPECT_TRUE(name.size() > 4 && categories.count(name.substr(0, 3)) && name[3] == ' ') << name;
    EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
    // A state holds the whole library: about 8 kilobytes, more with long loops.
    EXPECT_GT(entries[i].size, 7500) << name;
    EXPECT_LT(entries[i].size, 16000) << name;
  }
  for (const std::string& category : categories) {
    int count = 0;
    for (const BankEntry& entry : entries) count += entry.name.compare(0, 3, category) == 0;
    EXPECT_GE(count, 4) << category;
  }
}

TEST(BuiltInBank, FillsEveryPresetAndLeavesTheFirstCurrent) {
  TestVornell plug;
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);
  EXPECT_EQ(plug.GetPresetName(0), "KEY Classic Patch");
  EXPECT_EQ(plug.GetPresetName(63), "Init");
  for (int i = 0; i < 64; ++i) EXPECT_TRUE(plug.GetPreset(i)->initialized) << i;
  // The live state is the first preset's.
  EXPECT_TRUE(Body(StateOf(plug)) == Body(plug.GetPreset(0)->state));
  EXPECT_TRUE(plug.Commands().StartupBankPath().empty());
}

// Every preset selects; its keys, its loops or its arpeggio sound.
TEST(BuiltInBank, EveryPresetSelectsAndMakesSound) {
  TestVornell plug;
  PrepareAudio(plug);
  for (int i = 0; i < 64; ++i) {
    const std::string name = plug.GetPresetName(i);
    SCOPED_TRACE(name);
    ASSERT_TRUE(plug.SelectPreset(i));
    const std::string category = name.substr(0, 3);
    const int mode = plug.GetEngine().Mode();
    if (category == "ARP") {
      EXPECT_TRUE(mode == kModeArpUpDown || mode == kModeArpAssign);
    }
    if (category == "SEQ" || category == "DRM") {
      EXPECT_EQ(mode, kModeNormal);
      for (int which = 0; which < 2; ++which) {
        const Sequence& sequence = which ? plug.Sequencing().SeqB() : plug.Sequencing().SeqA();
        ASSERT_FALSE(sequence.Empty());
        ASSERT_GT(sequence.length, 0);
        plug.SetPlain(kParamMode, which ? kModeSequenceB : kModeSequenceA);
        ASSERT_EQ(plug.GetEngine().Mode(), which ? kModeSequenceB : kModeSequenceA);
        // One pass of the loop, and a little more.
        const double seconds = sequence.length * 60.0 / (sequence.EffectivePpq() * plug.GetParam(kParamSpeed)->Value());
        Rendering r;
        Render(plug, static_cast<int>(seconds * kTestRate) + 4800, r);
        EXPECT_GT(SumRms(r), 1e-3) << (which ? "Seq B" : "Seq A");
        // Each recorded part sounds on its own track.
        for (int t = 0; t < 6; ++t)
          if (sequence.channelUsed[t]) {
            EXPECT_GT(r.Peak(2 + 2 * t), 1e-3) << "track " << t + 1;
          }
        plug.SetPlain(kParamMode, kModeNormal);
        Render(plug, 24000, r);
      }
    }
    if (category == "DRM") {
      // One drum per MIDI channel 1..6, each on its own track.
      for (int t = 0; t < 6; ++t) {
        Rendering r;
        SendNote(plug, t, 48, 110);
        Render(plug, 9600, r);
        SendNote(plug, t, 48, 0);
        Render(plug, 9600, r);
        EXPECT_GT(r.Peak(2 + 2 * t), 1e-3) << "drum " << t + 1;
      }
      continue;
    }
    // A chord on the first channel a track listens on (any channel for the arpeggiator).
    int channel = 0;
    for (int t = 5; t >= 0; --t) {
      const int c = plug.IntParam(TrackParamIndex(t, kTrackChannel));
      if (c < 16) channel = c;
    }
    Rendering r;
    for (int note : {57, 60, 64}) SendNote(plug, channel, note, 100);
    Render(plug, 36000, r);
    for (int note : {57, 60, 64}) SendNote(plug, channel, note, 0);
    Render(plug, 48000, r);
    EXPECT_GT(SumRms(r), 1e-3);
  }
}

// The loops close every note inside the loop, so nothing hangs over the wrap.
TEST(BuiltInBank, LoopsEndEveryNoteInsideTheLoop) {
  TestVornell plug;
  int loops = 0;
  for (int i = 0; i < 64; ++i) {
    ASSERT_TRUE(plug.SelectPreset(i));
    for (const Sequence* sequence : {&plug.Sequencing().SeqA(), &plug.Sequencing().SeqB()}) {
      if (sequence->Empty()) continue;
      ++loops;
      SCOPED_TRACE(plug.GetPresetName(i));
      EXPECT_EQ(sequence->length % (4 * 192), 0);  // whole bars
      const std::vector<SequenceEvent>& events = sequence->Events();
      for (size_t e = 0; e < events.size(); ++e) {
        EXPECT_LT(events[e].tick, sequence->length);
        EXPECT_LT(events[e].status & 0x0f, 6);
        if ((events[e].status & 0xf0) != 0x90) continue;
        bool closed = false;
        for (size_t f = e + 1; f < events.size() && !closed; ++f)
          closed = events[f].status == (0x80 | (events[e].status & 0x0f)) && events[f].data1 == events[e].data1;
        EXPECT_TRUE(closed) << "note " << int(events[e].data1) << " at " << events[e].tick;
      }
    }
  }
  EXPECT_GE(loops, 2 * 14);  // every SEQ and DRM preset has both
}

// Instances share the bank's states until they write one: an untouched
// instance gives back the bank's bytes, and an edit shows only where it was made.
TEST(BuiltInBank, InstancesGiveBackItsBytesAndKeepTheirEditsToThemselves) {
  const DataBlock bank = BuiltInBank();
  int position = 160;
  ASSERT_EQ(ReadChunkHeader(bank, &position), kChunkVersion);
  DataBlock presets;
  presets.PutBytes(bank.Data() + position, bank.Size() - position);
  TestVornell edited, untouched;
  EditEverything(edited, 0);
  edited.ModifyCurrentPreset("Edited");
  ASSERT_TRUE(edited.SelectPreset(5));
  EditEverything(edited, 5);
  edited.ModifyCurrentPreset();
  for (TestVornell* plug : {&untouched, &edited}) {
    DataBlock serialized;
    ASSERT_TRUE(plug->SerializePresets(serialized));
    EXPECT_EQ(serialized == presets, plug == &untouched);
  }
  EXPECT_EQ(untouched.GetPresetName(0), "KEY Classic Patch");
  for (int i : {0, 5}) EXPECT_FALSE(edited.GetPreset(i)->state == untouched.GetPreset(i)->state) << i;
  EXPECT_TRUE(edited.GetPreset(6)->state == untouched.GetPreset(6)->state);
}

TEST(BuiltInBank, BankFileRestoresEveryPresetAndTheCurrentOne) {
  TempFolder folder;
  TestVornell plug;
  ASSERT_TRUE(plug.SelectPreset(12));
  EditEverything(plug, 12);
  plug.ModifyCurrentPreset("Twelve");
  ASSERT_TRUE(plug.SelectPreset(40));
  EditEverything(plug, 40);
  plug.ModifyCurrentPreset("Forty");
  ASSERT_TRUE(plug.SaveBankFile(folder / "bank.fxb"));

  // A bank load keeps the plug-in's preset index and ends with that preset's state.
  TestVornell other;
  ASSERT_TRUE(other.SelectPreset(40));
  ASSERT_TRUE(other.LoadBankFile(folder / "bank.fxb"));
  EXPECT_EQ(other.GetCurrentPresetIndex(), 40);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(other.GetPresetName(i), plug.GetPresetName(i)) << i;
    // Loading and storing again gives the same state.
    EXPECT_TRUE(Body(other.GetPreset(i)->state) == Body(plug.GetPreset(i)->state)) << plug.GetPresetName(i);
  }
  ExpectSameState(plug, other);
  ASSERT_TRUE(other.SelectPreset(12));
  EXPECT_EQ(other.GetEngine().GetTrack(1).programName, "Edited 12");

  // Same sound from both.
  PrepareAudio(plug);
  PrepareAudio(other);
  ASSERT_TRUE(plug.SelectPreset(12));
  const Rendering a = PlayPhrase(plug);
  const Rendering b = PlayPhrase(other);
  EXPECT_GT(SumRms(a), 1e-3);
  ExpectIdentical(a, b);
}

TEST(BuiltInBank, ProgramFileRestoresTheSameSound) {
  TempFolder folder;
  TestVornell plug;
  EditEverything(plug, 21);
  plug.ModifyCurrentPreset("Written");
  ASSERT_TRUE(plug.SaveProgramFile(folder / "one.fxp"));

  TestVornell other;
  ASSERT_TRUE(other.SelectPreset(30));
  ASSERT_TRUE(other.LoadProgramFile(folder / "one.fxp"));
  EXPECT_EQ(other.GetCurrentPresetIndex(), 30);
  EXPECT_EQ(other.GetPresetName(30), "Written");
  ExpectSameState(plug, other);
  PrepareAudio(plug);
  PrepareAudio(other);
  ExpectIdentical(PlayPhrase(plug), PlayPhrase(other));
}

TEST(Presets, ProgramFileKeepsAPresetNameLongerThanItsNameField) {
  TempFolder folder;
  TestVornell plug;
  const std::string name = "PAD Warm Strings with a Slow Attack";
  plug.ModifyCurrentPreset(name.c_str());
  ASSERT_TRUE(plug.SaveProgramFile(folder / "long.fxp"));
  TestVornell other;
  ASSERT_TRUE(other.LoadProgramFile(folder / "long.fxp"));
  EXPECT_EQ(other.GetPresetName(0), name);

  // A name field that says something else (renamed by another program) is the name.
  {
    std::fstream file(folder / "long.fxp", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(28);
    file.write("Renamed", 8);
  }
  ASSERT_TRUE(other.LoadProgramFile(folder / "long.fxp"));
  EXPECT_EQ(other.GetPresetName(0), "Renamed");
}

TEST(Presets, CopyAndPasteCarryAWholeStateAndTheName) {
  TestVornell plug;
  plug.Commands().PastePreset();  // empty clipboard: nothing
  EXPECT_EQ(plug.GetPresetName(0), "KEY Classic Patch");

  ASSERT_TRUE(plug.SelectPreset(2));
  EditEverything(plug, 2);  // not yet stored: copying stores it first
  const std::string name2 = plug.GetPresetName(2);
  plug.Commands().CopyPreset();

  ASSERT_TRUE(plug.SelectPreset(7));
  const DataBlock stored2 = plug.GetPreset(2)->state;
  plug.Commands().PastePreset();
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 7);
  EXPECT_EQ(plug.GetPresetName(7), name2);
  EXPECT_EQ(plug.GetEngine().GetTrack(1).programName, "Edited 2");
  EXPECT_EQ(plug.IntParam(kParamSpeed), 102);
  EXPECT_EQ(plug.Sequencing().SeqB().EventCount(), 12u);
  // Preset 7 now holds the copied state under its own index.
  EXPECT_TRUE(Body(plug.GetPreset(7)->state) == Body(stored2));
}

TEST(Presets, InitializePresetGivesFactoryProgramsEmptyLoopsAndDefaults) {
  TestVornell plug;
  plug.OpenEditor();
  ASSERT_TRUE(plug.SelectPreset(17));
  EditEverything(plug, 17);
  plug.SetPlain(TrackParamIndex(5, kTrackChannel), 5);
  plug.SetPlain(kParamMode, kModeArpAssign);
  plug.ClearNotifications();
  plug.InitializePreset();

  EXPECT_EQ(plug.GetEngine().Mode(), kModeNormal);
  for (int i = 0; i < kParamFirstVoice; ++i)
    EXPECT_EQ(plug.GetParam(i)->Value(), plug.GetParam(i)->Default()) << plug.GetParam(i)->Name();
  ProgramLibrary factory;
  ASSERT_TRUE(factory.RestoreFactoryPrograms(-1));
  for (int p = 0; p < kProgramCount; ++p)
    EXPECT_EQ(plug.Library().programs[static_cast<size_t>(p)], factory.programs[static_cast<size_t>(p)]);
  EXPECT_TRUE(plug.Sequencing().SeqA().Empty() && plug.Sequencing().SeqB().Empty());
  EXPECT_EQ(plug.Sequencing().SeqA().length, 0);
  for (int t = 0; t < 6; ++t) {
    const Program& program = factory.programs[static_cast<size_t>(plug.Programs().TrackProgramNumber(t))];
    EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, program.name);
    for (int k = 0; k < kVoiceParamCount; ++k)
      EXPECT_EQ(plug.IntParam(VoiceParamIndex(t, k)), program.values[static_cast<size_t>(k)]) << t << "/" << k;
  }
  EXPECT_EQ(plug.GetPresetName(17), "Vornell");
  EXPECT_TRUE(Body(StateOf(plug)) == Body(plug.GetPreset(17)->state));
  EXPECT_EQ(plug.StatusText(), "Preset initialized.");
  EXPECT_EQ(plug.StatusColour(), kStatusGreen);
  // The host hears of every parameter.
  for (int i = 0; i < kNumParams; ++i) EXPECT_GT(plug.hostNotified[static_cast<size_t>(i)], 0) << i;
}

TEST(Presets, StartupBankFillsThePresetsAndAMissingOneFallsBack) {
  TempFolder folder;
  {
    TestVornell source;
    ASSERT_TRUE(source.SelectPreset(9));
    EditEverything(source, 9);
    source.ModifyCurrentPreset("Startup Nine");
    ASSERT_TRUE(source.SaveBankFile(folder / "startup.fxb"));
  }
  std::ofstream(folder / "broken.fxb") << "CcnK not a bank";

  VornellStartup startup;
  startup.startupBankPath = folder / "startup.fxb";
  Vornell loaded(startup);
  EXPECT_EQ(loaded.GetCurrentPresetIndex(), 0);
  EXPECT_EQ(loaded.GetPresetName(9), "Startup Nine");
  ASSERT_TRUE(loaded.SelectPreset(9));
  EXPECT_EQ(loaded.GetEngine().GetTrack(1).programName, "Edited 9");
  EXPECT_EQ(loaded.Commands().StartupBankPath(), folder / "startup.fxb");

  for (const std::string& path : {folder / "missing.fxb", folder / "broken.fxb", std::string()}) {
    SCOPED_TRACE(path);
    startup.startupBankPath = path;
    Vornell fallback(startup);
    EXPECT_EQ(fallback.GetCurrentPresetIndex(), 0);
    EXPECT_EQ(fallback.GetPresetName(0), "KEY Classic Patch");
    EXPECT_EQ(fallback.GetPresetName(63), "Init");
    EXPECT_TRUE(fallback.Commands().StartupBankPath().empty());
    EXPECT_FALSE(fallback.stateLoading);
  }

  // Without a bank the presets stay empty for the caller to fill.
  startup.loadPresetBank = false;
  Vornell bare(startup);
  for (int i = 0; i < 64; ++i) EXPECT_FALSE(bare.GetPreset(i)->initialized);
}

TEST(Presets, PeekingIntoFilesGivesTheBrowserOnePresetOrTheList) {
  TempFolder folder;
  TestVornell plug;
  EditEverything(plug, 33);
  plug.ModifyCurrentPreset("A name much longer than the field holds");
  ASSERT_TRUE(plug.SaveProgramFile(folder / "p.fxp"));
  ASSERT_TRUE(plug.SaveBankFile(folder / "b.fxb"));

  DataBlock one;
  ASSERT_TRUE(plug.Commands().PeekProgramFile(folder / "p.fxp", one));
  int end = 0;
  std::vector<BankEntry> entries = WalkPresets(one, 0, &end);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "A name much longer than the field holds");  // as a load names it
  EXPECT_EQ(end, one.Size());

  DataBlock list;
  ASSERT_TRUE(plug.Commands().PeekBankFile(folder / "b.fxb", list));
  entries = WalkPresets(list, 0, &end);
  EXPECT_EQ(entries.size(), 64u);
  EXPECT_EQ(end, list.Size());

  // Not a chunk preset of this plug-in: only the name and the flag.
  DataBlock file;
  ASSERT_TRUE(plug.MakeProgramData(file));
  file.Data()[19] = '5';  // another identifier
  std::FILE* out = std::fopen((folder / "other.fxp").c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(file.Data(), 1, static_cast<size_t>(file.Size()), out);
  std::fclose(out);
  DataBlock other;
  EXPECT_FALSE(plug.Commands().PeekProgramFile(folder / "other.fxp", other));
  std::string name;
  uint8_t flag = 0;
  EXPECT_EQ(other.GetByte(&flag, other.GetText(&name, 0)), other.Size());
  EXPECT_EQ(flag, 1);
  DataBlock none;
  EXPECT_FALSE(plug.Commands().PeekBankFile(folder / "p.fxp", none));
  EXPECT_FALSE(plug.Commands().PeekBankFile(folder / "missing.fxb", none));
  EXPECT_EQ(none.Size(), 0);
}

}  // namespace

namespace {

// A bank load as it was before presets ahead of the current one were only
// replayed: every stored state loaded whole in turn, then the current preset.
int LoadEveryPresetInTurn(Vornell& plug, const DataBlock& bank) {
  int position = 0;
  for (int i = 0; i < plug.NumPresets() && position >= 0; ++i) {
    std::string name;
    uint8_t initialized = 0;
    position = bank.GetText(&name, position);
    position = bank.GetByte(&initialized, position);
    if (position < 0) break;
    PlugPreset& slot = *plug.GetPreset(i);
    if (initialized) {
      const int start = position;
      position = plug.LoadState(bank, position);
      if (position <= 0) break;
      slot.state.Clear();
      slot.state.PutBytes(bank.Data() + start, position - start);
    }
    slot.name = name;
    slot.initialized = initialized != 0;
  }
  plug.SelectPreset(plug.GetCurrentPresetIndex());
  return position;
}

// A random bank made of the built-in presets' states with random settings of
// what a state read leaves behind: Modes, channels, track Modes, Cycle,
// resolution, linking, and resonances on both sides of self-oscillation.
struct Dice {
  std::mt19937 engine;
  int Below(int n) { return static_cast<int>(engine() % static_cast<uint32_t>(n)); }
};

DataBlock RandomBank(const Vornell& source, Dice& random) {
  DataBlock bank;
  for (int i = 0; i < source.NumPresets(); ++i) {
    const PlugPreset& from = *source.GetPreset(random.Below(source.NumPresets()));
    const bool initialized = random.Below(12) != 0;
    bank.PutText("Random " + std::to_string(i));
    bank.PutByte(initialized ? 1 : 0);
    if (!initialized) continue;
    DataBlock state;
    state.PutBlock(from.state);
    const int params = state.Size() - kNumParams * 8;
    const auto set = [&](int index, double value) { std::memcpy(state.Data() + params + index * 8, &value, 8); };
    set(kParamMode, random.Below(3) == 0 ? random.Below(7) : 0);
    set(kParamResolution, random.Below(2));
    set(kParamLinkPrograms, random.Below(2));
    for (int t = 0; t < 6; ++t) {
      set(TrackParamIndex(t, kTrackChannel), random.Below(3) == 0 ? random.Below(18) : t);
      set(TrackParamIndex(t, kTrackMode), random.Below(3));
      set(TrackParamIndex(t, kTrackCycle), random.Below(2));
      const double resonances[] = {0, 90, 168, 169, 170, 171, 175, 255};
      set(VoiceParamIndex(t, kVoiceFilterResonance), resonances[random.Below(8)]);
      set(VoiceParamIndex(t, kVoiceFilterCutoff), random.Below(256));
    }
    bank.PutBlock(state);
  }
  return bank;
}

// What two instances were left with by two ways of loading: the presets, the
// live state, the status line, and all fourteen outputs of the same notes.
void ExpectSameAfterLoad(TestVornell& loaded, TestVornell& reference) {
  EXPECT_EQ(loaded.GetCurrentPresetIndex(), reference.GetCurrentPresetIndex());
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(loaded.GetPresetName(i), reference.GetPresetName(i));
    EXPECT_EQ(loaded.GetPreset(i)->initialized, reference.GetPreset(i)->initialized);
    EXPECT_TRUE(loaded.GetPreset(i)->state == reference.GetPreset(i)->state) << "preset " << i;
  }
  EXPECT_TRUE(StateOf(loaded) == StateOf(reference)) << "live state";
  EXPECT_EQ(loaded.StatusText(), reference.StatusText());
  EXPECT_EQ(loaded.StatusSerial(), reference.StatusSerial());
  Rendering a, b;
  for (TestVornell* plug : {&loaded, &reference}) {
    Rendering& r = plug == &loaded ? a : b;
    for (int c = 0; c < 16; ++c)
      for (int n = 0; n < 6; ++n) SendNote(*plug, c, 43 + 5 * n + c, 60 + 10 * n, n);
    Render(*plug, 4800, r);
  }
  for (size_t c = 0; c < 14; ++c)
    EXPECT_TRUE(a.channels[c].size() == b.channels[c].size() &&
                std::memcmp(a.channels[c].data(), b.channels[c].data(), a.channels[c].size() * sizeof(double)) == 0)
        << "output " << c;
}

}  // namespace

// Loading a bank applies only the current preset whole, or only the preset
// the host's chunk selects after it; every voice and track must still sound as
// if each preset had been loaded in turn (a resonance of a skipped preset
// leaves a filter pre-roll or cleared state on silent voices).
TEST(Presets, BankLoadSoundsAsLoadingEveryPresetInTurn) {
  const TestVornell source;
  Dice random{std::mt19937(17)};
  for (int run = 0; run < 24; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    DataBlock bank = RandomBank(source, random);
    // Some banks end inside a state.
    if (run % 6 == 5) bank.Resize(bank.Size() - 1 - random.Below(bank.Size() / 2));
    // Most banks come as a host's chunk, which selects a stored preset after.
    const int stored = run % 3 == 0 ? -1 : random.Below(64);
    if (stored >= 0) {
      bank.PutInt32(kCurrentPresetTag);
      bank.PutInt32(stored);
    }
    const int current = random.Below(64);
    TestVornell loaded, reference;
    for (TestVornell* plug : {&loaded, &reference}) {
      plug->OpenEditor();
      PrepareAudio(*plug);
      plug->SelectPreset(current);
      if (run % 4 == 3) plug->GetPreset(current)->initialized = false;
      for (int c = 0; c < 16; ++c)
        for (int n = 0; n < 6; ++n) SendNote(*plug, c, 40 + 7 * n + c, 100);
      Rendering before;
      Render(*plug, 256, before);
    }
    if (stored < 0) {
      EXPECT_EQ(loaded.UnserializePresets(bank, 0), LoadEveryPresetInTurn(reference, bank));
    } else {
      HostChunkImage image;
      loaded.ReadBankChunk(bank, 0, image);
      loaded.ApplyHostChunk(bank, image);
      const int end = LoadEveryPresetInTurn(reference, bank);
      if (end >= 0) {
        EXPECT_EQ(image.end, end + 8);
        reference.SelectPreset(stored);
      }
    }

    ExpectSameAfterLoad(loaded, reference);
  }
}

// The built-in bank is read once in a process and shared: instances made at
// once on two threads and one after another end as one that reads the same
// bytes as a startup bank file, each preset and state read for itself.
TEST(BuiltInBank, SharedReadingLeavesInstancesAsAReadingOfTheirOwn) {
  TempFolder folder;
  const DataBlock bank = BuiltInBank();
  ASSERT_GT(bank.Size(), 160);
  {
    std::ofstream file(folder / "builtin.fxb", std::ios::binary);
    file.write(reinterpret_cast<const char*>(bank.Data()), bank.Size());
  }
  VornellStartup startup;
  startup.startupBankPath = folder / "builtin.fxb";
  // The first two at once (run alone, this test has them read the bank).
  std::unique_ptr<TestVornell> made[4];
  std::thread other([&] { made[0] = std::make_unique<TestVornell>(); });
  made[1] = std::make_unique<TestVornell>();
  other.join();
  made[2] = std::make_unique<TestVornell>();
  made[3] = std::make_unique<TestVornell>();
  for (int n = 0; n < 4; ++n) {
    SCOPED_TRACE("instance " + std::to_string(n));
    TestVornell reference(startup);
    ASSERT_EQ(reference.Commands().StartupBankPath(), folder / "builtin.fxb");
    PrepareAudio(*made[n]);
    PrepareAudio(reference);
    ExpectSameState(*made[n], reference);
    ExpectSameAfterLoad(*made[n], reference);
  }
}

// A bank file in the parameter-list form loads as it always did: each
// program's preset selected in turn (an empty one takes the live state as a
// "user preset"), every parameter set, the preset stored under the program's
// name, and then the file's current preset selected. The instance before is
// random: presets of a random bank, some of them empty (in half the runs the
// first one), some named as user presets, any current preset, voices sounding,
// now and then a track name longer than a state read keeps.
TEST(Presets, ParamListBankLoadsAsStoringEachProgramInTurn) {
  const TestVornell source;
  Dice random{std::mt19937(41)};
  for (int run = 0; run < 12; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const DataBlock prior = RandomBank(source, random);
    std::vector<int> empty, userNamed;
    for (int i = 0; i < 64; ++i) {
      if (random.Below(4) == 0 || (i == 0 && run % 2 == 1)) empty.push_back(i);
      if (random.Below(16) == 0) userNamed.push_back(i);
    }
    const int before = random.Below(64);
    const int counts[] = {1, 2, 17, 63, 64, 70};
    const size_t count = static_cast<size_t>(counts[random.Below(6)]);
    std::vector<std::vector<float>> programs(count, std::vector<float>(kNumParams));
    std::vector<std::string> names(count);
    for (size_t i = 0; i < count; ++i) {
      // Values across the range, its ends, and a little outside it.
      const float ends[] = {0.0f, 1.0f, -0.25f, 1.5f};
      for (float& value : programs[i]) value = random.Below(8) ? random.Below(1001) / 1000.0f : ends[random.Below(4)];
      const int kind = random.Below(4);
      names[i] = kind == 0   ? ""
                 : kind == 1 ? "user preset " + std::to_string(random.Below(9))
                             : "Program " + std::to_string(i);
    }
    // A value that is not a number leaves the parameter as it was.
    if (run % 4 == 3) programs[count - 1][static_cast<size_t>(random.Below(kNumParams))] = std::nanf("");
    const int current = random.Below(72) - 2;

    TestVornell loaded, reference;
    for (TestVornell* plug : {&loaded, &reference}) {
      plug->OpenEditor();
      PrepareAudio(*plug);
      plug->UnserializePresets(prior, 0);
      for (const int i : empty) plug->GetPreset(i)->initialized = false;
      for (const int i : userNamed) plug->GetPreset(i)->name = "user preset " + std::to_string(i);
      plug->SelectPreset(before);
      // A name longer than a state read takes, live and in the current preset.
      if (run % 3 == 0) {
        plug->Programs().RenameTrackProgram(1, std::string(80, 'n'));
        plug->ModifyCurrentPreset();
      }
      for (int c = 0; c < 16; ++c)
        for (int n = 0; n < 6; ++n) SendNote(*plug, c, 40 + 7 * n + c, 100);
      Rendering sounding;
      Render(*plug, 256, sounding);
    }
    const std::vector<uint8_t> bytes = ParamBank(programs, current, names);
    DataBlock file;
    file.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_TRUE(loaded.LoadBankData(file));
    {
      PluginLock lock(reference.Mutex());
      for (size_t i = 0; i < count && i < 64; ++i) {
        if (!reference.SelectPreset(static_cast<int>(i))) continue;
        for (int k = 0; k < kNumParams; ++k)
          reference.GetParam(k)->SetFromNormalized(programs[i][static_cast<size_t>(k)]);
        reference.ModifyCurrentPreset(names[i].c_str());
      }
      reference.SelectPreset(current);
    }
    ExpectSameAfterLoad(loaded, reference);
  }
}
