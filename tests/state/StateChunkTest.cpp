#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/state/StateTestSupport.h"

namespace {

// Size of the tag, preset index and preset-name fields at the start of a block.
int HeaderSize(const DataBlock& block) {
  const int after = SkipStateHeader(block, 0);
  EXPECT_GT(after, kStateTagSize);
  return after;
}

TEST(StateChunk, BlockStartsWithTagPresetAndTrackNames) {
  TestVornell plug;
  plug.SelectPreset(3);
  plug.GetEngine().GetTrack(0).programName = "First Track";
  const DataBlock block = StateOf(plug);
  ASSERT_GT(block.Size(), kStateTagSize + 4);
  EXPECT_EQ(std::memcmp(block.Data(), "Vornell_1.0.0", 13), 0);
  int32_t index = -1;
  std::string name, track;
  int position = block.GetInt32(&index, kStateTagSize);
  position = block.GetText(&name, position);
  block.GetText(&track, position);
  EXPECT_EQ(index, 3);
  EXPECT_EQ(name, plug.GetPresetName(3));
  EXPECT_EQ(track, "First Track");
}

TEST(StateChunk, SavedStateLoadsIntoAFreshInstanceWithIdenticalSound) {
  TestVornell edited;
  EditEverything(edited, 5);
  const DataBlock block = StateOf(edited);

  TestVornell fresh;
  ASSERT_EQ(fresh.LoadState(block, 0), block.Size());
  ExpectSameState(edited, fresh);

  // Both render the same MIDI from a clean audio start.
  TestVornell reference;
  ASSERT_EQ(reference.LoadState(block, 0), block.Size());
  PrepareAudio(fresh);
  PrepareAudio(reference);
  PrepareAudio(edited);
  const Rendering a = PlayPhrase(edited);
  const Rendering b = PlayPhrase(fresh);
  const Rendering c = PlayPhrase(reference);
  EXPECT_GT(SumRms(a), 1e-3);
  ExpectIdentical(a, b);
  ExpectIdentical(b, c);
}

TEST(StateChunk, LoadedSequencesPlayTheSameAsTheOriginals) {
  TestVornell edited;
  EditEverything(edited, 2);
  const DataBlock block = StateOf(edited);
  TestVornell fresh;
  ASSERT_EQ(fresh.LoadState(block, 0), block.Size());
  for (TestVornell* plug : {&edited, &fresh}) {
    PrepareAudio(*plug);
    plug->SetPlain(kParamMode, kModeSequenceB);
    ASSERT_EQ(plug->GetEngine().Mode(), kModeSequenceB);
  }
  Rendering a, b;
  Render(edited, 48000, a);
  Render(fresh, 48000, b);
  // Seq B plays tracks 4 and 5 only.
  EXPECT_GT(a.Rms(2 + 2 * 3), 1e-4);
  EXPECT_GT(a.Rms(2 + 2 * 4), 1e-4);
  EXPECT_EQ(a.Rms(2), 0.0);
  ExpectIdentical(a, b);
}

TEST(StateChunk, SaveLoadOnTheSameObjectChangesNothingAndKeepsThePreset) {
  TestVornell plug;
  ASSERT_TRUE(plug.SelectPreset(20));
  EditEverything(plug, 9);
  const DataBlock block = StateOf(plug);
  ASSERT_TRUE(plug.SelectPreset(5));
  const std::string name5 = plug.GetPresetName(5);
  ASSERT_EQ(plug.LoadState(block, 0), block.Size());
  // The stored preset index and name are not applied.
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 5);
  EXPECT_EQ(plug.GetPresetName(5), name5);
  EXPECT_TRUE(StateOf(plug) == [&] {
    // Only the header differs: index 5 and its name instead of the saved ones.
    DataBlock expected;
    expected.PutBytes(kStateTag, kStateTagSize);
    expected.PutInt32(5);
    expected.PutText(name5);
    expected.PutBytes(block.Data() + HeaderSize(block), block.Size() - HeaderSize(block));
    return expected;
  }());
  EXPECT_FALSE(plug.stateLoading);
  EXPECT_FALSE(plug.Programs().LinkSuspended());
}

