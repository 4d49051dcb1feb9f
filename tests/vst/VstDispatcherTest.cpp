// Dispatcher answers and host services, through the module's entry as a host meets them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/vst/TestHost.h"
#include "tests/vst/TestInstrumentHooks.h"

namespace {

VstTestCountersRecord Counters(TestHost& host) {
  VstTestCountersRecord record{};
  TestHost::Hook<VstTestCountersProc>("VstTestCounters")(host.Effect(), &record);
  return record;
}

intptr_t String2Parameter(TestHost& host, int32_t index, const char* text) {
  return host.Dispatch(effString2Parameter, index, 0, const_cast<char*>(text));
}

}  // namespace

TEST(VstDispatcher, ParameterTextsNameDisplayAndLabel) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Text(effGetParamName, kParamGain), "Gain");
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamGain), "0.500");
  EXPECT_EQ(host.Text(effGetParamLabel, kParamGain), "amp");
  EXPECT_EQ(host.Text(effGetParamName, kParamMute), "Mute");
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamMute), "off");
  EXPECT_EQ(host.Text(effGetParamLabel, kParamMute), "");  // a value with a text has no unit
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamWave), "sine");
  EXPECT_EQ(host.Text(effGetParamLabel, kParamTranspose), "st");
  // Unknown parameters leave the buffer alone.
  EXPECT_EQ(host.Text(effGetParamName, 4), "");
  EXPECT_EQ(host.Text(effGetParamDisplay, -1), "");
  EXPECT_EQ(host.Dispatch(effGetParamName, 0, 0, nullptr), 0);
}

TEST(VstDispatcher, HostParameterValuesAreNormalisedAndSnapped) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Dispatch(effOpen);
  host.Set(kParamTranspose, 0.5f);
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamTranspose), "0");
  host.Set(kParamTranspose, 0.74f);  // -12 + 17.76 -> 6
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamTranspose), "6");
  EXPECT_FLOAT_EQ(host.Get(kParamTranspose), 18.0f / 24.0f);
  host.Set(kParamGain, 0.25f);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.25f);
  EXPECT_EQ(Counters(host).lastChanged, kParamGain);
  // Not a number, and unknown indexes, change nothing.
  host.Set(kParamGain, std::numeric_limits<float>::quiet_NaN());
  host.Set(77, 1.0f);
  host.Set(-1, 1.0f);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.25f);
  EXPECT_EQ(host.Get(77), 0.0f);
  EXPECT_EQ(host.Get(-1), 0.0f);
}

TEST(VstDispatcher, String2ParameterMatchesTextsAndReadsNumbers) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(String2Parameter(host, kParamMute, "on"), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamMute), 1.0f);
  EXPECT_EQ(String2Parameter(host, kParamMute, "maybe"), 0);
  EXPECT_EQ(String2Parameter(host, kParamMute, "On"), 0);
  EXPECT_FLOAT_EQ(host.Get(kParamMute), 1.0f);
  EXPECT_EQ(String2Parameter(host, kParamWave, "saw"), 1);
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamWave), "saw");

  EXPECT_EQ(String2Parameter(host, kParamGain, "0.25"), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.25f);
  EXPECT_EQ(String2Parameter(host, kParamGain, "  .75"), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.75f);
  EXPECT_EQ(String2Parameter(host, kParamGain, "1e-1"), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.1f);
  EXPECT_EQ(String2Parameter(host, kParamTranspose, "-3 st"), 1);
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamTranspose), "-3");
  // Plain values are clamped to the range, not snapped to the step.
  EXPECT_EQ(String2Parameter(host, kParamTranspose, "+40"), 1);
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamTranspose), "12");
  EXPECT_EQ(String2Parameter(host, kParamGain, "1e999"), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 1.0f);
  // Text that is no number is refused and changes nothing.
  for (const char* bad : {"", "abc", "nan", "inf", "-", ".", "st 3"}) {
    EXPECT_EQ(String2Parameter(host, kParamGain, bad), 0) << bad;
    EXPECT_FLOAT_EQ(host.Get(kParamGain), 1.0f) << bad;
  }
  // Index out of range: 0; no text: 1 and nothing changes.
  EXPECT_EQ(String2Parameter(host, 4, "1"), 0);
  EXPECT_EQ(String2Parameter(host, -1, "1"), 0);
  EXPECT_EQ(host.Dispatch(effString2Parameter, kParamGain, 0, nullptr), 1);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 1.0f);
}

