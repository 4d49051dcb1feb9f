// The sequence menu on the whole instrument: loops recorded through
// ProcessBlock saved as MIDI files (and read by mido when it is installed),
// files loaded into a sequence and played in its Mode, failed loads, the
// current preset taking the sequence on a save, clearing and the default folder.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "sequencer/MidiFile.h"
#include "sequencer/SequenceFileCommands.h"
#include "tests/performance/SequencerTestSupport.h"
#include "tests/sequencer/MidiTestSupport.h"

namespace {

using DialogMode = SequenceFileHost::DialogMode;

struct Dialog {
  DialogMode mode;
  std::string folder, extensions, fileName;
};

// An instrument whose file dialog answers from a queue, and which notes when
// the current preset took the state (and whether the file being saved was
// already there then).
class FileVornell : public SeqVornell {
 public:
  std::string ChooseSequenceFile(DialogMode mode, const std::string& folder, const std::string& extensions,
                                 const std::string& fileName, const std::string&) override {
    dialogs.push_back({mode, folder, extensions, fileName});
    if (answers.empty()) return "";
    chosen = answers.front();
    answers.pop_front();
    return chosen;
  }
  void ModifyCurrentPreset(const char* name) override {
    presetStores.push_back(std::filesystem::exists(chosen));
    SeqVornell::ModifyCurrentPreset(name);
  }

  std::deque<std::string> answers;
  std::vector<Dialog> dialogs;
  std::string chosen;
  // One entry per ModifyCurrentPreset: did the chosen file exist at that moment.
  std::vector<bool> presetStores;
};

// FileVornell with every track on its own MIDI channel and a short, plain
// sound in every program, so that each note start is one onset on its track.
struct FileSession {
  FileSession() {
    ForgetSequenceFolder();
    for (int t = 0; t < Engine::kTrackCount; ++t) SetTrackChannel(plug, t, t);
    for (int p = 99; p >= 0; --p) UseClickFreeTestSound(plug, p);
  }
  ~FileSession() { ForgetSequenceFolder(); }

  int64_t Now() const { return static_cast<int64_t>(out.channels[0].size()); }
  void RunTo(int64_t at) {
    if (at > Now()) Play(plug, static_cast<int>(at - Now()), out, kSeqBlock);
  }
  void Note(int channel, int note, int velocity) { SendNote(plug, channel, note, velocity); }
  std::vector<int64_t> OnsetsFrom(int t, int64_t from) const {
    return Onsets(out.channels[static_cast<size_t>(TrackChannel(t))], 200, from);
  }
  // The MIDI note track t sounds over 4800 samples from `from` (sawtooth: one
  // rising zero crossing per period).
  int HeardNote(int t, int64_t from) const {
    return HeardMidiNote(out.channels[static_cast<size_t>(TrackChannel(t))], static_cast<size_t>(from), 4800,
                         kTestRate);
  }

  FileVornell plug;
  Rendering out;
};

std::vector<int64_t> Shifted(int64_t start, std::vector<int64_t> offsets) {
  for (int64_t& o : offsets) o += start;
  return offsets;
}

// Records a two-track loop into Seq A as a player would: a first pass on
// track 1 (60, 64, 67), stopped after 4.3 quarters (a 768-tick loop), then an
// overdub on track 2 (72, 76) for one pass. Returns with the loop playing.
void RecordTwoTrackLoop(FileSession& s) {
  const int64_t t0 = 48000;
  s.RunTo(t0 - 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().SetRecording(true);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));
  s.RunTo(t0);
  for (auto [at, note, velocity] : std::vector<std::tuple<int, int, int>>{
           {0, 60, 100}, {12000, 60, 0}, {24000, 64, 90}, {36000, 64, 0}, {60000, 67, 80}, {72000, 67, 0}}) {
    s.RunTo(t0 + at);
    s.Note(2, note, velocity);
  }
  s.RunTo(t0 + kQuarter * 43 / 10);
  s.plug.Sequencing().StopRecording();
  const int64_t loop = s.Now();
  ASSERT_EQ(s.plug.Sequencing().SeqA().length, 768);

