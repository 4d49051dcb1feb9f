#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>

#include "platform/SharedLibrary.h"
#include "tuning/TuningClient.h"

namespace {

double TwelveTone(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// The engine's kind of pitch scale: semitone frequencies rounded to three
// decimals, interpolated linearly in between, bounded at the table's ends.
double RoundedTablePitchToFrequency(int32_t pitch) {
  if (pitch <= 0) return 8.176;
  if (pitch >= 17280) return 19912.127;
  const int32_t semitone = pitch / 128;
  const double low = std::round(TwelveTone(semitone) * 1000.0) / 1000.0;
  const double high = std::round(TwelveTone(semitone + 1) * 1000.0) / 1000.0;
  return low + (high - low) * (pitch % 128) * 0.0078125;
}

// The test's own handle on a stand-in master library: the same loaded object
// the client uses, so its controls steer what the client sees.
class FakeMaster {
 public:
  explicit FakeMaster(const char* path) {
    library.Open(path);
    setFrequency = Get<void (*)(int, double)>("FakeMaster_SetFrequency");
    setFiltered = Get<void (*)(int, bool)>("FakeMaster_SetFiltered");
    setPresent = Get<void (*)(bool)>("FakeMaster_SetPresent");
    setPublishTable = Get<void (*)(bool)>("FakeMaster_SetPublishTable");
    registeredClients = Get<int (*)()>("FakeMaster_RegisteredClients");
    filterQueries = Get<int (*)()>("FakeMaster_FilterQueries");
    lastFilterChannel = Get<int (*)()>("FakeMaster_LastFilterChannel");
    setScaleName = Get<void (*)(const char*)>("FakeMaster_SetScaleName");
    if (!Usable()) return;
    // A fresh master for every test: equal temperament, nothing filtered, present.
    TuneOffset(0.0);
    for (int note = 0; note < 128; ++note) setFiltered(note, false);
    setPresent(true);
    setPublishTable(true);
    setScaleName("Fake Scale");
  }

  bool Usable() const { return library.IsOpen() && setScaleName != nullptr; }

  // Every note offset by a number of semitones from equal temperament.
  void TuneOffset(double semitones) {
    for (int note = 0; note < 128; ++note) setFrequency(note, TwelveTone(note + semitones));
  }

  void (*setFrequency)(int, double) = nullptr;
  void (*setFiltered)(int, bool) = nullptr;
  void (*setPresent)(bool) = nullptr;
  void (*setPublishTable)(bool) = nullptr;
  int (*registeredClients)() = nullptr;
  int (*filterQueries)() = nullptr;
  int (*lastFilterChannel)() = nullptr;
  void (*setScaleName)(const char*) = nullptr;

 private:
  template <typename Function>
  Function Get(const char* name) {
    return reinterpret_cast<Function>(library.Symbol(name));
  }
  SharedLibrary library;
};

class WithMaster : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(master.Usable()) << FAKE_TUNING_MASTER; }

  FakeMaster master{FAKE_TUNING_MASTER};
  MtsClientGlobal global{FAKE_TUNING_MASTER};
  TuningClient client{RoundedTablePitchToFrequency, global};
};

}  // namespace

TEST(TuningWithoutMaster, EveryQueryFallsBackToEqualTemperament) {
  MtsClientGlobal global(nullptr);
  EXPECT_FALSE(global.LibraryLoaded());
  EXPECT_FALSE(global.IsTuningOnline());
  TuningClient client(RoundedTablePitchToFrequency, global);
  EXPECT_EQ(client.NoteToPitch(60), 7680);
  EXPECT_EQ(client.NoteToPitch(0), 0);
  // Without a master the key is not wrapped: a transposed key keeps its height.
  EXPECT_EQ(client.NoteToPitch(130), 130 * 128);
  EXPECT_EQ(client.NoteToPitch(-5), -640);
  EXPECT_EQ(client.NoteToPitch(std::numeric_limits<int32_t>::max()), std::numeric_limits<int32_t>::max());
  for (int note = 0; note < 128; ++note) {
    EXPECT_FALSE(client.IsNoteFiltered(note));
    EXPECT_FALSE(client.IsNoteOnFiltered(note));
  }
  EXPECT_EQ(client.TuningStatusText(), "");
  EXPECT_DOUBLE_EQ(client.NoteFrequency(69), 440.0);
  EXPECT_NEAR(client.NoteFrequency(60), 261.6256, 1e-4);
  EXPECT_NEAR(global.inverseTwelveToneTable[81], 1.0 / 880.0, 1e-12);

  EXPECT_EQ(NoteToPitch(nullptr, 60), 7680);
  EXPECT_EQ(TuningStatusText(nullptr), "");
  EXPECT_EQ(NoteToPitch(&client, 61), 61 * 128);
}

