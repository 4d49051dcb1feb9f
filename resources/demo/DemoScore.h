#pragma once
// The demo song's text form (see demo-song.txt): parameter settings for the
// instrument and a note list, turned into a Standard MIDI File and a state
// chunk at build time.
#include <cstdint>
#include <string>
#include <vector>

struct DemoSetting {
  std::string parameter;  // the parameter's name as the instrument shows it
  std::string value;      // its value as the instrument displays it
};

struct DemoNote {
  int32_t channel;   // 0..15
  int64_t start;     // ticks
  int64_t end;       // ticks, after start
  int32_t key;       // 0..127
  int32_t velocity;  // 1..127
};

struct DemoScore {
  static constexpr int32_t kDivision = 480;  // ticks per quarter note
  static constexpr int32_t kBeatsPerBar = 4;

  std::string title;
  double tempo = 120.0;
  std::vector<DemoSetting> settings;
  std::vector<std::string> partNames = std::vector<std::string>(16);
  std::vector<DemoNote> notes;

  // Reads the text form. False with the line and the reason in *error.
  bool Parse(const std::string& text, std::string* error);
  // The type-1 file: a tempo track, then one track per channel that has
  // notes, in channel order.
  std::vector<uint8_t> MidiFile() const;
  // Length up to the last note off, in seconds.
  double LengthSeconds() const;
};

// "C4" = 60, "A#3" = 58, "Bb3" = 58, "C-1" = 0; -1 when not a note in 0..127.
int32_t ParseNoteName(const std::string& text);
