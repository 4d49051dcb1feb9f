#pragma once
// A small LV2 host on lilv for the tests: loads the built bundle the way LV2
// hosts find plug-ins, instantiates the instrument with the usual features,
// runs it with MIDI and time positions on its atom input, and reaches its
// state through the state interface. Single-threaded.
#include <lilv/lilv.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lv2/atom/atom.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

// The world with the bundle loaded, once per test program.
struct Lv2Bundle {
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LV2_URID_Map map{};
  LV2_URID_Unmap unmap{};
  LV2_URID Map(const char* uri) { return map.map(map.handle, uri); }
  static Lv2Bundle& Get();
};

// The user's settings file (in the test program's private configuration
// folder) holds text while the object lives; instances read it when made.
class ScopedSettings {
 public:
  explicit ScopedSettings(const std::string& text);
  ~ScopedSettings();
  ScopedSettings(const ScopedSettings&) = delete;
  ScopedSettings& operator=(const ScopedSettings&) = delete;

 private:
  std::string path;
};

struct Lv2Position {
  double bar = 0.0, barBeat = 0.0, beatsPerBar = 4.0, beatUnit = 4.0, beatsPerMinute = 120.0, speed = 1.0;
  int64_t frame = 0;
};

struct Lv2MidiOut {
  int64_t frame;  // of the rendering as a whole
  std::vector<uint8_t> bytes;
};

class Lv2TestInstance {
 public:
  explicit Lv2TestInstance(double rate = 44100.0, int32_t maxBlock = 4096);
  ~Lv2TestInstance();
  Lv2TestInstance(const Lv2TestInstance&) = delete;
  Lv2TestInstance& operator=(const Lv2TestInstance&) = delete;

  bool Ok() const { return instance != nullptr; }
  LilvInstance* Instance() const { return instance; }
  // The control port's value the host holds; numbers are the parameters' indices.
  float& Control(int index) { return controls[static_cast<size_t>(index)]; }

  // Queued for the next block, at a frame of that block.
  void QueueMidi(uint32_t frame, std::vector<uint8_t> bytes);
  void QueuePosition(uint32_t frame, const Lv2Position& position);

  // One run of frames; returns the fourteen outputs [channel][frame].
  std::vector<std::vector<float>> Run(uint32_t frames);
  // Run in its three steps, for a test that watches the plug-in's run()
  // alone: the queued events into the input port, run(), the outputs read.
  void PrepareRun();
  void RunPlugin(uint32_t frames);
  std::vector<std::vector<float>> FinishRun(uint32_t frames);
  // Frames rendered so far.
  int64_t Rendered() const { return rendered; }
  const std::vector<Lv2MidiOut>& MidiOut() const { return midiOut; }

  // The state through the plug-in's state interface: its one chunk.
  std::vector<uint8_t> SaveChunk();
  LV2_State_Status RestoreChunk(const std::vector<uint8_t>& chunk);

 private:
  struct Queued {
    uint32_t frame;
    bool position;
    std::vector<uint8_t> bytes;
    Lv2Position time;
  };
  LilvInstance* instance = nullptr;
  uint32_t audioPorts = 0, firstAudio = 0, eventsIn = 0, eventsOut = 0;
  int32_t maxBlock;
  std::vector<float> controls;
  std::vector<std::vector<float>> audio;
  std::vector<uint64_t> inBuffer, outBuffer;
  std::vector<Queued> queued;
  std::vector<Lv2MidiOut> midiOut;
  int64_t rendered = 0;
  int32_t optionsBlock = 0;
};
