// Builds the built-in preset bank: reads the readable preset list (presets.txt),
// sets up a real instrument for each preset through its own parameter and
// sequence code, stores it into the preset slot and writes the bank file the
// instrument itself writes.
//
// Usage: vornell_make_builtin_bank presets.txt out.fxb
//
// Preset list syntax (one preset per block; '#' at the start of a word starts
// a comment):
//   preset "Name"
//   link on|off                         "Link Programs"
//   speed N                             "Speed" in BPM
//   master V                            "Master Volume" 0..1
//   param INDEX VALUE                   any parameter, plain value
//   track WHICH KEY VALUE ...           WHICH: 1..6, a range 2-4, or all
//       ch 1..16|all|off  mode mono|poly|legato  cycle on|off  tr SEMITONES
//       tune V  vol V (0..2)  pan V (0 left .. 1 right)
//       prg N  seqa N  seqb N  stacka N  stackb N   (program slots; 100 = own)
//   seq A|B BARS                        loop length in 4/4 bars (192 ticks a beat)
//   notes A|B TRACK STEP [vel V] [gate PERCENT] : TOKEN ...
//       one token per step of STEP ticks, repeated to fill the loop:
//       a note (C4 = 60, sharps '#', flats 'b'), several joined with '+',
//       '.' a rest, '-' holds the previous note one more step; a trailing '!'
//       plays the note with full velocity.
//   mode normal|seqa|seqb|updown|assign|stacka|stackb   entered last
//   end
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "instrument/Vornell.h"
#include "programs/ParameterTable.h"
#include "sequencer/Sequence.h"

namespace {

constexpr int kTicksPerBar = 4 * Sequence::kDefaultPpq;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

int ToInt(const std::string& text) {
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) throw Failure("not a whole number: " + text);
  return value;
}

double ToDouble(const std::string& text) {
  size_t used = 0;
  double value = 0.0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != text.size()) throw Failure("not a number: " + text);
  return value;
}

bool ToSwitch(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw Failure("on or off expected: " + text);
}

// "C4" = 60, "F#2", "Bb3", "C-1" = 0.
int NoteNumber(const std::string& text) {
  static const int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  if (text.empty() || text[0] < 'A' || text[0] > 'G') throw Failure("note expected: " + text);
  int note = kSemitones[text[0] - 'A'];
  size_t i = 1;
  if (i < text.size() && (text[i] == '#' || text[i] == 'b')) {
    note += text[i] == '#' ? 1 : -1;
    ++i;
  }
  const int octave = ToInt(text.substr(i));
  note += (octave + 1) * 12;
  if (note < 0 || note > 127) throw Failure("note out of range: " + text);
  return note;
}

// One sounding note of a pattern, in ticks.
struct PatternNote {
  int note;
  int velocity;
  int start;
  int steps;
};

class BankBuilder {
 public:
  explicit BankBuilder(Vornell& plug) : plug(plug) {}

