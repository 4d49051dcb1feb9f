#pragma once
// A Standard MIDI File (type 0 or 1) read into one time-ordered list of channel
// messages with their times in seconds, following the file's tempo map.
// System Exclusive and meta events other than tempo are read past and dropped.
#include <cstdint>
#include <string>
#include <vector>

struct SongEvent {
  int64_t tick = 0;
  double seconds = 0.0;
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

struct SongTempo {
  int64_t tick = 0;
  double seconds = 0.0;
  double beatsPerMinute = 120.0;
};

class MidiSong {
 public:
  // False with a message in Error() for anything that is not a readable type 0
  // or 1 file; a failed read leaves the song empty.
  bool Load(const std::string& path);
  bool Parse(const uint8_t* data, size_t size);
  const std::string& Error() const { return error; }

  const std::vector<SongEvent>& Events() const { return events; }
  int32_t Format() const { return format; }
  int32_t TrackCount() const { return trackCount; }
  // Ticks per quarter note (for SMPTE timing: the ticks of half a second at 120 BPM).
  int32_t Division() const { return division; }
  // Time of the last event (end-of-track markers included).
  double LengthSeconds() const { return lengthSeconds; }

  // Tempo and quarter-note position at a time, for the host's transport.
  double TempoAt(double seconds) const;
  double QuarterNotesAt(double seconds) const;

 private:
  bool Fail(const std::string& message);
  double TickToSeconds(int64_t tick) const;

  std::vector<SongEvent> events;
  std::vector<SongTempo> tempoMap;
  std::string error;
  int32_t format = 0;
  int32_t trackCount = 0;
  int32_t division = 480;
  double secondsPerTick = 0.0;  // SMPTE timing: fixed, no tempo map
  double lengthSeconds = 0.0;
};
