// A microtuning master library that is there but broken must leave the
// instrument playing in equal temperament, never crash it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/TempFolder.h"
#include "tuning/TuningClient.h"

namespace {

void ExpectEqualTemperament(TuningClient& client) {
  EXPECT_FALSE(client.IsTuningOnline());
  for (int note : {0, 21, 60, 69, 127, 200, -5}) {
    EXPECT_EQ(client.NoteToPitch(note), note * 128) << note;
    EXPECT_FALSE(client.IsNoteOnFiltered(note)) << note;
  }
  EXPECT_NEAR(client.NoteFrequency(69), 440.0, 1e-9);
  EXPECT_EQ(client.TuningStatusText(), "");
}

TEST(BrokenTuningLibrary, ALibraryWithoutEntryPointsIsLoadedButNeverOnline) {
  MtsClientGlobal global(BROKEN_TUNING_MASTER_EMPTY);
  EXPECT_TRUE(global.LibraryLoaded());
  EXPECT_EQ(global.MTS_HasMaster, nullptr);
  EXPECT_EQ(global.tuningTable, nullptr);
  TuningClient client(nullptr, global);
  ExpectEqualTemperament(client);
}

TEST(BrokenTuningLibrary, AFileThatIsNoLibraryIsRefused) {
  TempFolder folder;
  const std::string path = folder / "libMTS.so";
  WriteFileText(path,
                "\x7f"
                "ELF this is not a shared object at all");
  MtsClientGlobal global(path.c_str());
  EXPECT_FALSE(global.LibraryLoaded());
  TuningClient client(nullptr, global);
  ExpectEqualTemperament(client);

  // An empty file and a folder in its place are refused as well.
  WriteFileText(path, "");
  EXPECT_FALSE(global.LoadMasterLibrary(path));
  EXPECT_FALSE(global.LoadMasterLibrary(folder.Path()));
  EXPECT_FALSE(global.LibraryLoaded());
}

TEST(BrokenTuningLibrary, AMasterWithUnusableFrequenciesKeepsPitchesInsideTheEngineRange) {
  MtsClientGlobal global(BROKEN_TUNING_MASTER_BAD_TABLE);
  ASSERT_TRUE(global.LibraryLoaded());
  TuningClient client(nullptr, global);
  ASSERT_TRUE(client.IsTuningOnline());
  for (int note = 0; note < 128; ++note) {
    const int32_t pitch = client.NoteToPitch(note);
    EXPECT_GE(pitch, 0) << note;
    EXPECT_LE(pitch, 17280) << note;
    // The master has no filter entry point: nothing is filtered.
    EXPECT_FALSE(client.IsNoteOnFiltered(note)) << note;
  }
  // NaN (note 0 of the table) plays untuned; a negative or zero frequency the lowest pitch.
  EXPECT_EQ(client.NoteToPitch(0), 0);
  EXPECT_EQ(client.NoteToPitch(5), 5 * 128);
  EXPECT_EQ(client.NoteToPitch(1), 0);
  EXPECT_EQ(client.NoteToPitch(2), 17280);
  // No scale-name entry point: the default name is shown.
  EXPECT_EQ(client.TuningStatusText(), "Micro Tuning: 12-TET");
}

}  // namespace
