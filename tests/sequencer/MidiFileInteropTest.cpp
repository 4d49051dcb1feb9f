// Our files against programs no one here wrote: mido (Python) and
// midicsv/csvmidi. Files those tools wrote once are kept under data/; the
// tests marked Live run the tools themselves and skip when one is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"
#include "tests/sequencer/MidiTestSupport.h"

namespace {

const std::string kDataFolder = std::string(VORNELL_TEST_DATA_DIR) + "/sequencer/data/";

// One line of what a tool saw in a file, in absolute ticks.
struct SeenEvent {
  int track;
  int64_t time;
  std::string kind;  // "on", "off", "end", "name:<text>"
  int channel, note, velocity;
  bool operator==(const SeenEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const SeenEvent& e) {
  return out << "{track " << e.track << " @" << e.time << " " << e.kind << " ch" << e.channel << " n" << e.note << " v"
             << e.velocity << "}";
}

// What a reader of the file should see, from the sequence and the layout our
// writer promises: per chunk the events in list order, then the end of the
// track one loop length after the last event.
std::vector<SeenEvent> ExpectedView(const Sequence& s, bool type1) {
  std::vector<SeenEvent> out;
  const int tracks = type1 ? 6 : 1;
  for (int n = 0; n < tracks; ++n) {
    int64_t last = 0;
    if (type1) out.push_back({n, 0, "name:Track " + std::to_string(n + 1), 0, 0, 0});
    for (const SequenceEvent& e : s.Events()) {
      if (type1 && (e.status & 0x0F) != n) continue;
      out.push_back({n, e.tick, (e.status >> 4) == 9 ? "on" : "off", e.status & 0x0F, e.data1, e.data2});
      last = e.tick;
    }
    out.push_back({n, last + s.length, "end", 0, 0, 0});
  }
  return out;
}

std::vector<std::string> SplitCsv(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ',')) {
    const size_t first = field.find_first_not_of(' ');
    fields.push_back(first == std::string::npos ? "" : field.substr(first));
  }
  return fields;
}

// midicsv's view: tracks count from 1 there, from 0 here.
std::vector<SeenEvent> MidicsvView(const std::string& csv, std::string* header) {
  std::vector<SeenEvent> out;
  std::stringstream lines(csv);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> f = SplitCsv(line);
    if (f.size() < 3) continue;
    const int track = std::stoi(f[0]) - 1;
    const int64_t time = std::stoll(f[1]);
    const std::string& kind = f[2];
    if (kind == "Header") {
      *header = f[3] + " " + f[4] + " " + f[5];
    } else if (kind == "Note_on_c" || kind == "Note_off_c") {
      out.push_back(
          {track, time, kind == "Note_on_c" ? "on" : "off", std::stoi(f[3]), std::stoi(f[4]), std::stoi(f[5])});
    } else if (kind == "End_track") {
      out.push_back({track, time, "end", 0, 0, 0});
    } else if (kind == "Title_t") {
      out.push_back({track, time, "name:" + f[3].substr(1, f[3].size() - 2), 0, 0, 0});
    } else if (kind != "Start_track" && kind != "End_of_file") {
      out.push_back({track, time, "unexpected:" + kind, 0, 0, 0});
    }
  }
  return out;
}

const char* kMidoDump = R"(
import sys, mido
f = mido.MidiFile(sys.argv[1])
print('header', f.type, len(f.tracks), f.ticks_per_beat)
for i, track in enumerate(f.tracks):
    now = 0
    for m in track:
        now += m.time
        if m.type in ('note_on', 'note_off'):
            print(i, now, 'on' if m.type == 'note_on' else 'off', m.channel, m.note, m.velocity)
        elif m.type == 'end_of_track':
            print(i, now, 'end', 0, 0, 0)
        elif m.type == 'track_name':
            print(i, now, 'name:' + m.name.replace(' ', '_'), 0, 0, 0)
        else:
            print(i, now, 'unexpected:' + m.type, 0, 0, 0)
)";

std::vector<SeenEvent> MidoView(const std::string& dump, std::string* header) {
  std::vector<SeenEvent> out;
  std::stringstream lines(dump);
  std::string line;
  while (std::getline(lines, line)) {
    std::stringstream in(line);
    if (line.rfind("header ", 0) == 0) {
      std::string word, format, tracks, division;
      in >> word >> format >> tracks >> division;
      *header = format + " " + tracks + " " + division;
      continue;
    }
    SeenEvent e;
    in >> e.track >> e.time >> e.kind >> e.channel >> e.note >> e.velocity;
    if (e.kind.rfind("name:", 0) == 0) std::replace(e.kind.begin(), e.kind.end(), '_', ' ');
    out.push_back(e);
  }
  return out;
}

