#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "engine/MidiMessage.h"
#include "plugin/IPlugBase.h"
#include "tests/plugin/TestPlug.h"

TEST(IPlugBase, ConstructionCreatesRecordsPresetsAndChannels) {
  IPlugBase plug;
  EXPECT_EQ(plug.NumParams(), 303);
  EXPECT_EQ(plug.NumPresets(), 64);
  EXPECT_EQ(plug.GetParam(-1), nullptr);
  EXPECT_EQ(plug.GetParam(303), nullptr);
  ASSERT_NE(plug.GetParam(302), nullptr);
  EXPECT_EQ(plug.GetParam(302)->Kind(), ParamKind::None);
  EXPECT_EQ(plug.GetPreset(64), nullptr);
  EXPECT_FALSE(plug.GetPreset(0)->initialized);
  EXPECT_EQ(plug.GetPresetName(0), "empty");
  EXPECT_EQ(plug.GetPresetName(-1), "");
  EXPECT_EQ(plug.GetPresetName(64), "");
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 0);

  EXPECT_EQ(plug.NumInputChannels(), 0);
  EXPECT_EQ(plug.NumOutputChannels(), 14);
  ASSERT_EQ(plug.ChannelIOConfigs().size(), 7u);
  EXPECT_EQ(plug.ChannelIOConfigs()[6].outputs, 14);
  EXPECT_TRUE(plug.LegalIO(0));
  EXPECT_FALSE(plug.LegalIO(1));
  EXPECT_FALSE(plug.LegalIO(2));

  EXPECT_EQ(plug.GetSampleRate(), 44100.0);
  EXPECT_EQ(plug.GetBlockSize(), 0);
  EXPECT_EQ(plug.GetLatency(), 0);
  EXPECT_EQ(plug.GetHostKind(), -1);
  EXPECT_EQ(plug.GetPluginApi(), 0);
  EXPECT_TRUE(plug.IsChunkState());
  EXPECT_TRUE(plug.IsInstrument());
  EXPECT_TRUE(plug.DoesMidi());
}

TEST(IPlugBase, MalformedChannelConfigurationStopsAtTheBadPair) {
  IPlugBase plug(1, 1, "2-2 1-4 x-9 0-8");
  ASSERT_EQ(plug.ChannelIOConfigs().size(), 2u);
  EXPECT_EQ(plug.NumInputChannels(), 2);
  EXPECT_EQ(plug.NumOutputChannels(), 4);
  EXPECT_TRUE(plug.LegalIO(1));
  IPlugBase empty(1, 1, "");
  EXPECT_EQ(empty.NumOutputChannels(), 0);
  EXPECT_FALSE(empty.LegalIO(0));
}

TEST(IPlugBase, EditorEditSetsValueTellsHostAndInstrument) {
  TestPlug plug;
  plug.SetParamFromEditor(1, 0.75);  // -12..12 -> 6
  EXPECT_EQ(plug.GetParam(1)->Value(), 6.0);
  ASSERT_EQ(plug.automated.size(), 1u);
  EXPECT_EQ(plug.automated[0].first, 1);
  EXPECT_EQ(plug.automated[0].second, 0.75);
  ASSERT_EQ(plug.changed.size(), 1u);
  EXPECT_EQ(plug.changed[0], 1);

  plug.SetParamFromEditor(4, 0.5);
  plug.SetParamFromEditor(-1, 0.5);
  EXPECT_EQ(plug.automated.size(), 1u);
  EXPECT_EQ(plug.changed.size(), 1u);
}

