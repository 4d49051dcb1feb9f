// The LV2 bundle as LV2 hosts meet it: found and described by lilv, run with
// MIDI and the host's transport on its atom input, its state through the
// state interface. The VST2 module, driven the same way, is the reference:
// both are built from the same source and must sound the same.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "plugin/IPlugBase.h"
#include "programs/ParameterTable.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/module/ModuleSupport.h"
#include "tests/support/AllocationCounter.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kNumOutputs = 14;

// Renders total frames through the LV2 instance in the repeating block pattern.
Channels RenderLv2(Lv2TestInstance& lv2, const std::vector<TimedMidi>& events, int64_t total,
                   const std::vector<int32_t>& blocks) {
  Channels result(kNumOutputs);
  size_t next = 0, pattern = 0;
  for (int64_t start = 0; start < total;) {
    const int32_t frames = static_cast<int32_t>(std::min<int64_t>(blocks[pattern++ % blocks.size()], total - start));
    while (next < events.size() && events[next].frame < start + frames) {
      const TimedMidi& e = events[next++];
      std::vector<uint8_t> bytes = {e.status, e.data1, e.data2};
      if ((e.status >> 4) == 0xC) bytes.pop_back();
      lv2.QueueMidi(static_cast<uint32_t>(std::max<int64_t>(0, e.frame - start)), bytes);
    }
    auto out = lv2.Run(static_cast<uint32_t>(frames));
    for (size_t c = 0; c < result.size(); ++c) result[c].insert(result[c].end(), out[c].begin(), out[c].end());
    start += frames;
  }
  return result;
}

// Largest difference between two renderings over all outputs; infinite when their shapes differ.
double MaxDifference(const Channels& a, const Channels& b) {
  if (a.size() != b.size()) return INFINITY;
  double worst = 0.0;
  for (size_t c = 0; c < a.size(); ++c) {
    if (a[c].size() != b[c].size()) return INFINITY;
    for (size_t i = 0; i < a[c].size(); ++i) worst = std::max(worst, std::fabs(double(a[c][i]) - b[c][i]));
  }
  return worst;
}

// Notes on the first three tracks' channels, overlapping, with a bend and a sustain pedal.
std::vector<TimedMidi> SomeNotes() {
  return {{0, 0x90, 60, 100},   {300, 0x91, 64, 90},    {1500, 0xB0, 64, 127}, {2000, 0x92, 67, 70},
          {5000, 0x80, 60, 0},  {7000, 0xE1, 0, 80},    {9000, 0x81, 64, 0},   {12000, 0xB0, 64, 0},
          {15000, 0x82, 67, 0}, {16000, 0x90, 72, 127}, {20000, 0x80, 72, 0}};
}

