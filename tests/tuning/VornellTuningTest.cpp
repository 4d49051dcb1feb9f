// The tuning master heard through a whole instrument: the process-wide client
// is pointed at the stand-in master library, an instance plays, and the pitch
// of what it renders is measured.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "instrument/Vornell.h"
#include "platform/SharedLibrary.h"
#include "programs/ParameterTable.h"
#include "tests/support/SignalMeasures.h"
#include "tests/support/TempFolder.h"
#include "tuning/MtsClientGlobal.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

double TwelveTone(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// The test's handle on the stand-in master: the same loaded object the
// instrument's client uses.
class MasterControls {
 public:
  MasterControls() {
    library.Open(FAKE_TUNING_MASTER);
    setFrequency = Get<void (*)(int, double)>("FakeMaster_SetFrequency");
    setFiltered = Get<void (*)(int, bool)>("FakeMaster_SetFiltered");
    setPresent = Get<void (*)(bool)>("FakeMaster_SetPresent");
    setPublishTable = Get<void (*)(bool)>("FakeMaster_SetPublishTable");
    registeredClients = Get<int (*)()>("FakeMaster_RegisteredClients");
    setScaleName = Get<void (*)(const char*)>("FakeMaster_SetScaleName");
  }
  bool Usable() const { return library.IsOpen() && setScaleName != nullptr && registeredClients != nullptr; }
  void Reset() {
    TuneOffset(0.0);
    for (int note = 0; note < 128; ++note) setFiltered(note, false);
    setPresent(true);
    setPublishTable(true);
    setScaleName("Fake Scale");
  }
  void TuneOffset(double semitones) {
    for (int note = 0; note < 128; ++note) setFrequency(note, TwelveTone(note + semitones));
  }

  void (*setFrequency)(int, double) = nullptr;
  void (*setFiltered)(int, bool) = nullptr;
  void (*setPresent)(bool) = nullptr;
  void (*setPublishTable)(bool) = nullptr;
  int (*registeredClients)() = nullptr;
  void (*setScaleName)(const char*) = nullptr;

 private:
  template <typename Function>
  Function Get(const char* name) {
    return reinterpret_cast<Function>(library.Symbol(name));
  }
  SharedLibrary library;
};

// A Vornell playing a plain sawtooth on track 1 (MIDI channel 1), the other tracks off.
class PlainVornell : public Vornell {
 public:
  PlainVornell() {
    SetSampleRate(kRate);
    SetBlockSize(kBlock);
    OnReset();
    for (int t = 0; t < 6; ++t) SetPlain(TrackParamIndex(t, kTrackChannel), t == 0 ? 0 : kChannelNone);
    SetPlain(TrackParamIndex(0, kTrackMode), 0);  // Monophonic
    SetPlain(TrackParamIndex(0, kTrackTune), 0);
    SetPlain(TrackParamIndex(0, kTrackTranspose), 0);
    SetPlain(kParamMasterTune, 0);
    const std::pair<int, double> values[] = {
        {kVoiceCoarseFrequency, 24},
        {kVoiceFineFrequency, 0},
        {kVoiceGlideRate, 0},
        {kVoiceLfoToOsc, 0},
        {kVoiceOscEnvAmount, 0},
        {kVoiceOscSawtooth, 1},
        {kVoiceOscTriangle, 0},
        {kVoiceOscPulse, 0},
        {kVoiceOscNoiseMixer, 0},
        {kVoiceFilterCutoff, 180},
        {kVoiceFilterResonance, 0},
        {kVoiceFilterEnvAmount, 0},
        {kVoiceLfoToFilter, 0},
        {kVoiceFilterOscModAmount, 0},
        {kVoiceAmpEnvAttack, 0},
        {kVoiceAmpEnvSustain, 255},
        {kVoiceAmpEnvRelease, 0},
        {kVoiceVolume, 255},
        {kVoiceMode, 0},
    };
    for (const auto& [k, value] : values) SetPlain(VoiceParamIndex(0, k), value);
  }

  void SetPlain(int index, double plain) { SetParamFromEditor(index, GetParam(index)->ToNormalized(plain)); }

  void Note(int note, int velocity) {
    MidiMessage message;
    message.status = static_cast<uint8_t>(velocity > 0 ? 0x90 : 0x80);
    message.data1 = static_cast<uint8_t>(note);
    message.data2 = static_cast<uint8_t>(velocity);
    OnMidiMessage(message);
  }

  // The left sum of frames samples.
  std::vector<double> Render(int frames) {
    std::vector<std::vector<double>> buffers(Engine::kOutputCount, std::vector<double>(kBlock));
    double* pointers[Engine::kOutputCount];
    for (int c = 0; c < Engine::kOutputCount; ++c) pointers[c] = buffers[static_cast<size_t>(c)].data();
    std::vector<double> left;
    for (int done = 0; done < frames; done += kBlock) {
      const int length = std::min(kBlock, frames - done);
      ProcessBlock(nullptr, pointers, length);
      left.insert(left.end(), pointers[0], pointers[0] + length);
    }
    return left;
  }
};

std::vector<double> Tail(const std::vector<double>& samples, size_t from) {
  return std::vector<double>(samples.begin() + static_cast<std::ptrdiff_t>(from), samples.end());
}

class InstrumentWithMaster : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(controls.Usable()) << FAKE_TUNING_MASTER;
    controls.Reset();
    ASSERT_TRUE(mtsclientglobal.LoadMasterLibrary(FAKE_TUNING_MASTER));
  }
  void TearDown() override { mtsclientglobal.Unload(); }

  TempFolder home;
  ScopedEnvironment configHome{"XDG_CONFIG_HOME", home.Path()};
  MasterControls controls;
};

