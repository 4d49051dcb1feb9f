// What a host reads from the module before it plays: identity, counts, pins,
// parameter and preset names.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/module/ModuleSupport.h"

namespace {

TEST(ModuleIdentity, BothEntryPointsGiveTheInstrument) {
  for (const char* entry : {"VSTPluginMain", "main"}) {
    SCOPED_TRACE(entry);
    TestHost host;
    ASSERT_TRUE(host.Create(entry));
    AEffect* effect = host.Effect();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, VstFourCharCode('v', 'n', 'l', '4'));
    EXPECT_EQ(effect->version, 10001);
    EXPECT_EQ(effect->numParams, 303);
    EXPECT_EQ(effect->numPrograms, 64);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numOutputs, 14);
    EXPECT_EQ(effect->initialDelay, 0);
    const VstInt32 required =
        effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth | effFlagsCanDoubleReplacing;
    EXPECT_EQ(effect->flags & required, required);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    EXPECT_NE(reinterpret_cast<void*>(effect->process), reinterpret_cast<void*>(effect->processReplacing));
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->resvd2, 0);

    host.Dispatch(effOpen);
    EXPECT_EQ(host.Text(effGetEffectName), "Vornell");
    EXPECT_EQ(host.Text(effGetVendorString), "Kestrune Music");
    EXPECT_EQ(host.Dispatch(effGetVendorVersion), 10001);
    EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(host.Dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(host.Dispatch(effIdentify), kEffectIdentify);
    char midi[] = "receiveVstMidiEvent";
    EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, midi), 1);
  }
}

TEST(ModuleIdentity, OutputPinsAreTheSumThenEachTracksPair) {
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  const char* labels[14] = {"Sum L",     "Sum R",     "Track 1 L", "Track 1 R", "Track 2 L", "Track 2 R", "Track 3 L",
                            "Track 3 R", "Track 4 L", "Track 4 R", "Track 5 L", "Track 5 R", "Track 6 L", "Track 6 R"};
  for (int32_t pin = 0; pin < 14; ++pin) {
    SCOPED_TRACE(pin);
    VstPinProperties properties{};
    ASSERT_EQ(host->Dispatch(effGetOutputProperties, pin, 0, &properties), 1);
    EXPECT_STREQ(properties.label, labels[pin]);
    EXPECT_TRUE(properties.flags & kVstPinIsActive);
    EXPECT_EQ((properties.flags & kVstPinIsStereo) != 0, pin % 2 == 0);
  }
  VstPinProperties none{};
  EXPECT_EQ(host->Dispatch(effGetOutputProperties, 14, 0, &none), 0);
  EXPECT_EQ(host->Dispatch(effGetInputProperties, 0, 0, &none), 0);
}

TEST(ModuleIdentity, ParametersHaveDistinctNamesAndKnownPlaces) {
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  std::set<std::string> names;
  for (int32_t i = 0; i < 303; ++i) {
    const std::string name = host->Text(effGetParamName, i);
    EXPECT_FALSE(name.empty()) << i;
    EXPECT_TRUE(names.insert(name).second) << "parameter " << i << " repeats the name " << name;
    const float value = host->Get(i);
    EXPECT_GE(value, 0.0f) << i;
    EXPECT_LE(value, 1.0f) << i;
  }
  EXPECT_EQ(host->Text(effGetParamName, 0), "Master Tune");
  EXPECT_EQ(host->Text(effGetParamName, 3), "Master Volume");
  EXPECT_EQ(host->Text(effGetParamName, 4), "Mode");
  EXPECT_EQ(host->Text(effGetParamName, 7), "Track Prg 1");
  EXPECT_EQ(host->Text(effGetParamName, 37), "Speed");
  EXPECT_EQ(host->Text(effGetParamName, 39), "Track 1 MIDI Channel");
  EXPECT_EQ(host->Text(effGetParamName, 81), "(1) Coarse Frequency");
  EXPECT_EQ(host->Text(effGetParamName, 302), "(6) Amp Velocity");
  // Out of range: nothing written, nothing read.
  EXPECT_EQ(host->Text(effGetParamName, 303), "");
  EXPECT_EQ(host->Get(303), 0.0f);
  EXPECT_EQ(host->Get(-1), 0.0f);
}

TEST(ModuleIdentity, EveryPresetHasANameAndPresetsCanBeSelected) {
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  for (int32_t i = 0; i < 64; ++i) {
    char name[264] = {};
    EXPECT_EQ(host->Dispatch(effGetProgramNameIndexed, i, -1, name), 1) << i;
    EXPECT_GT(std::string(name).size(), 0u) << i;
  }
  char beyond[264] = {};
  EXPECT_EQ(host->Dispatch(effGetProgramNameIndexed, 64, -1, beyond), 0);
  host->Dispatch(effSetProgram, 0, 17);
  EXPECT_EQ(host->Dispatch(effGetProgram), 17);
  char renamed[] = "Renamed";
  host->Dispatch(effSetProgramName, 0, 0, renamed);
  EXPECT_EQ(host->Text(effGetProgramName), "Renamed");
  char indexed[264] = {};
  host->Dispatch(effGetProgramNameIndexed, 17, -1, indexed);
  EXPECT_STREQ(indexed, "Renamed");
}

TEST(ModuleIdentity, TextsConvertBothWays) {
  auto host = OpenInstance();
  ASSERT_TRUE(host);
  ASSERT_TRUE(SetByText(*host, "Track 2 Mode", "Legato"));
  EXPECT_EQ(Display(*host, "Track 2 Mode"), "Legato");
  ASSERT_TRUE(SetByText(*host, "Track 3 MIDI Channel", "X"));
  EXPECT_EQ(Display(*host, "Track 3 MIDI Channel"), "X");
  EXPECT_FALSE(SetByText(*host, "Track 2 Mode", "legato"));  // exact texts only
  EXPECT_EQ(Display(*host, "Track 2 Mode"), "Legato");
  // A 0..255 voice parameter in the Calvara resolution shows and takes its upper seven bits.
  ASSERT_TRUE(SetByText(*host, "(1) Filter Cutoff", "50"));
  EXPECT_NEAR(host->Get(ParamIndex(*host, "(1) Filter Cutoff")), 100.0 / 255.0, 1e-6);
  EXPECT_FALSE(SetByText(*host, "(1) Filter Cutoff", "loud"));
  EXPECT_NEAR(host->Get(ParamIndex(*host, "(1) Filter Cutoff")), 100.0 / 255.0, 1e-6);
}

}  // namespace