TEST(TuningWithoutMaster, ALibraryThatCannotBeLoadedLeavesEveryEntryPointEmpty) {
  MtsClientGlobal global("/nonexistent/libMTS.so");
  EXPECT_FALSE(global.LibraryLoaded());
  EXPECT_FALSE(global.LoadMasterLibrary(VORNELL_TEST_DATA_DIR "/tuning/CMakeLists.txt"));
  EXPECT_FALSE(global.LoadMasterLibrary(""));
  EXPECT_EQ(global.MTS_HasMaster, nullptr);
  EXPECT_EQ(global.MTS_RegisterClient, nullptr);
  EXPECT_EQ(global.tuningTable, nullptr);
  TuningClient client(nullptr, global);
  EXPECT_EQ(client.NoteToPitch(64), 64 * 128);
}

TEST(TuningWithoutMaster, TheProcessWideClientIsSilentWithoutAnInstalledLibrary) {
  for (const char* path : MtsClientGlobal::kLibraryPaths) {
    if (std::filesystem::exists(path)) GTEST_SKIP() << "a master library is installed at " << path;
  }
  EXPECT_FALSE(mtsclientglobal.LibraryLoaded());
  EXPECT_FALSE(mtsclientglobal.IsTuningOnline());
  TuningClient client(nullptr);
  EXPECT_EQ(client.NoteToPitch(60), 7680);
  EXPECT_EQ(client.TuningStatusText(), "");
}

TEST_F(WithMaster, EqualTemperamentGivesEachKeyItsOwnPitchWithinOneStep) {
  ASSERT_TRUE(client.IsTuningOnline());
  for (int note = 0; note < 128; ++note) {
    EXPECT_NEAR(client.NoteToPitch(note), note * 128, 1) << note;
  }
  const int32_t a4 = client.NoteToPitch(69);
  EXPECT_NEAR(a4, 8832, 1);
  // The pitch found is the one whose frequency is closest to 440 Hz at the search's resolution.
  EXPECT_NEAR(RoundedTablePitchToFrequency(a4), 440.0, 440.0 * (std::exp2(1.0 / 1536.0) - 1.0));
}

TEST_F(WithMaster, TheDefaultPitchScaleFindsEqualTemperamentToo) {
  TuningClient plain(nullptr, global);
  for (int note = 0; note < 128; ++note) EXPECT_NEAR(plain.NoteToPitch(note), note * 128, 1) << note;
}

TEST_F(WithMaster, AQuarterToneSharpMasterRaisesEveryKeyBy64Steps) {
  master.TuneOffset(0.5);
  for (int note = 0; note < 128; ++note) {
    EXPECT_NEAR(client.NoteToPitch(note), note * 128 + 64, 1) << note;
  }
  EXPECT_NEAR(client.NoteFrequency(69), TwelveTone(69.5), 1e-9);
}

TEST_F(WithMaster, EveryPitchIsReachableAndTheNearestOneIsChosen) {
  for (int32_t pitch : {1, 2, 3, 777, 8833, 8835, 8837, 8839, 12345, 17277, 17279}) {
    master.setFrequency(60, RoundedTablePitchToFrequency(pitch));
    EXPECT_EQ(client.NoteToPitch(60), pitch);
  }
  // Between two pitches the nearer one by frequency ratio wins.
  for (int32_t pitch : {100, 4001, 8832, 15000}) {
    const double low = RoundedTablePitchToFrequency(pitch);
    const double high = RoundedTablePitchToFrequency(pitch + 1);
    const double middle = std::sqrt(low * high);
    master.setFrequency(60, middle * 0.99999);
    EXPECT_EQ(client.NoteToPitch(60), pitch);
    master.setFrequency(60, middle * 1.00001);
    EXPECT_EQ(client.NoteToPitch(60), pitch + 1);
  }
}