TEST(IPlugBase, EngineChangeIsSilentWhileStateLoads) {
  TestPlug plug;
  TestEditor editor;
  plug.AttachEditor(&editor);
  editor.shown.clear();

  plug.stateLoading = true;
  plug.SetParameterFromEngine(1, 40);  // clamped to 12
  EXPECT_EQ(plug.GetParam(1)->Value(), 12.0);
  EXPECT_TRUE(plug.automated.empty());
  EXPECT_TRUE(plug.changed.empty());
  EXPECT_TRUE(editor.shown.empty());

  plug.stateLoading = false;
  plug.SetParameterFromEngine(1, -6);
  EXPECT_EQ(plug.GetParam(1)->Value(), -6.0);
  ASSERT_EQ(plug.automated.size(), 1u);
  EXPECT_DOUBLE_EQ(plug.automated[0].second, 0.25);
  EXPECT_EQ(plug.changed, std::vector<int>{1});
  ASSERT_EQ(editor.shown.size(), 1u);
  EXPECT_EQ(editor.shown[0].index, 1);
  EXPECT_DOUBLE_EQ(editor.shown[0].value, 0.25);
  EXPECT_TRUE(editor.shown[0].normalized);

  plug.SetParameterFromEngine(99, 1);  // no such parameter: nothing happens
  EXPECT_EQ(plug.automated.size(), 1u);
}

TEST(IPlugBase, AttachEditorPushesEveryValueAndPreparesDrawing) {
  TestPlug plug;
  TestEditor editor;
  plug.RefreshParamControls();  // no editor: nothing to do, no crash
  plug.AttachEditor(&editor);
  EXPECT_EQ(plug.GetEditorLink(), &editor);
  EXPECT_EQ(editor.prepared, 1);
  ASSERT_EQ(editor.shown.size(), 4u);
  EXPECT_DOUBLE_EQ(editor.shown[1].value, (4.0 + 12.0) / 24.0);
  EXPECT_DOUBLE_EQ(editor.shown[3].value, 0.5);  // list 0..2 at 1
  editor.shown.clear();
  plug.RefreshParamControls();
  EXPECT_EQ(editor.shown.size(), 4u);
}

TEST(IPlugBase, PushAndApplyVisitEveryParameterInOrder) {
  TestPlug plug;
  plug.ApplyAllParams();
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3}));
  plug.PushParamsToHost();
  ASSERT_EQ(plug.automated.size(), 4u);
  EXPECT_DOUBLE_EQ(plug.automated[0].second, 0.5);
  EXPECT_DOUBLE_EQ(plug.automated[2].second, 0.0);
}

TEST(IPlugBase, ParamsRoundTripAsDoubles) {
  TestPlug a;
  a.SetValues({0.37, -7, 1, 2});
  DataBlock block;
  ASSERT_TRUE(a.SerializeParams(block));
  ASSERT_EQ(block.Size(), 4 * 8);
  double first = 0;
  block.GetDouble(&first, 0);
  EXPECT_EQ(first, 0.37);

  TestPlug b;
  EXPECT_EQ(b.UnserializeParams(block, 0), 32);
  EXPECT_EQ(b.Values(), a.Values());
  EXPECT_EQ(b.changed, (std::vector<int>{0, 1, 2, 3}));
}

TEST(IPlugBase, UnserializedValuesAreClampedNotRounded) {
  DataBlock block;
  block.PutDouble(7.5);   // 0..1
  block.PutDouble(2.5);   // integer, not rounded when read back
  block.PutDouble(-3.0);  // switch 0..1
  block.PutDouble(std::numeric_limits<double>::quiet_NaN());
  TestPlug plug;
  EXPECT_EQ(plug.UnserializeParams(block, 0), 32);
  EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
  EXPECT_EQ(plug.GetParam(1)->Value(), 2.5);
  EXPECT_EQ(plug.GetParam(2)->Value(), 0.0);
  EXPECT_EQ(plug.GetParam(3)->Value(), 1.0);  // NaN leaves the value alone
}

TEST(IPlugBase, TruncatedParamsReportFailureAndKeepTheRest) {
  TestPlug plug;
  plug.SetValues({0.1, 3, 1, 2});
  DataBlock block;
  block.PutDouble(0.9);
  block.PutDouble(-2);
  block.PutByte(0);  // a torn third value
  EXPECT_EQ(plug.UnserializeParams(block, 0), -1);
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.9, -2, 1, 2}));
  // Every parameter is reported even so, so the engine matches the records.
  EXPECT_EQ(plug.changed, (std::vector<int>{0, 1, 2, 3}));

  plug.changed.clear();
  EXPECT_EQ(plug.UnserializeParams(block, -1), -1);
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.9, -2, 1, 2}));
  EXPECT_EQ(plug.changed.size(), 4u);
}