TEST(Lv2Bundle, DescribesEveryParameterAndOutputAsTheInstrumentHasThem) {
  Lv2Bundle& b = Lv2Bundle::Get();
  ASSERT_NE(b.plugin, nullptr) << "lilv does not find the plug-in in " VORNELL_LV2_BUNDLE;
  IPlugBase table;
  DefineParameters(table);
  auto vst = OpenInstance(kRate, 512);
  ASSERT_TRUE(vst);
  ASSERT_EQ(vst->Effect()->numOutputs, kNumOutputs);
  const uint32_t ports = lilv_plugin_get_num_ports(b.plugin);
  ASSERT_EQ(ports, static_cast<uint32_t>(table.NumParams() + kNumOutputs + 2));

  std::vector<float> mins(ports), maxs(ports), defaults(ports);
  lilv_plugin_get_port_ranges_float(b.plugin, mins.data(), maxs.data(), defaults.data());
  LilvNode* integer = lilv_new_uri(b.world, LV2_CORE__integer);
  LilvNode* toggled = lilv_new_uri(b.world, LV2_CORE__toggled);
  LilvNode* enumeration = lilv_new_uri(b.world, LV2_CORE__enumeration);
  LilvNode* groupProperty = lilv_new_uri(b.world, "http://lv2plug.in/ns/ext/port-groups#group");
  std::set<std::string> symbols;
  for (int i = 0; i < table.NumParams(); ++i) {
    const PlugParam& param = *table.GetParam(i);
    const LilvPort* port = lilv_plugin_get_port_by_index(b.plugin, static_cast<uint32_t>(i));
    LilvNode* name = lilv_port_get_name(b.plugin, port);
    EXPECT_STREQ(lilv_node_as_string(name), param.Name()) << i;
    lilv_node_free(name);
    symbols.insert(lilv_node_as_string(lilv_port_get_symbol(b.plugin, port)));
    EXPECT_EQ(mins[i], static_cast<float>(param.Min())) << param.Name();
    EXPECT_EQ(maxs[i], static_cast<float>(param.Max())) << param.Name();
    EXPECT_EQ(defaults[i], static_cast<float>(param.Default())) << param.Name();
    const ParamKind kind = param.Kind();
    EXPECT_EQ(lilv_port_has_property(b.plugin, port, toggled), kind == ParamKind::Switch) << param.Name();
    EXPECT_EQ(lilv_port_has_property(b.plugin, port, integer), kind == ParamKind::Integer || kind == ParamKind::List)
        << param.Name();
    EXPECT_EQ(lilv_port_has_property(b.plugin, port, enumeration), kind == ParamKind::List) << param.Name();
    LilvScalePoints* points = lilv_port_get_scale_points(b.plugin, port);
    const int pointCount = points ? static_cast<int>(lilv_scale_points_size(points)) : 0;
    EXPECT_EQ(pointCount, kind == ParamKind::Switch ? 0 : param.NumDisplayTexts()) << param.Name();
    LILV_FOREACH(scale_points, it, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, it);
      double value = 0;
      EXPECT_TRUE(param.MapDisplayText(lilv_node_as_string(lilv_scale_point_get_label(point)), &value));
      EXPECT_EQ(value, lilv_node_as_float(lilv_scale_point_get_value(point))) << param.Name();
    }
    lilv_scale_points_free(points);
  }
  // The outputs carry the VST2 pins' labels, paired into stereo groups as the pins are.
  std::set<std::string> groups;
  for (int pin = 0; pin < kNumOutputs; ++pin) {
    VstPinProperties properties{};
    ASSERT_EQ(vst->Dispatch(effGetOutputProperties, pin, 0, &properties), 1);
    const LilvPort* port = lilv_plugin_get_port_by_index(b.plugin, static_cast<uint32_t>(table.NumParams() + pin));
    LilvNode* name = lilv_port_get_name(b.plugin, port);
    EXPECT_STREQ(lilv_node_as_string(name), properties.label);
    lilv_node_free(name);
    symbols.insert(lilv_node_as_string(lilv_port_get_symbol(b.plugin, port)));
    LilvNodes* group = lilv_port_get_value(b.plugin, port, groupProperty);
    ASSERT_EQ(lilv_nodes_size(group), 1u) << properties.label;
    groups.insert(lilv_node_as_uri(lilv_nodes_get_first(group)) + std::string(pin % 2 ? "R" : "L"));
    EXPECT_EQ((properties.flags & kVstPinIsStereo) != 0, pin % 2 == 0) << properties.label;
    lilv_nodes_free(group);
  }
  EXPECT_EQ(groups.size(), static_cast<size_t>(kNumOutputs));
  EXPECT_EQ(symbols.size(), static_cast<size_t>(table.NumParams() + kNumOutputs)) << "port symbols are not unique";
  lilv_node_free(integer);
  lilv_node_free(toggled);
  lilv_node_free(enumeration);
  lilv_node_free(groupProperty);

  LilvUIs* uis = lilv_plugin_get_uis(b.plugin);
  ASSERT_EQ(lilv_uis_size(uis), 1u);
  LilvNode* x11 = lilv_new_uri(b.world, "http://lv2plug.in/ns/extensions/ui#X11UI");
  EXPECT_TRUE(lilv_ui_is_a(lilv_uis_get(uis, lilv_uis_begin(uis)), x11));
  lilv_node_free(x11);
  lilv_uis_free(uis);
}

TEST(Lv2Bundle, SoundsAsTheVst2ModuleInAnyBlockPattern) {
  const auto notes = SomeNotes();
  for (const std::vector<int32_t>& blocks : std::vector<std::vector<int32_t>>{{512}, {4096}, {1, 333, 2048, 64}}) {
    auto vst = OpenInstance(kRate, 4096);
    ASSERT_TRUE(vst);
    const Channels reference = Render(*vst, notes, 24000, blocks);
    EXPECT_GT(Rms(reference[0]), 0.01);
    Lv2TestInstance lv2(kRate, 4096);
    ASSERT_TRUE(lv2.Ok());
    EXPECT_LE(MaxDifference(reference, RenderLv2(lv2, notes, 24000, blocks)), 1e-6) << "blocks starting " << blocks[0];
  }
}

