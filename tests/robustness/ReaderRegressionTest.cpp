// Inputs the fuzz targets found mishandled, reduced to what each one showed.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "config/Configuration.h"
#include "platform/IniDocument.h"
#include "plugin/DataBlock.h"
#include "programs/ProgramLibrary.h"
#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "tests/support/TempFolder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A format-0 file with one track holding the given event bytes and an end of track.
Bytes MidiFileWithTrack(const Bytes& events) {
  Bytes track = events;
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 192, 'M', 'T', 'r', 'k'};
  const uint32_t length = static_cast<uint32_t>(track.size());
  for (int shift = 24; shift >= 0; shift -= 8) file.push_back(static_cast<uint8_t>(length >> shift));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

TEST(MidiFileRegression, AMessageWithAStatusByteForDataIsDropped) {
  // Note on 60 at 0; a running-status note whose velocity byte has its top bit
  // set; then a note off that must still be read at its own time.
  const Bytes file = MidiFileWithTrack({0x00, 0x90, 60, 100, 0x10, 62, 0x8C, 0x20, 0x80, 60, 0});
  Sequence sequence;
  const MidiFileReadResult result = ReadMidiData(file.data(), file.size(), sequence);
  ASSERT_TRUE(result.headerAccepted);
  const std::vector<SequenceEvent> expected = {{0, 0x90, 60, 100}, {48, 0x80, 60, 0}};
  EXPECT_EQ(sequence.Events(), expected);
  for (const SequenceEvent& event : sequence.Events()) EXPECT_LT(event.data2, 0x80);
}

TEST(MidiFileRegression, EventsFartherApartThanOneDeltaKeepTheirTimes) {
  // Dropped events between two notes add up to more than a delta can carry.
  Sequence sequence;
  std::vector<SequenceEvent> events = {
      {10, 0x90, 60, 100}, {10 + 0x0FFFFFFF + 200, 0x80, 60, 0}, {10 + 3 * 0x0FFFFFFF, 0x91, 61, 90}};
  ASSERT_TRUE(sequence.SetEvents(events));
  const std::vector<SequenceEvent> stored = sequence.Events();
  for (bool type1 : {false, true}) {
    Bytes file;
    BuildMidiFile(sequence, type1, file);
    Sequence read;
    const MidiFileReadResult result = ReadMidiData(file.data(), file.size(), read);
    EXPECT_TRUE(result.complete);
    EXPECT_EQ(read.Events(), stored) << (type1 ? "type 1" : "type 0");
  }
}

TEST(ProgramRecordRegression, ANumberPastTheLastSlotMarksADamagedRecord) {
  Program program;
  program.number = 150;
  program.name = "Too Far";
  program.values.fill(33);
  DataBlock block;
  ASSERT_TRUE(WriteProgramRecord(program, block));
  Program read;
  read.name = "Untouched";
  EXPECT_EQ(ReadProgramRecord(read, block, 0), -1);
  EXPECT_EQ(read.name, "Untouched");

  program.number = 99;
  block.Clear();
  ASSERT_TRUE(WriteProgramRecord(program, block));
  EXPECT_EQ(ReadProgramRecord(read, block, 0), block.Size());
  EXPECT_EQ(read, program);
}

TEST(ProgramRecordRegression, AnEnhancedMessageWithSuchANumberIsIgnoredAndThePlainProgramKept) {
  ProgramLibrary source;
  source.programs[4].number = 200;  // as a damaged file would carry it
  source.programs[4].name = "Damaged";
  source.programs[4].values.fill(64);
  const Bytes data = source.BuildSysEx(4);

  ProgramLibrary target;
  target.programs[7].name = "Kept";
  target.programs[7].number = 7;
  ASSERT_TRUE(target.ParseSysEx(data, 7));
  EXPECT_EQ(target.programs[7].number, 7);
  EXPECT_EQ(target.programs[7].name, "Kept");
  // The plain message was still taken, at the packed resolution.
  ProgramValues expected;
  UnpackProgram(PackProgram(source.programs[4].values), expected);
  EXPECT_EQ(target.programs[7].values, expected);
  for (const Program& program : target.programs) EXPECT_LT(program.number, kProgramCount);
}