// A loop as a recording leaves it: six tracks, a chord, a note-off moved behind
// a note-on, notes past the loop end, and a loop end long after the last note.
Sequence RecordedLoop() {
  Sequence s;
  s.length = 1536;
  s.ppq = 192;
  const SequenceEvent events[] = {{0, 0x90, 60, 100},  {0, 0x91, 64, 90},   {0, 0x92, 67, 80},    {96, 0x80, 60, 0},
                                  {96, 0x90, 60, 110}, {96, 0x80, 60, 0},   {190, 0x81, 64, 0},   {192, 0x93, 40, 127},
                                  {384, 0x83, 40, 0},  {400, 0x94, 72, 1},  {402, 0x84, 72, 0},   {700, 0x82, 67, 0},
                                  {760, 0x95, 30, 64}, {1600, 0x85, 30, 0}, {1000, 0x90, 62, 50}, {1010, 0x80, 62, 0}};
  for (SequenceEvent e : events) s.AddEvent(e);
  return s;
}

}  // namespace

TEST(MidiFileInterop, FileWrittenByMidoLoads) {
  // Type 1, 96 per quarter, a conductor track with 100 BPM and 3/4, running
  // status, note-on with velocity 0 for note ends, drums, controllers, a
  // program change, pitch bend, channel pressure and channel 7 notes around.
  Sequence s;
  SequenceEvent old{0, 0x9A, 1, 1};
  s.AddEvent(old);
  const MidiFileReadResult result = ReadMidiFile(kDataFolder + "mido-type1-running-status.mid", s);
  ASSERT_TRUE(result.complete);
  EXPECT_EQ(s.Events(), (std::vector<SequenceEvent>{{0, 0x90, 60, 100},
                                                    {48, 0x90, 60, 0},
                                                    {96, 0x91, 64, 80},
                                                    {96, 0x91, 67, 81},
                                                    {192, 0x91, 64, 0},
                                                    {192, 0x91, 67, 0},
                                                    {286, 0x95, 48, 127},
                                                    {386, 0x85, 48, 64}}));
  // The track ends with its last event (tick 387); 3/4 at 96 per quarter
  // rounds that up to two bars.
  EXPECT_EQ(s.length, 576);
  EXPECT_EQ(s.ppq, 96);
  EXPECT_DOUBLE_EQ(s.tempo, 100.0);
  EXPECT_EQ(s.barLength, 0.75);
  EXPECT_EQ(ChannelMask(s), (1 << 0) | (1 << 1) | (1 << 5));
}

TEST(MidiFileInterop, FileWrittenByCsvmidiLoads) {
  // Type 0, 480 per quarter, 6/8, 150 BPM; the end of the track 960 ticks after the last note.
  Sequence s;
  const MidiFileReadResult result = ReadMidiFile(kDataFolder + "csvmidi-type0.mid", s);
  ASSERT_TRUE(result.complete);
  EXPECT_EQ(s.Events(), (std::vector<SequenceEvent>{{0, 0x90, 72, 100},
                                                    {240, 0x90, 72, 0},
                                                    {240, 0x92, 76, 90},
                                                    {720, 0x82, 76, 0},
                                                    {720, 0x93, 79, 70},
                                                    {1440, 0x93, 79, 0}}));
  // The end-of-track delta (960) is the loop length, rounded to the next 6/8 bar.
  EXPECT_EQ(s.length, 1440);
  EXPECT_EQ(s.ppq, 480);
  EXPECT_DOUBLE_EQ(s.tempo, 150.0);
  EXPECT_EQ(s.barLength, 0.75);
}

TEST(MidiFileInterop, LiveMidicsvReadsOurFilesAsWritten) {
  if (!HaveMidicsv()) GTEST_SKIP() << "midicsv is not installed (Debian package midicsv)";
  TempFolder folder;
  const Sequence loop = RecordedLoop();
  for (bool type1 : {false, true}) {
    const std::string path = folder.Path() + (type1 ? "/type1.mid" : "/type0.mid");
    ASSERT_TRUE(WriteMidiFile(path, type1, loop));
    const ToolRun csv = RunCommand("midicsv " + path + " 2>&1");
    ASSERT_EQ(csv.status, 0) << csv.output;
    std::string header;
    const std::vector<SeenEvent> seen = MidicsvView(csv.output, &header);
    EXPECT_EQ(header, type1 ? "1 6 192" : "0 1 192");
    EXPECT_EQ(seen, ExpectedView(loop, type1)) << "type " << type1;
  }
}

TEST(MidiFileInterop, LiveMidoReadsOurFilesAsWritten) {
  if (!HaveMido()) GTEST_SKIP() << "mido is not installed for " << SystemPython() << " (Debian package python3-mido)";
  TempFolder folder;
  const std::string script = folder.Path() + "/dump.py";
  std::ofstream(script) << kMidoDump;
  const Sequence loop = RecordedLoop();
  for (bool type1 : {false, true}) {
    const std::string path = folder.Path() + (type1 ? "/type1.mid" : "/type0.mid");
    ASSERT_TRUE(WriteMidiFile(path, type1, loop));
    const ToolRun dump = RunCommand(SystemPython() + " " + script + " " + path + " 2>&1");
    ASSERT_EQ(dump.status, 0) << dump.output;
    std::string header;
    const std::vector<SeenEvent> seen = MidoView(dump.output, &header);
    EXPECT_EQ(header, type1 ? "1 6 192" : "0 1 192");
    EXPECT_EQ(seen, ExpectedView(loop, type1)) << "type " << type1;
  }
}