TEST(VstDispatcher, VendorSpecificTextsAndStepQuery) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kParamGain), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kParamMute), 0xBEEF);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, kParamTranspose), 0xBEEF);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 8, 4), 0);
  char text[64] = {};
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, kParamTranspose, text, 1.0f), 0xBEEF);
  EXPECT_STREQ(text, "12");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, kParamWave, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "square");
  // The text query does not set the parameter.
  EXPECT_EQ(host.Text(effGetParamDisplay, kParamWave), "sine");
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 7, kParamWave, nullptr, 0.5f), 0);
  EXPECT_EQ(host.Dispatch(effVendorSpecific, 3, kParamWave, text, 0.5f), 0);
}

TEST(VstDispatcher, ProgramsStoreTheLiveStateWhenSwitching) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.Dispatch(effOpen);
  host.Set(kParamGain, 0.2f);
  host.Dispatch(effSetProgram, 0, 3);
  EXPECT_EQ(host.Dispatch(effGetProgram), 3);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.5f);  // preset 3 holds the state of construction
  host.Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.2f);
  // Out of range: the current program stays.
  host.Dispatch(effSetProgram, 0, 8);
  host.Dispatch(effSetProgram, 0, -1);
  EXPECT_EQ(host.Dispatch(effGetProgram), 0);

  char name[] = "Bright Lead";
  host.Dispatch(effSetProgramName, 0, 0, name);
  EXPECT_EQ(host.Text(effGetProgramName), "Bright Lead");
  char indexed[264] = {};
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, -1, indexed), 1);
  EXPECT_STREQ(indexed, "Bright Lead");
}

TEST(VstDispatcher, ProgramNamesNeverOverrunTheHostsBuffer) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  std::string longName(200, 'n');
  host.Dispatch(effSetProgramName, 0, 0, longName.data());
  char buffer[40];
  std::memset(buffer, '#', sizeof(buffer));
  host.Dispatch(effGetProgramName, 0, 0, buffer);
  EXPECT_EQ(std::strlen(buffer), 24u);
  EXPECT_EQ(buffer[25], '#');
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, -1, buffer), 1);
  EXPECT_EQ(std::strlen(buffer), 24u);
  EXPECT_EQ(buffer[25], '#');
}

TEST(VstDispatcher, MidiKeyNames) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  MidiKeyName key{};
  key.thisKeyNumber = 60;
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 1);
  EXPECT_STREQ(key.keyName, "C4");
  key.thisKeyNumber = 61;
  std::strcpy(key.keyName, "stale");
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_STREQ(key.keyName, "");
  key.thisKeyNumber = 500;
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_EQ(host.Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
}

TEST(VstDispatcher, HostKindFromTheProductString) {
  struct Case {
    const char* product;
    int kind;
  };
  const Case cases[] = {
      {"Ableton LIVE 11", 9}, {"Cubase Nuendo bundle", 3}, {"REAPER", 1},      {"Ardour", 28},
      {"Some Other Host", 0}, {"Renoise and OpenMPT", 30}, {"Standalone", 24}, {"vst3PluginTestHost", 27},
  };
  for (const Case& c : cases) {
    HostConfig config;
    config.product = c.product;
    TestHost host(config);
    ASSERT_TRUE(host.Create());
    EXPECT_EQ(TestHost::Hook<VstTestHostKindProc>("VstTestHostKind")(host.Effect()), c.kind) << c.product;
  }
}

TEST(VstDispatcher, HostIsIdentifiedOnceOnOpenWithItsPackedVersion) {
  HostConfig config;
  config.product = "Reaper";
  config.vendorVersion = 60213;  // 6.2.13
  TestHost host(config);
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 0);
  host.Dispatch(effOpen);
  host.Dispatch(effOpen);
  TestHost::Hook<VstTestHostKindProc>("VstTestHostKind")(host.Effect());
  EXPECT_EQ(host.CountCalls(audioMasterGetProductString), 1);
  EXPECT_EQ(host.CountCalls(audioMasterGetVendorVersion), 1);
  EXPECT_EQ(Counters(host).hostVersion, (6 << 16) | (2 << 8) | 13);

  HostConfig silent;
  silent.product = "";
  TestHost anonymous(silent);
  ASSERT_TRUE(anonymous.Create());
  EXPECT_EQ(TestHost::Hook<VstTestHostKindProc>("VstTestHostKind")(anonymous.Effect()), 0);
  EXPECT_EQ(anonymous.CountCalls(audioMasterGetVendorVersion), 0);
  EXPECT_EQ(Counters(anonymous).hostVersion, 0);
}