TEST(ConfigurationRegression, AStartupBankPathTheFileCannotHoldIsNotLostByAWrite) {
  TempFolder folder;
  const std::string iniFolder = folder / Configuration::kFolderName;
  std::filesystem::create_directories(iniFolder);
  // A lone carriage return inside the value: read as part of it, but no
  // value with a line break can be written back.
  const std::string text = "[Startup Bank]\nFile=/banks/a\rb.fxb\n[MIDI Control]\nCC1=5\n";
  WriteFileText(iniFolder + "/" + Configuration::kFileName, text);
  Configuration configuration(folder.Path(), folder.Path());
  ASSERT_EQ(configuration.startupBankPath, "/banks/a\rb.fxb");
  configuration.ccMap[2] = 6;
  ASSERT_TRUE(configuration.WriteConfiguration(ConfigSetting::All));

  Configuration again(folder.Path(), folder.Path());
  EXPECT_EQ(again.startupBankPath, "/banks/a\rb.fxb");
  EXPECT_EQ(again.ccMap[1].load(), 5);
  EXPECT_EQ(again.ccMap[2].load(), 6);
}

}  // namespace

namespace {

TEST(IniDocumentRegression, StrayCarriageReturnsAreWrittenBackAsTheyWereRead) {
  // Lines ending in LF with a carriage return before some of them.
  const std::string lf = "[S]\nA=1\r\n; note\r\r\nB= 2 \r\n";
  IniDocument document(lf);
  EXPECT_EQ(document.Text(), lf);
  EXPECT_EQ(document.GetString("S", "A", "", 64), "1");
  EXPECT_EQ(document.GetString("S", "B", "", 64), "2");
  EXPECT_EQ(IniDocument(document.Text()).Text(), lf);

  // Lines ending in CR LF, one with a carriage return more.
  const std::string crlf = "[S]\r\nA=1\r\r\n";
  EXPECT_EQ(IniDocument(crlf).Text(), crlf);
  EXPECT_EQ(IniDocument(IniDocument(crlf).Text()).Text(), crlf);
  EXPECT_EQ(IniDocument(crlf).GetString("S", "A", "", 64), "1");
}

// Parallel tracks: a note-off on one channel one tick after a note-on of the
// same key on another must stay behind it, whichever track comes first.
TEST(MidiFileRegression, TracksOfATypeOneFileAreMergedByTime) {
  auto track = [](const Bytes& events) {
    Bytes chunk = {'M', 'T', 'r', 'k'};
    Bytes body = events;
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    const uint32_t length = static_cast<uint32_t>(body.size());
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<uint8_t>(length >> shift));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
  };
  Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0, 192};
  const Bytes first = track({11, 0x80, 64, 0});     // channel 1: note-off at tick 11
  const Bytes second = track({10, 0x91, 64, 100});  // channel 2: note-on at tick 10
  file.insert(file.end(), first.begin(), first.end());
  file.insert(file.end(), second.begin(), second.end());
  Sequence sequence;
  ASSERT_TRUE(ReadMidiData(file.data(), file.size(), sequence).complete);
  const std::vector<SequenceEvent> expected = {{10, 0x91, 64, 100}, {11, 0x80, 64, 0}};
  EXPECT_EQ(sequence.Events(), expected);
}

}  // namespace

namespace {

// The loop length travels as the end-of-track delta, so that event's time may
// lie past the largest tick when the last note is late in a long loop.
TEST(MidiFileRegression, ALongLoopAfterALateEventStillReadsWhole) {
  Sequence sequence;
  std::vector<SequenceEvent> events = {{2000000000, 0x90, 60, 100}, {2000000096, 0x80, 60, 0}};
  ASSERT_TRUE(sequence.SetEvents(events));
  sequence.length = 200000000;
  const std::vector<SequenceEvent> stored = sequence.Events();
  for (bool type1 : {false, true}) {
    Bytes file;
    BuildMidiFile(sequence, type1, file);
    Sequence read;
    const MidiFileReadResult result = ReadMidiData(file.data(), file.size(), read);
    EXPECT_TRUE(result.complete) << (type1 ? "type 1" : "type 0");
    EXPECT_EQ(read.Events(), stored);
    EXPECT_EQ(read.length, 200000000);
  }
  // Anything else kept past the largest tick still fails the file.
  Bytes bytes;
  for (int i = 0; i < 9; ++i) bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
  bytes.insert(bytes.end(), {0x00, 0x90, 60, 100});
  const Bytes late = MidiFileWithTrack(bytes);
  Sequence read;
  EXPECT_FALSE(ReadMidiData(late.data(), late.size(), read).complete);
}

}  // namespace