TEST(IPlugBase, StateEqualsInSinglePrecision) {
  TestPlug plug;
  plug.SetValues({0.3, 5, 1, 0});
  DataBlock block;
  plug.IPlugBase::SaveState(block);  // the base's state is just the parameters
  EXPECT_TRUE(plug.StateEquals(block, 0));
  plug.GetParam(0)->SetValue(0.3 + 4e-6);
  EXPECT_TRUE(plug.StateEquals(block, 0));
  plug.GetParam(0)->SetValue(0.3 + 5e-5);
  EXPECT_FALSE(plug.StateEquals(block, 0));
  plug.GetParam(0)->SetValue(0.3);
  DataBlock shorter;
  shorter.PutBytes(block.Data(), block.Size() - 1);
  EXPECT_FALSE(plug.StateEquals(shorter, 0));
  EXPECT_FALSE(plug.StateEquals(block, -1));
}

TEST(IPlugBase, SelectingAnUninitializedPresetNamesItAfterTheUserPresets) {
  TestPlug plug(4, 5);
  plug.SetValues({0.2, 1, 0, 0});
  ASSERT_TRUE(plug.SelectPreset(2));
  EXPECT_EQ(plug.GetPresetName(2), "user preset 1");
  EXPECT_TRUE(plug.GetPreset(2)->initialized);
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 2);
  EXPECT_EQ(plug.presetsChanged, 1);

  ASSERT_TRUE(plug.SelectPreset(4));
  EXPECT_EQ(plug.GetPresetName(4), "user preset 2");
  // Any name containing the phrase counts.
  plug.GetPreset(0)->name = "my user preset";
  ASSERT_TRUE(plug.SelectPreset(3));
  EXPECT_EQ(plug.GetPresetName(3), "user preset 4");
}

TEST(IPlugBase, SelectPresetLoadsItsStateAndRejectsBadIndexes) {
  TestPlug plug(4, 3);
  plug.SetValues({0.25, -3, 1, 2});
  ASSERT_TRUE(plug.SelectPreset(0));  // takes the live state
  plug.SetValues({0.75, 9, 0, 0});
  ASSERT_TRUE(plug.SelectPreset(1));
  ASSERT_TRUE(plug.SelectPreset(0));
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.25, -3, 1, 2}));
  ASSERT_TRUE(plug.SelectPreset(1));
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.75, 9, 0, 0}));

  const int changesBefore = plug.presetsChanged;
  EXPECT_FALSE(plug.SelectPreset(3));
  EXPECT_FALSE(plug.SelectPreset(-1));
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 1);
  EXPECT_EQ(plug.presetsChanged, changesBefore);

  // An initialized preset whose state is unreadable is not selected.
  plug.GetPreset(2)->initialized = true;
  plug.GetPreset(2)->state.Clear();
  plug.GetPreset(2)->state.PutInt32(12345);
  EXPECT_FALSE(plug.SelectPreset(2));
  EXPECT_EQ(plug.GetCurrentPresetIndex(), 1);
}

TEST(IPlugBase, ModifyCurrentPresetStoresStateAndName) {
  TestPlug plug(4, 2);
  plug.SelectPreset(1);
  plug.SetValues({0.9, 11, 1, 0});
  plug.ModifyCurrentPreset();
  EXPECT_EQ(plug.GetPresetName(1), "user preset 1");
  plug.ModifyCurrentPreset("");
  EXPECT_EQ(plug.GetPresetName(1), "user preset 1");
  plug.ModifyCurrentPreset("Strings");
  EXPECT_EQ(plug.GetPresetName(1), "Strings");
  plug.ModifyCurrentPreset(std::string(300, 'x').c_str());
  EXPECT_EQ(plug.GetPresetName(1), std::string(255, 'x'));

  plug.SetValues({0, 0, 0, 0});
  plug.SelectPreset(1);
  EXPECT_EQ(plug.Values(), (std::vector<double>{0.9, 11, 1, 0}));
}