  s.RunTo(loop + 4800);
  s.plug.Panel().SetRecordMode(true);
  s.plug.Sequencing().PrepareOverdub();
  s.RunTo(loop + 9600);
  s.plug.Sequencing().RecordTrackButton(1);
  for (auto [tick, note, velocity] :
       std::vector<std::tuple<int, int, int>>{{288, 72, 100}, {384, 72, 0}, {768 + 576, 76, 100}, {768 + 672, 76, 0}}) {
    s.RunTo(loop + int64_t{tick} * kTick);
    s.Note(0, note, velocity);
  }
  s.RunTo(loop + 2 * 4 * kQuarter + 4800);  // the wrap after the overdub pass ends it
  ASSERT_FALSE(s.plug.Sequencing().Recording());
  ASSERT_EQ(s.plug.StatusText(), "Recording stopped.");
}

// The note events of a file as mido sees them, one line each:
// "<track> <absolute tick> <on|off> <channel> <note> <velocity>", after a
// header "type <t> ppq <division> tracks <n>" and with "name"/"end" lines.
const char* kMidoDump = R"(
import sys, mido
f = mido.MidiFile(sys.argv[1])
print('type', f.type, 'ppq', f.ticks_per_beat, 'tracks', len(f.tracks))
for n, track in enumerate(f.tracks):
    now = 0
    for m in track:
        now += m.time
        if m.type == 'track_name':
            print(n, now, 'name', m.name)
        elif m.type in ('note_on', 'note_off'):
            print(n, now, 'on' if m.type == 'note_on' else 'off', m.channel, m.note, m.velocity)
        elif m.type == 'end_of_track':
            print(n, now, 'end')
)";

// The same lines from a sequence and the layout promised to other programs.
std::string ExpectedMidoDump(const Sequence& s) {
  std::ostringstream out;
  out << "type 1 ppq " << s.ppq << " tracks 6\n";
  for (int n = 0; n < 6; ++n) {
    out << n << " 0 name Track " << n + 1 << "\n";
    int last = 0;
    for (const SequenceEvent& e : s.Events()) {
      if ((e.status & 0x0F) != n) continue;
      out << n << " " << e.tick << " " << ((e.status >> 4) == 9 ? "on" : "off") << " " << (e.status & 0x0F) << " "
          << int{e.data1} << " " << int{e.data2} << "\n";
      last = e.tick;
    }
    out << n << " " << last + s.length << " end\n";
  }
  return out.str();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int SeqProgram(const Vornell& plug, int set, int t) {
  return plug.IntParam(ProgramParamIndex(set, t));
}

}  // namespace