TEST(StateChunk, OlderBlockWithoutTagLoadsFromTheTrackNames) {
  TestVornell edited;
  EditEverything(edited, 4);
  const DataBlock full = StateOf(edited);
  const DataBlock older = Tail(full, HeaderSize(full));
  TestVornell fresh;
  EXPECT_EQ(fresh.LoadState(older, 0), older.Size());
  ExpectSameState(edited, fresh);

  // A tag spelled differently is not a tag: the block is read as an older one
  // and then ends early.
  DataBlock almost = full;
  almost.Data()[12] = '1';
  TestVornell other;
  EXPECT_EQ(other.LoadState(almost, 0), -1);
}

TEST(StateChunk, LoadingClearsArmedAndModifiedAndCutsLongNames) {
  TestVornell source;
  const std::string longName(100, 'n');
  source.GetEngine().GetTrack(3).programName = longName;
  const DataBlock block = StateOf(source);

  TestVornell plug;
  for (int t = 0; t < 6; ++t) {
    plug.GetEngine().GetTrack(t).armed = true;
    plug.GetEngine().GetTrack(t).programModified = true;
  }
  ASSERT_EQ(plug.LoadState(block, 0), block.Size());
  for (int t = 0; t < 6; ++t) {
    EXPECT_FALSE(plug.GetEngine().GetTrack(t).armed);
    EXPECT_FALSE(plug.GetEngine().GetTrack(t).programModified);
  }
  EXPECT_EQ(plug.GetEngine().GetTrack(3).programName, std::string(64, 'n'));
}

TEST(StateChunk, AStoredProgramWithALongNameIsNotModifiedAfterTheStateIsRead) {
  TestVornell source;
  source.Programs().RenameTrackProgram(0, std::string(80, 'n'));
  source.Programs().StoreTrackProgram(-1);
  const DataBlock block = StateOf(source);

  // Another instance (a project reopened) and the same one (a preset chosen again).
  TestVornell other;
  for (TestVornell* plug : {&other, &source}) {
    ASSERT_EQ(plug->LoadState(block, 0), block.Size());
    plug->Programs().UpdateProgramModified(0);
    EXPECT_FALSE(plug->GetEngine().GetTrack(0).programModified);
    // A real rename within the kept length still counts.
    plug->Programs().RenameTrackProgram(0, std::string(63, 'n'));
    plug->Programs().UpdateProgramModified(0);
    EXPECT_TRUE(plug->GetEngine().GetTrack(0).programModified);
  }
}

TEST(StateChunk, StoredModeIsEnteredWhateverModeRuns) {
  // An arpeggiator set-up: track 6 alone on MIDI channel 6.
  TestVornell arp;
  arp.SetPlain(TrackParamIndex(5, kTrackChannel), 5);
  arp.SetPlain(kParamMode, kModeArpUpDown);
  ASSERT_EQ(arp.GetEngine().Mode(), kModeArpUpDown);
  const DataBlock block = StateOf(arp);

  // Running a sequence, with track 6 switched off.
  TestVornell plug;
  EditEverything(plug, 1);
  plug.SetPlain(TrackParamIndex(5, kTrackChannel), kChannelNone);
  plug.SetPlain(kParamMode, kModeSequenceA);
  ASSERT_EQ(plug.GetEngine().Mode(), kModeSequenceA);
  ASSERT_EQ(plug.LoadState(block, 0), block.Size());
  EXPECT_EQ(plug.GetEngine().Mode(), kModeArpUpDown);
  EXPECT_EQ(plug.IntParam(kParamMode), kModeArpUpDown);
  for (int t = 0; t < 6; ++t) EXPECT_FALSE(plug.GetEngine().GetTrack(t).sequenceDriven) << t;

  // The arpeggio sounds on track 6.
  PrepareAudio(plug);
  SendNote(plug, 0, 60, 100);
  SendNote(plug, 0, 64, 100);
  Rendering r;
  Render(plug, 24000, r);
  EXPECT_GT(r.Rms(2 + 2 * 5), 1e-4);
}