TEST(IPlugBase, MakeDefaultPresetsFillsOnlyEmptySlots) {
  TestPlug plug(4, 4);
  plug.SelectPreset(1);
  plug.MakeDefaultPresets(2);
  EXPECT_EQ(plug.GetPresetName(0), "Empty");
  EXPECT_EQ(plug.GetPresetName(1), "user preset 1");
  EXPECT_EQ(plug.GetPresetName(2), "Empty");
  EXPECT_FALSE(plug.GetPreset(3)->initialized);
  plug.MakeDefaultPresets(64);
  EXPECT_EQ(plug.GetPresetName(3), "Empty");
  DataBlock live;
  plug.SaveState(live);
  EXPECT_EQ(plug.GetPreset(3)->state, live);
}

TEST(IPlugBase, PresetLayoutIsNameFlagAndRawState) {
  TestPlug plug(1, 2);
  plug.GetParam(0)->SetValue(0.5);
  plug.SelectPreset(0);
  DataBlock block;
  ASSERT_TRUE(plug.SerializePresets(block));
  // "user preset 1" (4 + 13) + flag + state (tag 4 + one double 8); "empty" (4 + 5) + flag.
  ASSERT_EQ(block.Size(), 17 + 1 + 12 + 9 + 1);
  std::string name;
  int position = block.GetText(&name, 0);
  EXPECT_EQ(name, "user preset 1");
  EXPECT_EQ(block.Data()[position], 1);
  EXPECT_EQ(std::memcmp(block.Data() + position + 1, plug.GetPreset(0)->state.Data(), 12), 0);
  position = block.GetText(&name, position + 13);
  EXPECT_EQ(name, "empty");
  EXPECT_EQ(block.Data()[position], 0);

  IPlugBase none(1, 0);
  DataBlock nothing;
  EXPECT_TRUE(none.SerializePresets(nothing));
  EXPECT_EQ(nothing.Size(), 0);
}

TEST(IPlugBase, PresetsRoundTripAndEndInTheCurrentPresetsState) {
  TestPlug a(4, 3);
  a.SetValues({0.1, 1, 0, 0});
  a.SelectPreset(0);
  a.ModifyCurrentPreset("One");
  a.SetValues({0.2, 2, 1, 1});
  a.SelectPreset(1);
  a.SetValues({0.3, 3, 0, 2});
  a.SelectPreset(2);
  a.SelectPreset(1);
  DataBlock block;
  ASSERT_TRUE(a.SerializePresets(block));

  TestPlug b(4, 3);
  b.SelectPreset(1);  // current index 1, as in a
  b.loads = 0;
  EXPECT_EQ(b.UnserializePresets(block, 0), block.Size());
  EXPECT_EQ(b.GetPresetName(0), "One");
  EXPECT_EQ(b.GetPresetName(1), "user preset 1");
  EXPECT_EQ(b.GetPresetName(2), "user preset 2");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(b.GetPreset(i)->state, a.GetPreset(i)->state) << i;
  EXPECT_EQ(b.loads, 4);  // every stored state in turn, then the current one
  EXPECT_EQ(b.Values(), (std::vector<double>{0.2, 2, 1, 1}));
}

TEST(IPlugBase, TruncatedPresetsStopAndKeepWhatFollows) {
  TestPlug a(4, 3);
  for (int i = 0; i < 3; ++i) {
    a.SetValues({0.1 * (i + 1), static_cast<double>(i), 0, 0});
    a.SelectPreset(i);
    a.ModifyCurrentPreset(("A" + std::to_string(i)).c_str());
  }
  DataBlock full;
  a.SerializePresets(full);

  // Cut inside the second preset's state.
  DataBlock cut;
  const int firstSize = 4 + 2 + 1 + a.GetPreset(0)->state.Size();
  cut.PutBytes(full.Data(), firstSize + 4 + 2 + 1 + 10);
  TestPlug b(4, 3);
  for (int i = 0; i < 3; ++i) {
    b.SetValues({0.9, -1, 1, 1});
    b.SelectPreset(i);
    b.ModifyCurrentPreset(("B" + std::to_string(i)).c_str());
  }
  const DataBlock secondBefore = b.GetPreset(1)->state;
  b.SelectPreset(0);
  EXPECT_EQ(b.UnserializePresets(cut, 0), -1);
  EXPECT_EQ(b.GetPresetName(0), "A0");
  EXPECT_EQ(b.GetPresetName(1), "B1");
  EXPECT_EQ(b.GetPreset(1)->state, secondBefore);
  EXPECT_EQ(b.GetPresetName(2), "B2");
  // The live state is the current preset's, not the torn one.
  EXPECT_EQ(b.Values(), (std::vector<double>{0.1, 0, 0, 0}));

  // Name text without its flag: that preset keeps its name.
  DataBlock flagless;
  flagless.PutText("Lonely");
  TestPlug c(4, 1);
  c.SelectPreset(0);
  EXPECT_EQ(c.UnserializePresets(flagless, 0), -1);
  EXPECT_EQ(c.GetPresetName(0), "user preset 1");

  // Garbage of every length never crashes and never renames with a torn entry.
  for (int length = 0; length <= full.Size(); ++length) {
    DataBlock part;
    part.PutBytes(full.Data(), length);
    TestPlug d(4, 3);
    int position = d.UnserializePresets(part, 0);
    EXPECT_TRUE(position == -1 || position == full.Size()) << length;
  }
}