TEST_F(WithMaster, TheMastersTableIsReadLiveAtEachNote) {
  EXPECT_NEAR(client.NoteToPitch(60), 7680, 1);
  master.setFrequency(60, TwelveTone(67));
  EXPECT_NEAR(client.NoteToPitch(60), 67 * 128, 1);
}

TEST_F(WithMaster, KeysTransposedBeyondTheMidiRangeKeepTheTuningOfTheirOctavesInside) {
  master.TuneOffset(0.25);
  master.setFrequency(118, TwelveTone(118.5));
  // An octave above a key inside the range, as far as the pitch scale goes.
  for (int key : {128, 130, 134}) EXPECT_NEAR(client.NoteToPitch(key), client.NoteToPitch(key - 12) + 1536, 1) << key;
  EXPECT_NEAR(client.NoteToPitch(130), 130 * 128 + 64, 1);
  for (int key : {136, 256 + 60, std::numeric_limits<int32_t>::max()}) EXPECT_EQ(client.NoteToPitch(key), 17280) << key;
  // Below the range lies below the scale's lowest pitch.
  for (int key : {-1, -24, std::numeric_limits<int32_t>::min()}) EXPECT_EQ(client.NoteToPitch(key), 0) << key;
}

TEST_F(WithMaster, FrequenciesBeyondThePitchScaleStopAtTheSearchBounds) {
  master.setFrequency(10, 1.0);
  master.setFrequency(11, 8.0);
  master.setFrequency(12, 30000.0);
  master.setFrequency(13, std::numeric_limits<double>::infinity());
  master.setFrequency(14, std::numeric_limits<double>::quiet_NaN());
  master.setFrequency(15, -100.0);
  EXPECT_EQ(client.NoteToPitch(10), 0);
  EXPECT_EQ(client.NoteToPitch(11), 0);
  EXPECT_EQ(client.NoteToPitch(12), 17280);
  EXPECT_EQ(client.NoteToPitch(13), 17280);
  // Not a frequency: the key plays untuned.
  EXPECT_EQ(client.NoteToPitch(14), 14 * 128);
  EXPECT_EQ(client.NoteToPitch(15), 0);
}

TEST_F(WithMaster, FilteredNotesAreReportedWithoutAChannel) {
  master.setFiltered(61, true);
  master.setFiltered(127, true);
  EXPECT_TRUE(client.IsNoteFiltered(61));
  EXPECT_EQ(master.lastFilterChannel(), 255);
  EXPECT_FALSE(client.IsNoteFiltered(60));
  EXPECT_TRUE(client.IsNoteOnFiltered(61));
  EXPECT_TRUE(client.IsNoteOnFiltered(61 + 128));
  EXPECT_TRUE(client.IsNoteOnFiltered(-1));
  EXPECT_FALSE(client.IsNoteOnFiltered(62));
  // Asking for a frequency in between does not change the answer.
  client.NoteFrequency(61);
  EXPECT_TRUE(client.IsNoteFiltered(61));
}

TEST_F(WithMaster, AMasterThatGoesAwayFallsBackAndOneThatReturnsIsFollowed) {
  master.TuneOffset(0.5);
  master.setFiltered(60, true);
  ASSERT_NEAR(client.NoteToPitch(60), 7744, 1);
  ASSERT_EQ(client.TuningStatusText(), "Micro Tuning: Fake Scale");

  master.setPresent(false);
  EXPECT_FALSE(client.IsTuningOnline());
  EXPECT_EQ(client.NoteToPitch(60), 7680);
  const int queries = master.filterQueries();
  EXPECT_FALSE(client.IsNoteOnFiltered(60));
  EXPECT_FALSE(client.IsNoteFiltered(60));
  EXPECT_EQ(master.filterQueries(), queries);  // the master is not even asked
  EXPECT_EQ(client.TuningStatusText(), "");
  EXPECT_DOUBLE_EQ(client.NoteFrequency(69), 440.0);

  master.setPresent(true);
  EXPECT_NEAR(client.NoteToPitch(60), 7744, 1);
  EXPECT_TRUE(client.IsNoteOnFiltered(60));
}