TEST(StateChunk, ModeThatCannotBeEnteredLeavesTheParameterWithTheEngine) {
  TestVornell source;
  source.Sequencing().SeqA().Clear();
  DataBlock block = StateOf(source);
  // Rewrite the stored Mode as Sequence A while Seq A is empty.
  const int modeOffset = block.Size() - 8 * (kNumParams - kParamMode);
  const double mode = kModeSequenceA;
  std::memcpy(block.Data() + modeOffset, &mode, 8);
  TestVornell plug;
  ASSERT_EQ(plug.LoadState(block, 0), block.Size());
  EXPECT_EQ(plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(plug.IntParam(kParamMode), kModeNormal);
}

TEST(StateChunk, LowBitsOfVoiceValuesSurviveAStateReadInTheLowResolution) {
  TestVornell source;
  source.SetPlain(kParamResolution, kResolutionCalvara);
  source.SetPlain(VoiceParamIndex(1, kVoiceFineFrequency), 13);
  const DataBlock block = StateOf(source);

  TestVornell plug;
  plug.SetPlain(kParamResolution, kResolutionExtended);
  ASSERT_EQ(plug.LoadState(block, 0), block.Size());
  EXPECT_FALSE(plug.ExtendedResolution());
  EXPECT_EQ(plug.IntParam(VoiceParamIndex(1, kVoiceFineFrequency)), 13);
  // The engine hears the masked value, 8, as the source does.
  EXPECT_EQ(plug.GetEngine().TrackVoiceParam(1, kVoiceFineFrequency), 8.0 / 255.0 * 128.0);
  EXPECT_TRUE(StateOf(plug) == block);
  // Switching to the extended resolution afterwards finds the full value.
  plug.SetPlain(kParamResolution, kResolutionExtended);
  EXPECT_EQ(plug.GetEngine().TrackVoiceParam(1, kVoiceFineFrequency), 13.0 / 255.0 * 128.0);
}

// The layout of a block, found by writing its parts the way the state does.
struct Layout {
  int header = 0;
  std::vector<int> trackEnds;    // after each track name
  std::vector<int> programEnds;  // after each program record
  int seqAEnd = 0;
  int seqBEnd = 0;
  int size = 0;
};

Layout LayoutOf(Vornell& plug) {
  Layout layout;
  DataBlock block = StateOf(plug);
  layout.header = HeaderSize(block);
  layout.size = block.Size();
  DataBlock part;
  part.PutBytes(block.Data(), layout.header);
  for (int t = 0; t < 6; ++t) {
    part.PutText(plug.GetEngine().GetTrack(t).programName);
    layout.trackEnds.push_back(part.Size());
  }
  for (int p = 0; p < kProgramCount; ++p) {
    WriteProgramRecord(plug.Library().programs[static_cast<size_t>(p)], part);
    layout.programEnds.push_back(part.Size());
  }
  plug.Sequencing().SeqA().Serialize(part);
  layout.seqAEnd = part.Size();
  plug.Sequencing().SeqB().Serialize(part);
  layout.seqBEnd = part.Size();
  EXPECT_EQ(layout.seqBEnd + 8 * kNumParams, layout.size);
  return layout;
}

// A block that ends early at any point: fields before the break are applied,
// each library slot is either the stored one or untouched, a sequence that is
// not complete is emptied, the parameter at the break becomes 0 (clamped) and
// the parameters after it keep their values.
TEST(StateChunk, TruncatedBlocksFailCleanlyAndLeaveLibraryAndSequencesWhole) {
  TestVornell source;
  EditEverything(source, 3);
  const DataBlock full = StateOf(source);
  const Layout layout = LayoutOf(source);

  TestVornell previous;
  EditEverything(previous, 8);
  const DataBlock before = StateOf(previous);

  std::vector<int> cuts = {0, 1, 12, 13, 15, 17, layout.header - 1, layout.header, layout.header + 3};
  for (int t = 0; t < 6; ++t) cuts.push_back(layout.trackEnds[static_cast<size_t>(t)] - 1);
  for (int p : {0, 1, 2, 50, 98, 99}) {
    cuts.push_back(layout.programEnds[static_cast<size_t>(p)] - 1);
    cuts.push_back(layout.programEnds[static_cast<size_t>(p)]);
    cuts.push_back(layout.programEnds[static_cast<size_t>(p)] - 20);
  }
  for (int d : {1, 4, 20, 30, 37}) {
    cuts.push_back(layout.programEnds.back() + d);
    cuts.push_back(layout.seqAEnd + d);
  }
  cuts.push_back(layout.seqAEnd - 1);
  cuts.push_back(layout.seqBEnd - 1);
  for (int i : {0, 1, 3, 5, 40, 80, 81, 150, 302}) {
    cuts.push_back(layout.seqBEnd + 8 * i);
    cuts.push_back(layout.seqBEnd + 8 * i + 5);
  }
  cuts.push_back(layout.size - 1);

  TestVornell plug;
  PrepareAudio(plug);
  for (int cut : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    ASSERT_EQ(plug.LoadState(before, 0), before.Size());
    ASSERT_EQ(plug.LoadState(Head(full, cut), 0), -1);

    for (int t = 0; t < 6; ++t) {
      const Vornell& expected = cut >= layout.trackEnds[static_cast<size_t>(t)] ? static_cast<Vornell&>(source)
                                                                                : static_cast<Vornell&>(previous);
      EXPECT_EQ(plug.GetEngine().GetTrack(t).programName, expected.GetEngine().GetTrack(t).programName)
          << "track " << t;
    }
    for (int p = 0; p < kProgramCount; ++p) {
      const Vornell& expected = cut >= layout.programEnds[static_cast<size_t>(p)] ? static_cast<Vornell&>(source)
                                                                                  : static_cast<Vornell&>(previous);
      ASSERT_EQ(plug.Library().programs[static_cast<size_t>(p)], expected.Library().programs[static_cast<size_t>(p)])
          << "slot " << p;
    }
    if (cut >= layout.seqAEnd)
      ExpectSameSequence(plug.Sequencing().SeqA(), source.Sequencing().SeqA(), "Seq A");
    else
      EXPECT_TRUE(plug.Sequencing().SeqA().Empty() && plug.Sequencing().SeqA().length == 0);
    if (cut >= layout.seqBEnd)
      ExpectSameSequence(plug.Sequencing().SeqB(), source.Sequencing().SeqB(), "Seq B");
    else
      EXPECT_TRUE(plug.Sequencing().SeqB().Empty() && plug.Sequencing().SeqB().length == 0);
    for (int c = 0; c < 16; ++c) {
      if (cut < layout.seqAEnd) {
        EXPECT_FALSE(plug.Sequencing().SeqA().channelUsed[c]);
      }
      if (cut < layout.seqBEnd) {
        EXPECT_FALSE(plug.Sequencing().SeqB().channelUsed[c]);
      }
    }

    // Reading the parameters starts only when everything before them was there.
    const int broken = cut < layout.seqBEnd ? -1 : (cut - layout.seqBEnd) / 8;
    for (int i = 0; i < kNumParams; ++i) {
      const PlugParam* param = plug.GetParam(i);
      if (i < broken)
        EXPECT_EQ(param->Value(), source.GetParam(i)->Value()) << param->Name();
      else if (i == broken)
        EXPECT_EQ(param->Value(), std::clamp(0.0, param->Min(), param->Max())) << param->Name();
      else
        EXPECT_EQ(param->Value(), previous.GetParam(i)->Value()) << param->Name();
    }
    EXPECT_FALSE(plug.stateLoading);
    EXPECT_FALSE(plug.Programs().LinkSuspended());
    // Whatever was left plays.
    Rendering r;
    SendNote(plug, 0, 60, 100);
    Render(plug, kTestBlock * 2, r);
    SendNote(plug, 0, 60, 0);
  }
}

TEST(StateChunk, CorruptCountsAndLengthsFailWithoutHarm) {
  TestVornell source;
  EditEverything(source, 6);
  const DataBlock full = StateOf(source);
  const Layout layout = LayoutOf(source);
  struct Patch {
    int offset;
    int32_t value;
  };
  const Patch patches[] = {
      {kStateTagSize + 4, 0x7fffffff},            // preset name length
      {layout.trackEnds.back() + 1, -1},          // first program's name length
      {layout.trackEnds.back() + 1, 0x40000000},  // first program's name length
      {layout.programEnds.back() + 24, -1},       // Seq A event count
      {layout.programEnds.back() + 24, 0x7ffffff0},
  };
  for (const Patch& patch : patches) {
    SCOPED_TRACE("offset " + std::to_string(patch.offset));
    DataBlock bad = full;
    std::memcpy(bad.Data() + patch.offset, &patch.value, 4);
    TestVornell plug;
    EXPECT_EQ(plug.LoadState(bad, 0), -1);
    EXPECT_FALSE(plug.stateLoading);
    for (int p = 0; p < kProgramCount; ++p) EXPECT_LE(plug.Library().programs[static_cast<size_t>(p)].name.size(), 64u);
  }
}

TEST(StateChunk, DamagedBlocksLeaveEveryParameterInRangeAndTheModeWithTheEngine) {
  TestVornell source;
  EditEverything(source, 11);
  const DataBlock full = StateOf(source);
  TestVornell plug;
  PrepareAudio(plug);
  uint32_t random = 12345;
  auto next = [&random]() {
    random = random * 1664525u + 1013904223u;
    return random >> 8;
  };
  for (int round = 0; round < 150; ++round) {
    DataBlock bad = full;
    const int changes = 1 + static_cast<int>(next() % 8);
    for (int c = 0; c < changes; ++c)
      bad.Data()[next() % static_cast<uint32_t>(bad.Size())] = static_cast<uint8_t>(next());
    const int end = plug.LoadState(bad, 0);
    SCOPED_TRACE("round " + std::to_string(round));
    EXPECT_TRUE(end == -1 || (end > 0 && end <= bad.Size()));
    EXPECT_FALSE(plug.stateLoading);
    EXPECT_FALSE(plug.Programs().LinkSuspended());
    for (int i = 0; i < kNumParams; ++i) {
      const PlugParam* param = plug.GetParam(i);
      ASSERT_TRUE(param->Value() >= param->Min() && param->Value() <= param->Max()) << param->Name();
    }
    EXPECT_EQ(plug.ModeValue(), plug.GetEngine().Mode());
    Rendering r;
    SendNote(plug, 0, 60, 100);
    Render(plug, kTestBlock, r);
    SendNote(plug, 0, 60, 0);
    Render(plug, kTestBlock, r);
  }
}

TEST(StateChunk, SummaryListsTrackSoundsAndLibraryWithoutApplyingAnything) {
  TestVornell source;
  EditEverything(source, 7);
  source.SetPlain(VoiceParamIndex(4, kVoiceFilterResonance), 200);
  const DataBlock block = StateOf(source);

  TestVornell plug;
  const DataBlock untouched = StateOf(plug);
  std::vector<Program> tracks(1), programs;  // appended after what is there
  EXPECT_EQ(ReadStateSummary(block, 0, tracks, programs), block.Size());
  ASSERT_EQ(tracks.size(), 7u);
  ASSERT_EQ(programs.size(), 100u);
  for (int t = 0; t < 6; ++t) {
    const Program& entry = tracks[static_cast<size_t>(t) + 1];
    EXPECT_EQ(entry.number, t);
    EXPECT_EQ(entry.name, source.GetEngine().GetTrack(t).programName);
    for (int k = 0; k < kVoiceParamCount; ++k)
      EXPECT_EQ(entry.values[static_cast<size_t>(k)], source.IntParam(VoiceParamIndex(t, k)) & 0xff);
  }
  for (int p = 0; p < kProgramCount; ++p)
    EXPECT_EQ(programs[static_cast<size_t>(p)], source.Library().programs[static_cast<size_t>(p)]);
  EXPECT_TRUE(StateOf(plug) == untouched);

  // The older form, and a block that ends inside the voice values.
  const DataBlock older = Tail(block, HeaderSize(block));
  tracks.clear();
  programs.clear();
  EXPECT_EQ(ReadStateSummary(older, 0, tracks, programs), older.Size());
  EXPECT_EQ(tracks[1].name, source.GetEngine().GetTrack(1).programName);
  tracks.clear();
  programs.clear();
  EXPECT_EQ(ReadStateSummary(Head(block, block.Size() - 8 * 40), 0, tracks, programs), -1);
  ASSERT_EQ(tracks.size(), 6u);
  EXPECT_EQ(tracks[0].values[0], source.IntParam(VoiceParamIndex(0, 0)));
  ASSERT_NE(source.IntParam(VoiceParamIndex(5, kVoiceFilterCutoff)), 0);
  EXPECT_EQ(tracks[5].values[kVoiceFilterCutoff], 0);  // not read
}

}  // namespace