TEST(VornellSequenceFiles, RecordedLoopSavedAsType1HasOneMidiTrackPerInstrumentTrack) {
  FileSession s;
  TempFolder folder;
  s.plug.config.sequencePath = folder.Path();
  RecordTwoTrackLoop(s);
  ASSERT_TRUE(s.plug.Sequencing().SequenceMenuItemEnabled(SequenceFileCommand::kSaveType1, 0));
  const std::vector<SequenceEvent> recorded = s.plug.Sequencing().SeqA().Events();
  ASSERT_EQ(EventsOfChannel(s.plug.Sequencing().SeqA(), 0).size(), 6u);
  ASSERT_EQ(EventsOfChannel(s.plug.Sequencing().SeqA(), 1).size(), 4u);

  const std::string path = folder.Path() + "/loop.mid";
  s.plug.answers.push_back(path);
  EXPECT_EQ(s.plug.Sequencing().SaveSequenceToMidiFile(0, true), "Done.");
  EXPECT_EQ(s.plug.StatusText(), "Done.");
  EXPECT_EQ(s.plug.StatusColour(), kStatusGreen);
  ASSERT_EQ(s.plug.dialogs.size(), 1u);
  EXPECT_EQ(s.plug.dialogs[0].mode, DialogMode::kSave);
  EXPECT_EQ(s.plug.dialogs[0].folder, folder.Path());  // the configured folder on first use
  EXPECT_EQ(s.plug.dialogs[0].extensions, "mid");
  EXPECT_EQ(s.plug.dialogs[0].fileName, "Vornell");
  // Saving leaves the loop playing untouched.
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
  EXPECT_EQ(s.plug.Sequencing().SeqA().Events(), recorded);

  // Our own reader takes the same loop back.
  Sequence back;
  ASSERT_TRUE(ReadMidiFile(path, back).complete);
  EXPECT_EQ(back.Events(), recorded);
  EXPECT_EQ(back.length, 768);
  EXPECT_EQ(back.ppq, 192);

  if (!HaveMido()) GTEST_SKIP() << "mido is not installed for " << SystemPython() << " (Debian package python3-mido)";
  const std::string script = folder.Path() + "/dump.py";
  std::ofstream(script) << kMidoDump;
  const ToolRun run = RunCommand(SystemPython() + " " + script + " " + path + " 2>&1");
  const std::string& dump = run.output;
  ASSERT_EQ(run.status, 0) << dump;
  EXPECT_EQ(dump, ExpectedMidoDump(s.plug.Sequencing().SeqA()));
  // The two recorded parts, each on the MIDI track of the instrument track that played it.
  EXPECT_NE(dump.find("0 0 on 0 60 100\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find(" on 1 72 100\n"), std::string::npos) << dump;
  EXPECT_EQ(dump.find("\n0 288 on"), std::string::npos) << dump;
}

TEST(VornellSequenceFiles, FileLoadedIntoSeqBPlaysOnTheTracksOfItsChannelsInModeTwo) {
  FileSession s;
  TempFolder folder;
  // Division 96 (a tick is 250 samples at 120 BPM): MIDI channel 3 plays 60
  // and 64 a quarter apart, channel 5 plays 67 between them; channel 10 and a
  // controller in between are not for the tracks. The end of track comes
  // without delta, so the loop is the 4/4 bar after the last note-off.
  const std::vector<uint8_t> conductor = {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF,
                                          0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00};
  const std::vector<uint8_t> channel3 = {0x00, 0x92, 60,   100,  0x30, 0x82, 60,   0,    0x30, 0x92,
                                         64,   100,  0x30, 0x82, 64,   0,    0x00, 0xFF, 0x2F, 0x00};
  const std::vector<uint8_t> channel5 = {0x18, 0x99, 36,   100,  0x06, 0xB4, 7,    90,   0x12, 0x94,
                                         67,   100,  0x30, 0x84, 67,   0,    0x00, 0xFF, 0x2F, 0x00};
  const std::string path = folder.Path() + "/song.mid";
  WriteBytes(path, MidiBytes(1, 96, {conductor, channel3, channel5}));
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqB, 2), 7);
  AddNote(s.plug.Sequencing().SeqB(), 0, 40, 0, 96);  // a loop that the file replaces

  s.RunTo(4800);
  s.plug.answers.push_back(path);
  EXPECT_EQ(s.plug.Sequencing().LoadSequenceFromMidiFile(1), "Done.");
  EXPECT_EQ(s.plug.StatusText(), "Done.");
  ASSERT_EQ(s.plug.dialogs.size(), 1u);
  EXPECT_EQ(s.plug.dialogs[0].mode, DialogMode::kOpen);
  EXPECT_EQ(s.plug.dialogs[0].extensions, "mid");
  EXPECT_EQ(SequenceFolder(), folder.Path());
  EXPECT_EQ(s.plug.Sequencing().SeqB().ppq, 96);
  EXPECT_EQ(s.plug.Sequencing().SeqB().length, 384);
  EXPECT_DOUBLE_EQ(s.plug.Sequencing().SeqB().tempo, 120.0);
  EXPECT_EQ(ChannelMask(s.plug.Sequencing().SeqB()), (1 << 2) | (1 << 4));
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  for (int t = 0; t < Engine::kTrackCount; ++t) EXPECT_EQ(SeqProgram(s.plug, kProgramSetSeqB, t), 100) << t;

  // SEQ B: tracks 3 and 5 play the file's parts, loop after loop. The ticks
  // of the internal clock lie on a grid counted from sample 0; 12000 is on it.
  s.RunTo(12000);
  s.plug.SetPlain(kParamMode, kModeSequenceB);
  EXPECT_EQ(s.plug.StatusText(), "Sequencer started...");
  ASSERT_EQ(s.plug.GetEngine().Mode(), kModeSequenceB);
  const int64_t start = s.Now();
  const int64_t loop = 384 * 250;
  s.RunTo(start + 2 * loop);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(2).sequenceDriven);
  EXPECT_TRUE(s.plug.GetEngine().GetTrack(4).sequenceDriven);
  EXPECT_EQ(s.OnsetsFrom(2, start), Shifted(start, {0, 24000, loop, loop + 24000}));
  EXPECT_EQ(s.OnsetsFrom(4, start), Shifted(start, {12000, loop + 12000}));
  EXPECT_EQ(s.HeardNote(2, start + 100), 60);
  EXPECT_EQ(s.HeardNote(2, start + loop + 24000 + 100), 64);
  EXPECT_EQ(s.HeardNote(4, start + 12000 + 100), 67);
  for (int t : {0, 1, 3, 5}) EXPECT_TRUE(s.OnsetsFrom(t, start).empty()) << t;
}