TEST(Lv2Bundle, StateIsTheVst2ChunkAndMovesBetweenTheModulesBitForBit) {
  auto vst = OpenInstance(kRate, 512);
  ASSERT_TRUE(vst);
  vst->Dispatch(effSetProgram, 0, 2);
  vst->Set(kParamMasterVolume, 0.3f);
  vst->Set(TrackParamIndex(0, kTrackTranspose), 0.75f);
  const std::vector<uint8_t> chunk = vst->GetChunk(0);
  ASSERT_GT(chunk.size(), 1000u);

  Lv2TestInstance lv2(kRate, 4096);
  ASSERT_TRUE(lv2.Ok());
  ASSERT_EQ(lv2.RestoreChunk(chunk), LV2_STATE_SUCCESS);
  const auto notes = SomeNotes();
  // The host's ports still hold the table's defaults: they must not undo the state.
  const Channels fromLv2 = RenderLv2(lv2, notes, 24000, {512});
  EXPECT_EQ(lv2.SaveChunk(), chunk);
  EXPECT_LE(MaxDifference(Render(*vst, notes, 24000, {512}), fromLv2), 1e-6);

  // A chunk cut short is refused and changes nothing.
  const std::vector<uint8_t> cut(chunk.begin(), chunk.begin() + static_cast<long>(chunk.size() / 2));
  EXPECT_NE(lv2.RestoreChunk(cut), LV2_STATE_SUCCESS);
  EXPECT_EQ(lv2.SaveChunk(), chunk);

  // And back: the LV2 state loads into the VST2 module.
  auto other = OpenInstance(kRate, 512);
  ASSERT_EQ(other->SetChunk(0, lv2.SaveChunk()), 1);
  EXPECT_EQ(other->GetChunk(0), chunk);
}

TEST(Lv2Bundle, ControlPortsApplyOnlyWhenTheHostChangesThem) {
  Lv2TestInstance lv2(kRate, 4096);
  ASSERT_TRUE(lv2.Ok());
  lv2.Run(64);
  const std::vector<uint8_t> before = lv2.SaveChunk();
  lv2.Run(64);
  EXPECT_EQ(lv2.SaveChunk(), before) << "unchanged ports changed the state";

  lv2.Control(kParamMasterVolume) = 0.125f;
  lv2.Control(TrackParamIndex(1, kTrackTranspose)) = -7.4f;
  lv2.Run(64);
  auto vst = OpenInstance(kRate, 512);
  ASSERT_EQ(vst->SetChunk(0, lv2.SaveChunk()), 1);
  EXPECT_FLOAT_EQ(vst->Get(kParamMasterVolume), 0.125f);
  EXPECT_EQ(Display(*vst, "Track 2 Transpose"), "-7") << "integer ports take whole steps";
}