  void Run(std::istream& in) {
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
      ++lineNumber;
      // A comment starts with '#' at the start of a word (F#3 is a note).
      for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
          line.resize(i);
          break;
        }
      std::istringstream words(line);
      std::vector<std::string> tokens;
      for (std::string word; words >> word;) tokens.push_back(word);
      if (tokens.empty()) continue;
      try {
        Handle(line, tokens);
      } catch (const std::exception& e) {
        throw Failure("line " + std::to_string(lineNumber) + ": " + e.what());
      }
    }
    if (inPreset) throw Failure("the last preset has no end");
    if (presetCount != plug.NumPresets())
      throw Failure("expected " + std::to_string(plug.NumPresets()) + " presets, found " + std::to_string(presetCount));
    plug.SelectPreset(0);
  }

 private:
  void Set(int index, double value) { plug.SetParameterFromEngine(index, value); }

  void Handle(const std::string& line, const std::vector<std::string>& t) {
    const std::string& key = t[0];
    if (key == "preset") {
      if (inPreset) throw Failure("preset inside a preset");
      const size_t open = line.find('"'), close = line.rfind('"');
      if (open == std::string::npos || close <= open) throw Failure("preset name in quotes expected");
      name = line.substr(open + 1, close - open - 1);
      if (presetCount >= plug.NumPresets()) throw Failure("too many presets");
      plug.SelectPreset(presetCount);
      plug.InitializePreset();
      mode = kModeNormal;
      inPreset = true;
      return;
    }
    if (!inPreset) throw Failure("outside a preset: " + key);
    if (key == "end") {
      Set(kParamMode, mode);
      if (plug.ModeValue() != mode) throw Failure("preset \"" + name + "\" cannot enter its Mode");
      plug.ModifyCurrentPreset(name.c_str());
      ++presetCount;
      inPreset = false;
    } else if (key == "link" && t.size() == 2) {
      Set(kParamLinkPrograms, ToSwitch(t[1]) ? 1 : 0);
    } else if (key == "speed" && t.size() == 2) {
      Set(kParamSpeed, ToDouble(t[1]));
    } else if (key == "master" && t.size() == 2) {
      Set(kParamMasterVolume, ToDouble(t[1]));
    } else if (key == "param" && t.size() == 3) {
      Set(ToInt(t[1]), ToDouble(t[2]));
    } else if (key == "track" && t.size() >= 4 && t.size() % 2 == 0) {
      TrackSettings(t);
    } else if (key == "seq" && t.size() == 3) {
      Sequence& sequence = SequenceNamed(t[1]);
      sequence.Clear();
      sequence.length = ToInt(t[2]) * kTicksPerBar;
      sequence.tempo = plug.GetParam(kParamSpeed)->Value();
    } else if (key == "notes") {
      Notes(t);
    } else if (key == "mode" && t.size() == 2) {
      static const char* const kModes[] = {"normal", "seqa", "seqb", "updown", "assign", "stacka", "stackb"};
      mode = -1;
      for (int m = 0; m < 7; ++m)
        if (t[1] == kModes[m]) mode = m;
      if (mode < 0) throw Failure("unknown mode " + t[1]);
    } else {
      throw Failure("cannot read: " + line);
    }
  }

  Sequence& SequenceNamed(const std::string& which) {
    if (which == "A") return plug.Sequencing().SeqA();
    if (which == "B") return plug.Sequencing().SeqB();
    throw Failure("sequence A or B expected");
  }

  void TrackSettings(const std::vector<std::string>& t) {
    int first = 0, last = 5;
    if (t[1] != "all") {
      const size_t dash = t[1].find('-');
      first = ToInt(t[1].substr(0, dash)) - 1;
      last = dash == std::string::npos ? first : ToInt(t[1].substr(dash + 1)) - 1;
      if (first < 0 || last > 5 || first > last) throw Failure("tracks 1..6 expected: " + t[1]);
    }
    for (int track = first; track <= last; ++track) {
      // Program numbers go last, so the program is loaded into a track that
      // already has its final channel and mode.
      for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 2; i + 1 < t.size(); i += 2) {
          const std::string& k = t[i];
          const std::string& v = t[i + 1];
          const bool program = k == "prg" || k == "seqa" || k == "seqb" || k == "stacka" || k == "stackb";
          if (program != (pass == 1)) continue;
          if (k == "ch") {
            const int channel = v == "all" ? kChannelAll : v == "off" ? kChannelNone : ToInt(v) - 1;
            if (channel < 0 || channel > kChannelNone) throw Failure("channel 1..16, all or off expected");
            Set(TrackParamIndex(track, kTrackChannel), channel);
          } else if (k == "mode") {
            const int m = v == "mono" ? 0 : v == "poly" ? 1 : v == "legato" ? 2 : -1;
            if (m < 0) throw Failure("mono, poly or legato expected");
            Set(TrackParamIndex(track, kTrackMode), m);
          } else if (k == "cycle") {
            Set(TrackParamIndex(track, kTrackCycle), ToSwitch(v) ? 1 : 0);
          } else if (k == "tr") {
            Set(TrackParamIndex(track, kTrackTranspose), ToInt(v));
          } else if (k == "tune") {
            Set(TrackParamIndex(track, kTrackTune), ToDouble(v));
          } else if (k == "vol") {
            Set(TrackParamIndex(track, kTrackVolume), ToDouble(v));
          } else if (k == "pan") {
            Set(TrackParamIndex(track, kTrackPanorama), ToDouble(v));
          } else if (program) {
            const int set = k == "prg"      ? kProgramSetTrack
                            : k == "seqa"   ? kProgramSetSeqA
                            : k == "seqb"   ? kProgramSetSeqB
                            : k == "stacka" ? kProgramSetStackA
                                            : kProgramSetStackB;
            const int number = ToInt(v);
            if (number < 0 || number > (set == kProgramSetSeqA || set == kProgramSetSeqB ? 100 : 99))
              throw Failure("program number out of range: " + v);
            Set(ProgramParamIndex(set, track), number);
          } else {
            throw Failure("unknown track setting " + k);
          }
        }
      }
    }
  }

  void Notes(const std::vector<std::string>& t) {
    size_t colon = 0;
    while (colon < t.size() && t[colon] != ":") ++colon;
    if (colon < 4 || colon + 1 >= t.size()) throw Failure("notes A|B TRACK STEP [vel V] [gate G] : TOKENS");
    Sequence& sequence = SequenceNamed(t[1]);
    const int track = ToInt(t[2]) - 1;
    const int step = ToInt(t[3]);
    if (track < 0 || track > 5 || step < 4) throw Failure("track 1..6 and a step of 4 ticks or more expected");
    if (sequence.length <= 0) throw Failure("the sequence needs its length first");
    int velocity = 100, gate = 85;
    for (size_t i = 4; i + 1 < colon; i += 2) {
      if (t[i] == "vel")
        velocity = ToInt(t[i + 1]);
      else if (t[i] == "gate")
        gate = ToInt(t[i + 1]);
      else
        throw Failure("vel or gate expected: " + t[i]);
    }
    if (velocity < 1 || velocity > 127 || gate < 10 || gate > 100) throw Failure("velocity 1..127, gate 10..100");

    // The pattern repeats until the loop is full.
    std::vector<PatternNote> notes;
    std::vector<size_t> sounding;  // indices into notes of the last step's notes
    const size_t patternSteps = t.size() - colon - 1;
    const int steps = sequence.length / step;
    for (int s = 0; s < steps; ++s) {
      const std::string& token = t[colon + 1 + static_cast<size_t>(s) % patternSteps];
      if (token == "-") {
        for (size_t n : sounding) ++notes[n].steps;
        continue;
      }
      sounding.clear();
      if (token == ".") continue;
      std::stringstream chord(token);
      for (std::string part; std::getline(chord, part, '+');) {
        int v = velocity;
        if (!part.empty() && part.back() == '!') {
          v = 127;
          part.pop_back();
        }
        sounding.push_back(notes.size());
        notes.push_back({NoteNumber(part), v, s * step, 1});
      }
    }
    for (const PatternNote& n : notes) {
      const int duration = n.steps * step;
      int end = n.start + std::max(2, duration * gate / 100);
      // Every note ends inside the loop, so nothing hangs over the wrap.
      end = std::min(end, sequence.length - 2);
      SequenceEvent on{n.start, static_cast<uint8_t>(0x90 | track), static_cast<uint8_t>(n.note),
                       static_cast<uint8_t>(n.velocity)};
      SequenceEvent off{end, static_cast<uint8_t>(0x80 | track), static_cast<uint8_t>(n.note), 0};
      if (!sequence.AddEvent(on) || !sequence.AddEvent(off)) throw Failure("out of memory");
    }
  }

  Vornell& plug;
  std::string name;
  int presetCount = 0;
  int mode = kModeNormal;
  bool inPreset = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s presets.txt out.fxb\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  VornellStartup startup;
  startup.loadPresetBank = false;
  Vornell plug(startup);
  try {
    BankBuilder(plug).Run(in);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 1;
  }
  if (!plug.SaveBankFile(argv[2])) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