TEST(VstDispatcher, HostTimeTakesOnlyWhatTheHostVouchesFor) {
  auto hostTime = TestHost::Hook<VstTestHostTimeProc>("VstTestHostTime");
  HostConfig config;
  config.time.samplePos = 4410.0;
  config.time.ppqPos = 2.5;
  config.time.tempo = 140.0;
  config.time.barStartPos = 0.0;
  config.time.cycleStartPos = 4.0;
  config.time.cycleEndPos = 8.0;
  config.time.timeSigNumerator = 3;
  config.time.timeSigDenominator = 8;
  config.time.flags = 0;  // none of the five wanted flags
  TestHost host(config);
  ASSERT_TRUE(host.Create());
  HostTimeInfo info;
  hostTime(host.Effect(), &info);
  EXPECT_EQ(info.samplePos, -1.0);
  EXPECT_EQ(info.tempo, 120.0);
  EXPECT_EQ(info.ppqPos, -1.0);
  std::vector<HostCall> calls = host.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().opcode, audioMasterGetTime);
  EXPECT_EQ(calls.back().value, 0x3E00);

  host.config.time.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid |
                           kVstTransportPlaying | kVstTransportCycleActive;
  hostTime(host.Effect(), &info);
  EXPECT_EQ(info.samplePos, 4410.0);
  EXPECT_EQ(info.ppqPos, 2.5);
  EXPECT_EQ(info.tempo, 140.0);
  EXPECT_EQ(info.lastBar, 0.0);
  EXPECT_EQ(info.cycleStart, 4.0);
  EXPECT_EQ(info.cycleEnd, 8.0);
  EXPECT_EQ(info.numerator, 3);
  EXPECT_EQ(info.denominator, 8);
  EXPECT_TRUE(info.transportRunning);
  EXPECT_TRUE(info.transportLooping);

  // Values out of their range keep the defaults, one by one.
  host.config.time.flags = kVstPpqPosValid | kVstTempoValid | kVstTimeSigValid;
  host.config.time.ppqPos = -1.0;
  host.config.time.tempo = 0.0;
  host.config.time.timeSigDenominator = 0;
  HostTimeInfo partial;
  hostTime(host.Effect(), &partial);
  EXPECT_EQ(partial.samplePos, 4410.0);
  EXPECT_EQ(partial.ppqPos, -1.0);
  EXPECT_EQ(partial.tempo, 120.0);
  EXPECT_EQ(partial.numerator, 4);
  EXPECT_FALSE(partial.transportRunning);

  host.config.answerTime = false;
  HostTimeInfo none;
  hostTime(host.Effect(), &none);
  EXPECT_EQ(none.samplePos, -1.0);
}

TEST(VstDispatcher, HostTempo) {
  auto tempo = TestHost::Hook<VstTestHostTempoProc>("VstTestHostTempo");
  HostConfig config;
  config.time.tempo = 97.5;
  config.time.flags = kVstTempoValid;
  TestHost host(config);
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(tempo(host.Effect()), 97.5);
  EXPECT_EQ(host.Calls().back().value, kVstTempoValid);
  host.config.time.flags = kVstPpqPosValid;
  EXPECT_EQ(tempo(host.Effect()), 0.0);
  host.config.time.flags = kVstTempoValid;
  host.config.time.tempo = -5.0;
  EXPECT_EQ(tempo(host.Effect()), 0.0);
  host.config.answerTime = false;
  EXPECT_EQ(tempo(host.Effect()), 0.0);
}

TEST(VstDispatcher, EditorGesturesAutomationAndDisplayRefreshReachTheHost) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  host.ClearCalls();
  TestHost::Hook<VstTestEditorGestureProc>("VstTestEditorGesture")(host.Effect(), kParamGain, 0.75);
  std::vector<HostCall> calls = host.Calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls[0].index, kParamGain);
  EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[1].index, kParamGain);
  EXPECT_FLOAT_EQ(calls[1].opt, 0.75f);
  EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
  EXPECT_EQ(calls[3].opcode, audioMasterUpdateDisplay);
  EXPECT_FLOAT_EQ(host.Get(kParamGain), 0.75f);
}