TEST(IPlugBase, PresetNamesFromABankAreCut) {
  DataBlock block;
  block.PutText(std::string(400, 'n'));
  block.PutByte(0);
  block.PutText("second");
  block.PutByte(0);
  TestPlug plug(4, 2);
  plug.SelectPreset(1);
  EXPECT_EQ(plug.UnserializePresets(block, 0), block.Size());
  EXPECT_EQ(plug.GetPresetName(0), std::string(255, 'n'));
  EXPECT_FALSE(plug.GetPreset(0)->initialized);
  // The current preset came back uninitialized, so selecting it again made it a user preset.
  EXPECT_EQ(plug.GetPresetName(1), "user preset 1");
  EXPECT_TRUE(plug.GetPreset(1)->initialized);
}

TEST(IPlugBase, BlockSizeAndFloatOutputs) {
  IPlugBase plug;  // base ProcessBlock: no inputs, so every output is cleared
  plug.SetBlockSize(8);
  for (int i = 0; i < plug.NumOutputChannels(); ++i) {
    EXPECT_EQ(plug.GetOutputChannel(i)->scratch.size(), 8u);
    plug.SetOutputConnected(i, true);
  }
  plug.SetOutputConnected(1, false);

  std::vector<std::vector<float>> host(13, std::vector<float>(8, 0.5f));
  std::vector<float*> pointers;
  for (auto& channel : host) pointers.push_back(channel.data());
  plug.AttachFloatOutputs(pointers.data(), 8);
  EXPECT_EQ(plug.GetOutputChannel(0)->hostFloat, pointers[0]);
  EXPECT_EQ(plug.GetOutputChannel(1)->hostFloat, nullptr);  // disconnected: takes no host buffer
  EXPECT_EQ(plug.GetOutputChannel(2)->hostFloat, pointers[1]);
  EXPECT_EQ(plug.GetOutputChannel(13)->hostFloat, pointers[12]);

  for (auto& channel : plug.GetOutputChannel(0)->scratch) channel = 3.0;
  plug.RunProcessBlock(8);
  EXPECT_EQ(plug.GetOutputChannel(0)->scratch[7], 0.0);  // cleared by the base

  for (int i = 0; i < 8; ++i) plug.GetOutputChannel(0)->scratch[static_cast<size_t>(i)] = 0.25;
  plug.WriteFloatOutputs(8, true);
  EXPECT_FLOAT_EQ(host[0][3], 0.75f);
  EXPECT_FLOAT_EQ(host[1][3], 0.5f);
  plug.WriteFloatOutputs(8, false);
  EXPECT_FLOAT_EQ(host[0][3], 0.25f);
  EXPECT_FLOAT_EQ(host[1][3], 0.0f);
}