TEST(VornellSequenceFiles, FailedLoadLeavesTheSequenceItsProgramsAndTheModeAsTheyWere) {
  FileSession s;
  TempFolder folder;
  AddNote(s.plug.Sequencing().SeqA(), 1, 50, 0, 96);
  s.plug.Sequencing().SeqA().length = 384;
  const std::vector<SequenceEvent> before = s.plug.Sequencing().SeqA().Events();
  s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqA, 1), 42);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceA));

  std::vector<uint8_t> whole;
  Sequence other;
  AddNote(other, 3, 70, 0, 48);
  other.length = 192;
  BuildMidiFile(other, true, whole);
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 30);  // ends inside the fourth track
  WriteBytes(folder.Path() + "/cut.mid", cut);
  WriteBytes(folder.Path() + "/format2.mid", MidiBytes(2, 96, {{0x00, 0xFF, 0x2F, 0x00}}));
  WriteBytes(folder.Path() + "/noise.mid", {'R', 'I', 'F', 'F', 1, 2, 3});

  for (const std::string name : {"cut.mid", "format2.mid", "noise.mid", "missing.mid"}) {
    SCOPED_TRACE(name);
    s.plug.questions.clear();
    s.plug.answers.push_back(folder.Path() + "/" + name);
    EXPECT_EQ(s.plug.Sequencing().LoadSequenceFromMidiFile(0), "Cannot load file!");
    EXPECT_EQ(s.plug.questions, std::vector<std::string>{"Error|Cannot load file!"});
    EXPECT_EQ(s.plug.StatusText(), "Cannot load file!");
    EXPECT_EQ(s.plug.StatusColour(), kStatusRed);
    EXPECT_EQ(s.plug.Sequencing().SeqA().Events(), before);
    EXPECT_EQ(s.plug.Sequencing().SeqA().length, 384);
    EXPECT_EQ(SeqProgram(s.plug, kProgramSetSeqA, 1), 42);
    EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceA);
    EXPECT_TRUE(s.plug.GetEngine().GetTrack(1).sequenceDriven);
  }
  // The loop still plays on its track.
  const int64_t from = s.Now();
  s.RunTo(from + 2 * 384 * kTick);
  EXPECT_EQ(s.OnsetsFrom(1, from).size(), 2u);
}

