// The effect record and the identity answers, as a host reads them after loading.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/vst/TestHost.h"

TEST(VstIdentity, EntryPointsGiveAWellFormedEffectRecord) {
  for (const char* entry : {"VSTPluginMain", "main"}) {
    SCOPED_TRACE(entry);
    TestHost host;
    ASSERT_TRUE(host.Create(entry));
    AEffect* e = host.Effect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numParams, 4);
    EXPECT_EQ(e->numPrograms, 8);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 14);
    // Replacing, chunks, synth and double; no editor attached yet.
    EXPECT_EQ(e->flags, 0x1130);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->version, 10001);
    EXPECT_NE(e->object, nullptr);
    EXPECT_EQ(e->resvd2, 0);
    // 'vnl4' lies in memory as "4lnv".
    char id[4];
    std::memcpy(id, &e->uniqueID, 4);
    EXPECT_EQ(std::string(id, 4), "4lnv");
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(reinterpret_cast<void*>(e->process), reinterpret_cast<void*>(e->processReplacing));
    for (char c : e->future) EXPECT_EQ(c, 0);
  }
}

TEST(VstIdentity, EveryInstanceStartsWithInitialisedPresets) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  for (int i = 0; i < host.Effect()->numPrograms; ++i) {
    char name[264] = {};
    EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, i, -1, name), 1) << i;
    EXPECT_STREQ(name, "Empty");
  }
  char name[264] = {};
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 8, -1, name), 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(host.Dispatch(effGetProgramNameIndexed, 0, -1, nullptr), 0);
}

TEST(VstIdentity, FixedAnswers) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Dispatch(effGetVendorVersion), 10001);
  EXPECT_EQ(host.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(host.Dispatch(effGetPlugCategory), 2);
  EXPECT_EQ(host.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(host.Dispatch(effGetTailSize), 0);
  EXPECT_EQ(host.Dispatch(effCanBeAutomated, 1234), 1);
  EXPECT_EQ(host.Text(effGetEffectName), "Vornell");
  EXPECT_EQ(host.Text(effGetVendorString), "Kestrune Music");
  EXPECT_EQ(host.Dispatch(effGetEffectName, 0, 0, nullptr), 0);
  char product[65];
  std::memset(product, 'x', sizeof(product));
  EXPECT_EQ(host.Dispatch(effGetProductString, 0, 0, product), 1);
  EXPECT_STREQ(product, "");
  // Opcodes without an answer of their own give 0, deprecated ones included.
  for (int32_t opcode :
       {9, 16, 17, 18, 28, 30, 31, 32, 38, 41, 43, 44, 46, 54, 56, 57, 59, 62, 67, 70, 71, 72, 77, 79, 80, 1000, -5}) {
    EXPECT_EQ(host.Dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  }
}

TEST(VstIdentity, CanDoAnswersAreExactAndCaseSensitive) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  auto ask = [&](const char* text) { return host.Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
  EXPECT_EQ(ask("receiveVstTimeInfo"), 1);
  EXPECT_EQ(ask("sendVstEvents"), 1);
  EXPECT_EQ(ask("sendVstMidiEvent"), 1);
  EXPECT_EQ(ask("receiveVstEvents"), 1);
  EXPECT_EQ(ask("receiveVstMidiEvent"), 1);
  EXPECT_EQ(static_cast<uint32_t>(ask("hasCockosExtensions")), 0xBEEF0000u);
  EXPECT_EQ(static_cast<uint32_t>(ask("hasCockosViewAsConfig")), 0xBEEF0000u);
  EXPECT_EQ(ask("ReceiveVstTimeInfo"), 0);
  EXPECT_EQ(ask("receiveVstMidiEvents"), 0);
  EXPECT_EQ(ask("bypass"), 0);
  EXPECT_EQ(ask(""), 0);
  EXPECT_EQ(host.Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST(VstIdentity, OutputPinsCarryTheirLabelsAndPairFlags) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  VstPinProperties pin;
  std::memset(&pin, 0x7F, sizeof(pin));
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Sum L");
  EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Sum R");
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 12, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Track 6 L");
  EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
  ASSERT_EQ(host.Dispatch(effGetOutputProperties, 13, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Track 6 R");
  EXPECT_EQ(pin.flags, kVstPinIsActive);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 14, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(host.Dispatch(effGetOutputProperties, 0, 0, nullptr), 0);
  EXPECT_EQ(host.Dispatch(effGetInputProperties, 0, 0, &pin), 0);
}

TEST(VstIdentity, SpeakerArrangementsHoldEveryChannelTheyCount) {
  TestHost host;
  ASSERT_TRUE(host.Create());
  VstSpeakerArrangement* input = nullptr;
  VstSpeakerArrangement* output = nullptr;
  ASSERT_EQ(host.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 1);
  ASSERT_NE(input, nullptr);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(input->type, kSpeakerArrEmpty);
  EXPECT_EQ(input->numChannels, 0);
  EXPECT_EQ(output->type, kSpeakerArrUserDefined);
  ASSERT_EQ(output->numChannels, 14);
  // A host reads numChannels entries; with room for only the declared eight
  // this reads past the allocation (caught by the address sanitizer).
  const VstSpeakerProperties* speakers = output->speakers;
  int32_t typeSum = 0;
  for (int i = 0; i < output->numChannels; ++i) {
    typeSum += speakers[i].type;
    EXPECT_EQ(speakers[i].name[0], 0);
  }
  EXPECT_EQ(typeSum, 0);
}