TEST_F(WithMaster, AnUnloadedLibraryFallsBackAndIsNotCalledAgain) {
  master.TuneOffset(0.5);
  const int registered = master.registeredClients();
  global.Unload();
  EXPECT_FALSE(global.IsTuningOnline());
  EXPECT_EQ(client.NoteToPitch(60), 7680);
  EXPECT_FALSE(client.IsNoteOnFiltered(60));
  EXPECT_EQ(client.TuningStatusText(), "");
  // Destroying a client after the unload calls nothing in the library.
  { TuningClient late(nullptr, global); }
  EXPECT_EQ(master.registeredClients(), registered);
}

TEST_F(WithMaster, EachClientRegistersOnceAndDeregistersOnce) {
  const int before = master.registeredClients();
  {
    TuningClient second(nullptr, global);
    TuningClient third(nullptr, global);
    EXPECT_EQ(master.registeredClients(), before + 2);
  }
  EXPECT_EQ(master.registeredClients(), before);
  // A second global on the same library sees the same master.
  MtsClientGlobal other(FAKE_TUNING_MASTER);
  TuningClient fourth(nullptr, other);
  EXPECT_EQ(master.registeredClients(), before + 1);
}

TEST_F(WithMaster, ATableNotPublishedAtLoadKeepsEqualTemperamentForGood) {
  master.setPublishTable(false);
  MtsClientGlobal late(FAKE_TUNING_MASTER);
  master.setPublishTable(true);
  master.TuneOffset(0.5);
  TuningClient lateClient(nullptr, late);
  EXPECT_FALSE(lateClient.IsTuningOnline());
  EXPECT_EQ(lateClient.NoteToPitch(60), 7680);
  EXPECT_EQ(lateClient.TuningStatusText(), "");
}

TEST_F(WithMaster, TheStatusTextNamesTheMastersScale) {
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: Fake Scale");
  master.setScaleName("Bohlen-Pierce 13");
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: Bohlen-Pierce 13");
  const std::string longName(63, 'n');
  master.setScaleName(longName.c_str());
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: " + longName);
  // A master with no name to give is described by the client's own.
  master.setScaleName(nullptr);
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: 12-TET");
}

TEST(TuningPartialMaster, AMissingScaleNameEntryGivesTheClientsOwnName) {
  FakeMaster master(FAKE_TUNING_MASTER_NO_SCALE_NAME);
  ASSERT_TRUE(master.Usable());
  MtsClientGlobal global(FAKE_TUNING_MASTER_NO_SCALE_NAME);
  ASSERT_TRUE(global.LibraryLoaded());
  EXPECT_EQ(global.MTS_GetScaleName, nullptr);
  TuningClient client(nullptr, global);
  EXPECT_TRUE(client.IsTuningOnline());
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: 12-TET");
}

TEST(TuningPartialMaster, AMissingPresenceQueryCountsAsNoMaster) {
  FakeMaster master(FAKE_TUNING_MASTER_NO_PRESENCE);
  ASSERT_TRUE(master.Usable());
  master.TuneOffset(0.5);
  master.setFiltered(60, true);
  MtsClientGlobal global(FAKE_TUNING_MASTER_NO_PRESENCE);
  ASSERT_TRUE(global.LibraryLoaded());
  EXPECT_NE(global.tuningTable, nullptr);
  TuningClient client(nullptr, global);
  EXPECT_FALSE(client.IsTuningOnline());
  EXPECT_EQ(client.NoteToPitch(60), 7680);
  EXPECT_FALSE(client.IsNoteOnFiltered(60));
  EXPECT_EQ(client.TuningStatusText(), "");
}