TEST(VornellSequenceFiles, SaveStoresTheStateInTheCurrentPresetBeforeWritingTheFile) {
  FileSession s;
  TempFolder folder;
  AddNote(s.plug.Sequencing().SeqB(), 4, 62, 0, 96);
  AddNote(s.plug.Sequencing().SeqB(), 4, 65, 192, 288);
  s.plug.Sequencing().SeqB().length = 768;
  const int current = s.plug.GetCurrentPresetIndex();
  const std::string name = s.plug.GetPresetName(current);

  // What the preset held before: no sequence.
  auto presetSeqB = [&](Sequence& into) {
    TestVornell fresh;
    std::lock_guard lock(fresh.Mutex());
    const PlugPreset* preset = s.plug.GetPreset(current);
    ASSERT_NE(preset, nullptr);
    ASSERT_GT(fresh.LoadState(preset->state, 0), 0);
    into = fresh.Sequencing().SeqB();
  };
  Sequence stored;
  presetSeqB(stored);
  ASSERT_TRUE(stored.Empty());

  const std::string path = folder.Path() + "/b.mid";
  s.plug.answers.push_back(path);
  EXPECT_EQ(s.plug.Sequencing().SaveSequenceToMidiFile(1, false), "Done.");
  EXPECT_EQ(s.plug.presetStores, std::vector<bool>{false});  // once, before the file existed
  presetSeqB(stored);
  EXPECT_EQ(stored.Events(), s.plug.Sequencing().SeqB().Events());
  EXPECT_EQ(stored.length, 768);
  EXPECT_EQ(s.plug.GetPresetName(current), name);

  Sequence back;
  ASSERT_TRUE(ReadMidiFile(path, back).complete);
  EXPECT_EQ(back.Events(), s.plug.Sequencing().SeqB().Events());

  // A file that cannot be created: the box, the red status, and still the preset first.
  s.plug.questions.clear();
  s.plug.answers.push_back(folder.Path() + "/no/such/folder/b.mid");
  EXPECT_EQ(s.plug.Sequencing().SaveSequenceToMidiFile(1, true), "Cannot save file!");
  EXPECT_EQ(s.plug.questions, std::vector<std::string>{"Error|Cannot save file!"});
  EXPECT_EQ(s.plug.StatusColour(), kStatusRed);
  EXPECT_EQ(s.plug.presetStores.size(), 2u);
}

TEST(VornellSequenceFiles, ClearAsksThenEmptiesTheSequenceResetsItsProgramsAndGoesNormal) {
  FileSession s;
  AddNote(s.plug.Sequencing().SeqB(), 2, 50, 0, 96);
  s.plug.Sequencing().SeqB().length = 384;
  for (int t = 0; t < Engine::kTrackCount; ++t) s.plug.SetParameterFromEngine(ProgramParamIndex(kProgramSetSeqB, t), t);
  ASSERT_TRUE(s.plug.Sequencing().SetMode(kModeSequenceB));
  ASSERT_TRUE(s.plug.GetEngine().GetTrack(2).sequenceDriven);
  EXPECT_TRUE(s.plug.Sequencing().SequenceMenuItemEnabled(SequenceFileCommand::kClear, 1));
  EXPECT_FALSE(s.plug.Sequencing().SequenceMenuItemEnabled(SequenceFileCommand::kClear, 0));  // Seq A is empty
  EXPECT_EQ(s.plug.Sequencing().SequenceMenuItemText(SequenceFileCommand::kClear, 1), "Clear Sequence B");

  s.plug.answer = 7;  // no
  EXPECT_FALSE(s.plug.Sequencing().ClearSequenceFromMenu(1));
  EXPECT_EQ(s.plug.questions, std::vector<std::string>{"Clear Sequence B|Do you really want to clear Sequence B?"});
  EXPECT_EQ(s.plug.Sequencing().SeqB().EventCount(), 2u);
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeSequenceB);

  s.plug.answer = 6;  // yes
  EXPECT_TRUE(s.plug.Sequencing().ClearSequenceFromMenu(1));
  EXPECT_TRUE(s.plug.Sequencing().SeqB().Empty());
  EXPECT_EQ(s.plug.Sequencing().SeqB().length, 0);
  for (int t = 0; t < Engine::kTrackCount; ++t) EXPECT_EQ(SeqProgram(s.plug, kProgramSetSeqB, t), 100) << t;
  EXPECT_EQ(s.plug.GetEngine().Mode(), kModeNormal);
  EXPECT_EQ(s.plug.IntParam(kParamMode), kModeNormal);
  EXPECT_FALSE(s.plug.GetEngine().GetTrack(2).sequenceDriven);
  EXPECT_EQ(s.plug.GetEngine().GetTrack(2).channel, 2);
  EXPECT_FALSE(s.plug.Sequencing().SequenceMenuItemEnabled(SequenceFileCommand::kSaveType0, 1));
  EXPECT_TRUE(s.plug.Sequencing().SequenceMenuItemEnabled(SequenceFileCommand::kLoad, 1));
}