constexpr double kQuarterTone = 1.0293022366434921;  // 2^(1/24)

TEST_F(InstrumentWithMaster, AQuarterToneSharpMasterIsHeardAQuarterToneSharp) {
  controls.TuneOffset(0.5);
  PlainVornell plug;
  EXPECT_EQ(plug.TuningStatusText(), "Micro Tuning: Fake Scale");
  plug.Note(69, 100);
  const std::vector<double> sharp = Tail(plug.Render(9600), 2400);
  ASSERT_GT(Rms(sharp), 0.01);
  const double frequency = AutocorrelationFrequency(sharp, kRate, 440.0 * kQuarterTone);
  EXPECT_NEAR(frequency / (440.0 * kQuarterTone), 1.0, 0.002) << frequency << " Hz";

  // Another key follows the master's table for that key, not a fixed shift.
  controls.setFrequency(60, 300.0);
  plug.Note(69, 0);
  plug.Note(60, 100);
  const std::vector<double> odd = Tail(plug.Render(9600), 2400);
  EXPECT_NEAR(AutocorrelationFrequency(odd, kRate, 300.0) / 300.0, 1.0, 0.002);
}

TEST_F(InstrumentWithMaster, FilteredNotesAreNotPlayedAndOthersAre) {
  controls.setFiltered(69, true);
  PlainVornell plug;
  plug.Note(69, 100);
  EXPECT_LT(Rms(plug.Render(4800)), 1e-9);
  plug.Note(69, 0);
  plug.Note(70, 100);
  const std::vector<double> played = Tail(plug.Render(9600), 2400);
  ASSERT_GT(Rms(played), 0.01);
  EXPECT_NEAR(AutocorrelationFrequency(played, kRate, TwelveTone(70)) / TwelveTone(70), 1.0, 0.002);
}

TEST_F(InstrumentWithMaster, AMasterThatGoesAwayLeavesTheNextNotesInTwelveToneTuning) {
  controls.TuneOffset(0.5);
  controls.setFiltered(64, true);
  PlainVornell plug;
  plug.Note(69, 100);
  plug.Render(2400);
  controls.setPresent(false);
  EXPECT_EQ(plug.TuningStatusText(), "");
  // The sounding note keeps the pitch it started with.
  const std::vector<double> held = Tail(plug.Render(9600), 2400);
  EXPECT_NEAR(AutocorrelationFrequency(held, kRate, 440.0 * kQuarterTone) / (440.0 * kQuarterTone), 1.0, 0.002);

  plug.Note(69, 0);
  plug.Note(69, 100);
  const std::vector<double> plain = Tail(plug.Render(9600), 2400);
  EXPECT_NEAR(AutocorrelationFrequency(plain, kRate, 440.0) / 440.0, 1.0, 0.002);

  plug.Note(69, 0);
  plug.Note(64, 100);  // filtered only while the master is there
  EXPECT_GT(Rms(Tail(plug.Render(4800), 2400)), 0.01);

  // Back again: the next note follows the master once more.
  controls.setPresent(true);
  plug.Note(64, 0);
  plug.Note(69, 100);
  const std::vector<double> again = Tail(plug.Render(9600), 2400);
  EXPECT_NEAR(AutocorrelationFrequency(again, kRate, 440.0 * kQuarterTone) / (440.0 * kQuarterTone), 1.0, 0.002);
}

TEST_F(InstrumentWithMaster, EachInstanceRegistersForItsLifetime) {
  const int before = controls.registeredClients();
  {
    PlainVornell first;
    EXPECT_EQ(controls.registeredClients(), before + 1);
    auto second = std::make_unique<PlainVornell>();
    EXPECT_EQ(controls.registeredClients(), before + 2);
    second.reset();
    EXPECT_EQ(controls.registeredClients(), before + 1);
  }
  EXPECT_EQ(controls.registeredClients(), before);
}

TEST(InstrumentWithoutMaster, PlaysInTwelveToneTuningAndFiltersNothing) {
  TempFolder home;
  ScopedEnvironment configHome("XDG_CONFIG_HOME", home.Path());
  mtsclientglobal.Unload();
  PlainVornell plug;
  EngineHooks& hooks = plug;  // as the engine asks
  EXPECT_FALSE(hooks.IsTuningOnline());
  EXPECT_EQ(hooks.NoteToPitch(60), 7680);
  EXPECT_EQ(hooks.NoteToPitch(200), 200 * 128);
  EXPECT_FALSE(hooks.IsNoteFiltered(69));
  EXPECT_EQ(plug.TuningStatusText(), "");
  plug.Note(69, 100);
  const std::vector<double> plain = Tail(plug.Render(9600), 2400);
  ASSERT_GT(Rms(plain), 0.01);
  EXPECT_NEAR(AutocorrelationFrequency(plain, kRate, 440.0) / 440.0, 1.0, 0.002);
}

}  // namespace