TEST(MidiFileInterop, LiveFilesWrittenByTheToolsLoad) {
  const bool mido = HaveMido();
  const bool midicsv = HaveMidicsv();
  if (!mido && !midicsv) GTEST_SKIP() << "neither mido nor midicsv is installed";

  // Random notes on channels 1 to 8 at 120 per quarter, in file order, with
  // note ends as note-on velocity 0 or as note-off; 4/4; some controllers.
  struct FileEvent {
    int64_t time;
    int status, data1, data2;
  };
  std::mt19937 random(5);
  std::vector<FileEvent> file;
  int64_t now = 0;
  for (int i = 0; i < 80; ++i) {
    now += random() % 50;
    const int channel = int(random() % 8);
    const int note = 36 + int(random() % 24);
    switch (random() % 4) {
      case 0:
        file.push_back({now, 0x90 | channel, note, 1 + int(random() % 127)});
        break;
      case 1:
        file.push_back({now, 0x90 | channel, note, 0});
        break;
      case 2:
        file.push_back({now, 0x80 | channel, note, int(random() % 128)});
        break;
      default:
        file.push_back({now, 0xB0 | channel, 1 + int(random() % 100), int(random() % 128)});
        break;
    }
  }
  Sequence expected;
  for (const FileEvent& f : file) {
    if ((f.status >> 4) == 0xB || (f.status & 0x0F) >= 6) continue;
    SequenceEvent e{int32_t(f.time), uint8_t(f.status), uint8_t(f.data1), uint8_t(f.data2)};
    expected.AddEvent(e);
  }
  const int32_t bar = 4 * 120;
  const int32_t expectedLength = int32_t(now - now % bar + bar);

  TempFolder folder;
  std::vector<std::string> made;
  if (midicsv) {
    std::ofstream csv(folder.Path() + "/notes.csv");
    csv << "0, 0, Header, 0, 1, 120\n1, 0, Start_track\n1, 0, Time_signature, 4, 2, 24, 8\n";
    for (const FileEvent& f : file) {
      const char* kind = (f.status >> 4) == 9 ? "Note_on_c" : (f.status >> 4) == 8 ? "Note_off_c" : "Control_c";
      csv << "1, " << f.time << ", " << kind << ", " << (f.status & 0x0F) << ", " << f.data1 << ", " << f.data2 << "\n";
    }
    csv << "1, " << now << ", End_track\n0, 0, End_of_file\n";
    csv.close();
    const ToolRun out = RunCommand("csvmidi " + folder.Path() + "/notes.csv " + folder.Path() + "/csvmidi.mid 2>&1");
    ASSERT_EQ(out.status, 0) << out.output;
    made.push_back(folder.Path() + "/csvmidi.mid");
  }
  if (mido) {
    std::ofstream py(folder.Path() + "/make.py");
    py << "import sys, mido\nf = mido.MidiFile(type=1, ticks_per_beat=120)\n"
       << "c = mido.MidiTrack()\nc.append(mido.MetaMessage('time_signature', numerator=4, denominator=4))\n"
       << "f.tracks.append(c)\nt = mido.MidiTrack()\nf.tracks.append(t)\nlast = 0\n";
    for (const FileEvent& f : file) {
      const int type = f.status >> 4;
      py << "t.append(mido.Message(";
      if (type == 9) py << "'note_on', note=" << f.data1 << ", velocity=" << f.data2;
      if (type == 8) py << "'note_off', note=" << f.data1 << ", velocity=" << f.data2;
      if (type == 0xB) py << "'control_change', control=" << f.data1 << ", value=" << f.data2;
      py << ", channel=" << (f.status & 0x0F) << ", time=" << f.time << " - last))\nlast = " << f.time << "\n";
    }
    py << "f.save(sys.argv[1])\n";
    py.close();
    const ToolRun out =
        RunCommand(SystemPython() + " " + folder.Path() + "/make.py " + folder.Path() + "/mido.mid 2>&1");
    ASSERT_EQ(out.status, 0) << out.output;
    made.push_back(folder.Path() + "/mido.mid");
  }
  for (const std::string& path : made) {
    Sequence s;
    const MidiFileReadResult result = ReadMidiFile(path, s);
    ASSERT_TRUE(result.complete) << path;
    EXPECT_EQ(s.Events(), expected.Events()) << path;
    EXPECT_EQ(s.length, expectedLength) << path;
    EXPECT_EQ(s.ppq, 120) << path;
    EXPECT_EQ(ChannelMask(s), ChannelMask(expected)) << path;
  }
}