TEST(VornellSequenceFiles, DefaultPathBecomesTheSettingAndTheDialogsStartThere) {
  FileSession s;
  TempFolder configured, chosen, loadedFrom;
  s.plug.config.sequencePath = configured.Path();
  EXPECT_EQ(s.plug.Sequencing().SequenceMenuItemText(SequenceFileCommand::kDefaultPath, 0),
            "Default Path For Sequence Files...");

  // Cancelled: nothing changes.
  EXPECT_EQ(s.plug.Sequencing().ChooseDefaultSequencePath(), "");
  EXPECT_EQ(s.plug.config.sequencePath, configured.Path());
  ASSERT_EQ(s.plug.dialogs.size(), 1u);
  EXPECT_EQ(s.plug.dialogs[0].mode, DialogMode::kFolder);
  EXPECT_EQ(s.plug.dialogs[0].folder, configured.Path());
  EXPECT_EQ(s.plug.dialogs[0].fileName, "");

  s.plug.answers.push_back(chosen.Path() + "/");
  EXPECT_EQ(s.plug.Sequencing().ChooseDefaultSequencePath(), chosen.Path());
  EXPECT_EQ(s.plug.config.sequencePath, chosen.Path());
  // Written to the settings file: a new instance starts with it.
  {
    TestVornell other;
    EXPECT_EQ(other.config.sequencePath, chosen.Path());
  }
  s.plug.Sequencing().LoadSequenceFromMidiFile(0);  // cancelled
  EXPECT_EQ(s.plug.dialogs.back().folder, chosen.Path());

  // A load moves the folder of every instance's dialogs to the file's folder.
  Sequence loop;
  AddNote(loop, 0, 60, 0, 96);
  loop.length = 192;
  ASSERT_TRUE(WriteMidiFile(loadedFrom.Path() + "/x.mid", false, loop));
  s.plug.answers.push_back(loadedFrom.Path() + "/x.mid");
  EXPECT_EQ(s.plug.Sequencing().LoadSequenceFromMidiFile(0), "Done.");
  FileVornell second;
  second.Sequencing().SaveSequenceToMidiFile(0, false);  // cancelled
  ASSERT_EQ(second.dialogs.size(), 1u);
  EXPECT_EQ(second.dialogs[0].folder, loadedFrom.Path());
  EXPECT_EQ(s.plug.config.sequencePath, chosen.Path());  // loading does not change the setting
}

TEST(VornellSequenceFiles, NothingHappensWithoutAnOpenEditorAndHeadlessDialogsCancel) {
  FileSession s;
  TempFolder folder;
  Sequence loop;
  AddNote(loop, 0, 60, 0, 96);
  loop.length = 192;
  ASSERT_TRUE(WriteMidiFile(folder.Path() + "/x.mid", false, loop));
  AddNote(s.plug.Sequencing().SeqA(), 1, 50, 0, 96);

  s.plug.editor.open = false;
  s.plug.answers.push_back(folder.Path() + "/x.mid");
  EXPECT_EQ(s.plug.Sequencing().LoadSequenceFromMidiFile(0), "");
  EXPECT_FALSE(s.plug.Sequencing().ClearSequenceFromMenu(0));
  EXPECT_EQ(s.plug.Sequencing().SaveSequenceToMidiFile(0, true), "");
  EXPECT_EQ(s.plug.Sequencing().ChooseDefaultSequencePath(), "");
  EXPECT_TRUE(s.plug.dialogs.empty());
  EXPECT_TRUE(s.plug.questions.empty());
  EXPECT_TRUE(s.plug.presetStores.empty());
  EXPECT_EQ(s.plug.Sequencing().SeqA().EventCount(), 2u);

  // An instrument whose editor window is open but has no dialogs to show
  // takes every file dialog as cancelled.
  TestVornell headless;
  headless.OpenEditor();
  AddNote(headless.Sequencing().SeqA(), 0, 60, 0, 96);
  EXPECT_EQ(headless.Sequencing().LoadSequenceFromMidiFile(0), "");
  EXPECT_EQ(headless.Sequencing().SaveSequenceToMidiFile(0, false), "");
  EXPECT_EQ(headless.Sequencing().ChooseDefaultSequencePath(), "");
  EXPECT_EQ(headless.Sequencing().SeqA().EventCount(), 2u);
  EXPECT_TRUE(headless.questions.empty());
}