// "Sync to Host": a loop of the built-in bank follows the host's transport,
// tempo and bar position as the VST2 module follows its host's.
TEST(Lv2Bundle, SyncToHostFollowsTheTransportAsInTheVst2Module) {
  constexpr int kBlock = 512;
  constexpr double kTempo = 100.0;
  constexpr double kStartQuarter = 6.0;  // bar 2, third beat
  constexpr int kStoppedBlocks = 8, kBlocks = 120;
  auto vst = OpenInstance(kRate, kBlock);
  ASSERT_TRUE(vst);
  Lv2TestInstance lv2(kRate, kBlock);
  ASSERT_TRUE(lv2.Ok());
  // "SEQ Acid Loop" playing Seq A in time with the host, set up in the VST2
  // module and taken over by the LV2 plug-in as a host would restore it.
  vst->Dispatch(effSetProgram, 0, 10);
  vst->Set(kParamSyncToHost, 1.0f);
  vst->Set(kParamMode, static_cast<float>(kModeSequenceA) / 6.0f);
  ASSERT_EQ(lv2.RestoreChunk(vst->GetChunk(0)), LV2_STATE_SUCCESS);
  Lv2Position stopped;
  stopped.speed = 0.0;
  stopped.beatsPerMinute = kTempo;
  lv2.QueuePosition(0, stopped);

  Channels fromVst(kNumOutputs), fromLv2(kNumOutputs);
  for (int block = 0; block < kBlocks; ++block) {
    const bool playing = block >= kStoppedBlocks;
    const double rolled = playing ? double(block - kStoppedBlocks) * kBlock : 0.0;
    VstTimeInfo& time = vst->config.time;
    time.flags =
        kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid | (playing ? kVstTransportPlaying : 0);
    time.tempo = kTempo;
    time.ppqPos = kStartQuarter + rolled / kRate * kTempo / 60.0;
    time.barStartPos = std::floor(time.ppqPos / 4.0) * 4.0;
    time.samplePos = kStartQuarter * 60.0 / kTempo * kRate + rolled;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    if (block == kStoppedBlocks) {
      Lv2Position rolling;
      rolling.bar = 1;
      rolling.barBeat = 2;
      rolling.beatsPerMinute = kTempo;
      rolling.frame = static_cast<int64_t>(time.samplePos);
      lv2.QueuePosition(0, rolling);
    }
    const auto a = vst->ProcessFloat(kBlock);
    const auto b = lv2.Run(kBlock);
    for (int c = 0; c < kNumOutputs; ++c) {
      fromVst[c].insert(fromVst[c].end(), a[c].begin(), a[c].end());
      fromLv2[c].insert(fromLv2[c].end(), b[c].begin(), b[c].end());
    }
  }
  EXPECT_EQ(Peak(std::vector<float>(fromLv2[0].begin(), fromLv2[0].begin() + kStoppedBlocks * kBlock)), 0.0)
      << "the loop played while the transport stood";
  EXPECT_GT(Rms(fromLv2[0], kStoppedBlocks * kBlock), 0.01) << "the loop did not start with the transport";
  EXPECT_LE(MaxDifference(fromVst, fromLv2), 1e-6);
}

TEST(Lv2Bundle, MidiThruGoesToTheAtomOutputInTimeOrder) {
  const ScopedSettings thru("[MIDI Global]\nMIDI Thru=true\n");
  Lv2TestInstance lv2(kRate, 4096);
  ASSERT_TRUE(lv2.Ok());
  lv2.QueueMidi(10, {0x90, 60, 100});
  lv2.Run(512);
  lv2.QueueMidi(188, {0x80, 60, 0});
  lv2.QueueMidi(188, {0xF0, 0x7D, 0x01, 0xF7});
  lv2.Run(512);
  const auto& out = lv2.MidiOut();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].frame, 10);
  EXPECT_EQ(out[0].bytes, (std::vector<uint8_t>{0x90, 60, 100}));
  EXPECT_EQ(out[1].frame, 700);
  EXPECT_EQ(out[1].bytes, (std::vector<uint8_t>{0x80, 60, 0}));
}

// run() with notes, controllers, control port changes, time positions and
// MIDI thru takes nothing from the heap. (A MIDI program change loads a
// preset inside the block, which allocates in both modules alike.)
TEST(Lv2Bundle, RunTakesNothingFromTheHeap) {
  const ScopedSettings settings("[MIDI Global]\nMIDI Thru=true\n");
  Lv2TestInstance lv2(kRate, 512);
  ASSERT_TRUE(lv2.Ok());
  lv2.Run(512);
  int64_t allocations = 0;
  for (int block = 0; block < 64; ++block) {
    const uint8_t note = static_cast<uint8_t>(48 + block % 24);
    lv2.QueueMidi(static_cast<uint32_t>(block * 7 % 512), {0x90, note, 100});
    lv2.QueueMidi(static_cast<uint32_t>(block * 13 % 512), {0xB0, 1, static_cast<uint8_t>(block)});
    if (block % 8 == 4) lv2.QueueMidi(100, {0x80, static_cast<uint8_t>(note - 4), 0});
    if (block % 10 == 0) {
      Lv2Position position;
      position.bar = block;
      position.speed = block % 20 == 0 ? 1.0 : 0.0;
      lv2.QueuePosition(static_cast<uint32_t>(block * 5 % 512), position);
    }
    lv2.Control(kParamMasterVolume) = block % 2 ? 0.4f : 0.6f;
    lv2.Control(kParamSyncToHost) = block > 30 ? 1.0f : 0.0f;
    lv2.PrepareRun();
    {
      AllocationWindow window;
      lv2.RunPlugin(512);
      allocations += window.Count();
    }
    lv2.FinishRun(512);
  }
  EXPECT_EQ(allocations, 0);
  EXPECT_GT(lv2.MidiOut().size(), 64u);
}

}  // namespace