TEST(IPlugBase, BaseProcessBlockPassesInputsThrough) {
  IPlugBase plug(1, 1, "2-4");
  plug.SetBlockSize(4);
  for (int i = 0; i < 2; ++i) plug.SetInputConnected(i, true);
  for (int i = 0; i < 4; ++i) plug.SetOutputConnected(i, true);
  float left[4] = {1, 2, 3, 4};
  float right[4] = {-1, -2, -3, -4};
  float* inputs[2] = {left, right};
  std::vector<std::vector<float>> out(4, std::vector<float>(4, 9.0f));
  float* outputs[4] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
  plug.AttachFloatInputs(inputs, 4);
  plug.AttachFloatOutputs(outputs, 4);
  plug.RunProcessBlock(4);
  plug.WriteFloatOutputs(4, false);
  EXPECT_EQ(out[0], (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(out[1], (std::vector<float>{-1, -2, -3, -4}));
  EXPECT_EQ(out[2], (std::vector<float>(4, 0.0f)));
  EXPECT_EQ(out[3], (std::vector<float>(4, 0.0f)));

  // The double path renders straight into the host's buffers.
  double l2[4] = {5, 6, 7, 8}, r2[4] = {0, 0, 0, 0};
  double o[4][4] = {};
  double* in2[2] = {l2, r2};
  double* out2[4] = {o[0], o[1], o[2], o[3]};
  plug.AttachDoubleInputs(in2, 4);
  plug.AttachDoubleOutputs(out2, 4);
  plug.RunProcessBlock(4);
  EXPECT_EQ(o[0][3], 8.0);
}

TEST(IPlugBase, OversizedHostBlockDoesNotOverrun) {
  IPlugBase plug;
  plug.SetBlockSize(4);
  for (int i = 0; i < plug.NumOutputChannels(); ++i) plug.SetOutputConnected(i, true);
  std::vector<std::vector<float>> host(14, std::vector<float>(64, 1.0f));
  std::vector<float*> pointers;
  for (auto& channel : host) pointers.push_back(channel.data());
  plug.AttachFloatOutputs(pointers.data(), 64);
  plug.RunProcessBlock(64);
  plug.WriteFloatOutputs(64, false);
  EXPECT_EQ(host[13][63], 0.0f);
  EXPECT_GE(plug.GetBlockSize(), 64);
}

namespace {
// Asks, from another thread, whether the plug-in lock is free at the moment
// the instrument is told of a parameter change.
class LockProbePlug : public TestPlug {
 public:
  void OnParamChanged(int index) override {
    std::atomic<bool> free{false};
    std::thread probe([&] {
      if (Mutex().try_lock()) {
        free = true;
        Mutex().unlock();
      }
    });
    probe.join();
    lockWasFree.push_back(free);
    TestPlug::OnParamChanged(index);
  }
  std::vector<bool> lockWasFree;
};
}  // namespace

TEST(IPlugBase, ParameterChangesRunUnderTheRecursiveLock) {
  LockProbePlug plug;
  {
    // A preset command holds the lock around an editor edit: the same thread may take it again.
    std::lock_guard outer(plug.Mutex());
    plug.SetParamFromEditor(0, 0.2);
  }
  DataBlock block;
  plug.SerializeParams(block);
  plug.UnserializeParams(block, 0);
  ASSERT_EQ(plug.lockWasFree.size(), 5u);
  for (bool free : plug.lockWasFree) EXPECT_FALSE(free);
  EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 0.2);
}

namespace {
class EchoPlug : public IPlugBase {
 public:
  EchoPlug() : IPlugBase(1, 1) {}
  bool SendMidiToHost(const MidiMessage& message) override {
    sent.push_back(message);
    return true;
  }
  std::vector<MidiMessage> sent;
};
}  // namespace

TEST(IPlugBase, BaseEchoesMidiToTheHost) {
  EchoPlug plug;
  MidiMessage note;
  note.offset = 17;
  note.status = 0x93;
  note.data1 = 60;
  note.data2 = 100;
  plug.OnMidiMessage(note);
  ASSERT_EQ(plug.sent.size(), 1u);
  EXPECT_EQ(plug.sent[0].offset, 17);
  EXPECT_EQ(plug.sent[0].status, 0x93);
  EXPECT_EQ(plug.sent[0].data2, 100);

  IPlugBase quiet(1, 1);  // without a host adapter the echo goes nowhere
  quiet.OnMidiMessage(note);
  EXPECT_FALSE(quiet.SendMidiToHost(note));
}
