#pragma once

#include <cstdint>
#include <vector>

class Engine;

// The bundled demo song: eight bars in A minor at 96 beats per minute with a
// polyphonic pad, a monophonic bass, a gliding lead, resonant unison stabs under
// a filter sweep and noise hats, one track each.
class DemoSong {
 public:
  struct Event {
    int64_t sample;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
  };

  explicit DemoSong(double sampleRate);

  // Sets up tracks and sounds (before the engine's first block).
  void Prepare(Engine& engine) const;
  // Automation of the stabs' cutoff at a sample position (between blocks).
  void Automate(Engine& engine, int64_t sample) const;

  const std::vector<Event>& Events() const { return events; }
  int64_t LengthInSamples() const { return length; }

 private:
  void Note(double beat, double beats, int32_t channel, int32_t note, int32_t velocity);
  int64_t SampleAt(double beat) const;

  double sampleRate;
  double secondsPerBeat;
  int64_t length = 0;
  std::vector<Event> events;
};