TEST(VstDispatcher, MidiToTheHostIsOneWellFormedEvent) {
  auto send = TestHost::Hook<VstTestSendMidiProc>("VstTestSendMidi");
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(send(host.Effect(), 17, 0x91, 64, 100), 1);
  std::vector<VstMidiEvent> out = host.MidiOut();
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].type, kVstMidiType);
  EXPECT_EQ(out[0].byteSize, 32);
  EXPECT_EQ(out[0].deltaFrames, 17);
  EXPECT_EQ(static_cast<uint8_t>(out[0].midiData[0]), 0x91);
  EXPECT_EQ(out[0].midiData[1], 64);
  EXPECT_EQ(out[0].midiData[2], 100);
  EXPECT_EQ(out[0].midiData[3], 0);
  EXPECT_EQ(out[0].noteLength, 0);
  EXPECT_EQ(out[0].noteOffVelocity, 0);
  host.config.processEventsAnswer = 0;
  EXPECT_EQ(send(host.Effect(), 0, 0x80, 64, 0), 0);
}

TEST(VstDispatcher, EditorRectangleAndWindowOnlyWithAnEditor) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  ERect* rect = nullptr;
  EXPECT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, nullptr);
  int parent = 1;
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, &parent), 0);
  EXPECT_EQ(host.Dispatch(effEditClose), 0);
  host.Dispatch(effEditIdle);

  TestHost::Hook<VstTestAttachEditorProc>("VstTestAttachEditor")(host.Effect(), 640, 480);
  EXPECT_EQ(host.Effect()->flags, 0x1131);
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 480);
  EXPECT_EQ(rect->right, 640);
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, nullptr), 0);  // window creation fails
  EXPECT_EQ(host.Dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_TRUE(Counters(host).editorOpen);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  EXPECT_FALSE(Counters(host).editorOpen);

  // Host automation and typed values show on the editor: normalised and plain.
  host.Set(kParamGain, 0.3f);
  VstTestCountersRecord counters = Counters(host);
  EXPECT_EQ(counters.editorLastIndex, kParamGain);
  EXPECT_FLOAT_EQ(static_cast<float>(counters.editorLastValue), 0.3f);
  EXPECT_TRUE(counters.editorLastNormalized);
  String2Parameter(host, kParamTranspose, "5");
  counters = Counters(host);
  EXPECT_EQ(counters.editorLastIndex, kParamTranspose);
  EXPECT_EQ(counters.editorLastValue, 5.0);
  EXPECT_FALSE(counters.editorLastNormalized);
}

TEST(VstDispatcher, EventsReachTheInstrumentAndOddEntriesAreSkipped) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  // One note, one null entry, one System Exclusive event, one unknown type.
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = 24;  // some hosts send 24: the type decides, not the size
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  char dump[] = {static_cast<char>(0xF0), 0x7E, static_cast<char>(0xF7)};
  VstMidiSysexEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof(sysex);
  sysex.dumpBytes = 3;
  sysex.sysexDump = dump;
  VstMidiSysexEvent brokenSysex = sysex;
  brokenSysex.sysexDump = nullptr;
  VstEvent other{};
  other.type = kVstAudioType;
  struct {
    VstEvents header;
    VstEvent* more[4];
  } list{};
  list.header.numEvents = 5;
  VstEvent** pointers = list.header.events;
  pointers[0] = reinterpret_cast<VstEvent*>(&note);
  pointers[1] = nullptr;
  pointers[2] = reinterpret_cast<VstEvent*>(&sysex);
  pointers[3] = reinterpret_cast<VstEvent*>(&brokenSysex);
  pointers[4] = &other;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &list.header), 1);
  EXPECT_EQ(Counters(host).queued, 1);
  list.header.numEvents = 0;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &list.header), 1);
  list.header.numEvents = -3;
  EXPECT_EQ(host.Dispatch(effProcessEvents, 0, 0, &list.header), 1);
  EXPECT_EQ(Counters(host).queued, 1);
}

TEST(VstDispatcher, ProgramChunkOnlyHostsAreKnownByTheirVendorString) {
  auto ask = TestHost::Hook<VstTestProgramChunkOnlyHostProc>("VstTestProgramChunkOnlyHost");
  const std::pair<const char*, int> cases[] = {
      {"Native Instruments", 1},      {"NATIVE INSTRUMENTS", 1}, {"JUCE VST Host", 1},
      {"native instruments gmbh", 0}, {"Test Vendor", 0},        {"", 0},
  };
  for (const auto& [vendor, expected] : cases) {
    HostConfig config;
    config.vendor = vendor;
    TestHost host(config);
    ASSERT_TRUE(host.Create());
    EXPECT_EQ(ask(host.Effect()), expected) << vendor;
    ask(host.Effect());
    EXPECT_EQ(host.CountCalls(audioMasterGetVendorString), 1) << "asked once";
  }
}
