#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/ClickGenerator.h"
#include "engine/CutoffTables.h"
#include "engine/EngineHooks.h"
#include "engine/MidiInputQueue.h"
#include "engine/MidiMessage.h"
#include "engine/NoteStart.h"
#include "engine/PerformanceMode.h"
#include "engine/PhaseIncrementTable.h"
#include "engine/TickEventQueue.h"
#include "engine/Track.h"
#include "engine/Voice.h"

class VoiceRenderer;

// The headless sound engine: six tracks, 96 voices, the MIDI input queue and
// block processing at a control rate (about 1 ms) and the audio rate, rendering
// fourteen outputs (sum L/R, then L/R of tracks 1..6).
//
// The plug-in object owns one Engine, hands it its EngineHooks and delegates
// OnReset, ProcessBlock and the queueing part of OnMidiMessage to it. Every
// call is made under the plug-in lock; the engine takes no lock of its own.
// Nothing called from ProcessBlock or OnMidiMessage allocates.
class Engine {
 public:
  static constexpr int32_t kTrackCount = 6;
  static constexpr int32_t kVoiceCount = 96;
  static constexpr int32_t kFirstPoolVoice = 6;
  static constexpr int32_t kOutputCount = 14;
  static constexpr int32_t kChannelCount = 16;
  static constexpr int32_t kParameterCount = 303;
  static constexpr int32_t kFirstVoiceParameter = 81;
  // The longest block a host may announce (the adapter renders longer calls in pieces).
  static constexpr int32_t kMaxBlockSize = 65536;
  // Far above any audio interface; a larger rate would overflow the control
  // period's integer arithmetic.
  static constexpr double kMaxSampleRate = 1536000.0;

  explicit Engine(EngineHooks* hooks = nullptr);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  void SetHooks(EngineHooks* newHooks) { hooks = newHooks; }

  // ---- host side -----------------------------------------------------------
  // Dispatcher thread, under the plug-in lock (the plug-in disarms MIDI learn
  // itself). Prepares voices, tables and the click at a changed sample rate.
  void OnReset(double sampleRate, int32_t blockSize);
  // Audio thread, under the plug-in lock. Calls hooks->OnBlockStart first.
  // Writes kOutputCount channels (null pointers are skipped); inputs unused.
  void ProcessBlock(double** inputs, double** outputs, int32_t frames);
  // Audio thread: host input after the plug-in's MIDI thru echo. Diverts notes
  // in Modes 3 and 4, MIDI learn and program change through the hooks, resets
  // on controllers 120 and 123 and queues the rest (offset relative to the block).
  void OnMidiMessage(const MidiMessage& message);
  // Adds a message to the input queue (sequencer, click, arpeggiator). A
  // sequencer message never goes before one queued earlier. False when the
  // queue is full.
  bool QueueMidiMessage(const MidiMessage& message);
  // Drops the sequencer's note-ons not yet dispatched, of one MIDI channel or of all (-1).
  void DropSequencerNoteOns(int32_t channel);
  // Silences every voice at once and drops every queued message.
  void ResetAllVoices();
  // Processing stops: the messages waiting for later blocks are dropped, but
  // the releases among them (note offs, pedal up) act at once, so that no
  // note is left hanging. Dispatcher thread, under the plug-in lock.
  void DropQueuedMessages();

  // ---- note dispatch (audio thread or under the plug-in lock) --------------
  void NoteOn(int32_t channel, int32_t note, int32_t velocity, bool fromSequencer);
  void NoteOff(int32_t channel, int32_t note, bool fromSequencer);
  void SustainPedal(int32_t channel, bool pressed, bool fromSequencer);
  void ReleaseTrackVoices(int32_t track);
  void ReleaseChannelVoices(int32_t channel);
  void SetTrackChannel(int32_t track, int32_t channel);
  // Whether the sequence plays the track rather than the host's keys. The
  // pedal that held its voices belongs to the other side, which can no
  // longer let it up for this track: the voices it alone held are released.
  void SetSequenceDriven(int32_t track, bool driven);

  // ---- parameter application (under the plug-in lock) ----------------------
  // Stores track t's voice parameter k (engine units) and sets it on every
  // voice playing for t; voices assigned to t later load the stored values.
  void SetTrackVoiceParam(int32_t track, int32_t k, double x);
  double TrackVoiceParam(int32_t track, int32_t k) const { return trackVoiceParams[track][k]; }
  // Track settings. Mode and Cycle do not release voices by themselves (the
  // caller does with ReleaseTrackVoices, as parameter changes require).
  void SetTrackMode(int32_t track, int32_t mode) {
    if (ValidTrack(track)) tracks[track].trackMode = mode;
  }
  void SetTrackCycle(int32_t track, bool on) {
    if (ValidTrack(track)) tracks[track].cycle = on;
  }
  void SetTrackTune(int32_t track, double pitchSteps) {
    if (ValidTrack(track)) tracks[track].tune = pitchSteps;
  }
  void SetTrackTranspose(int32_t track, int32_t semitones) {
    if (ValidTrack(track)) tracks[track].transpose = semitones;
  }
  void SetTrackVolume(int32_t track, double volume);
  void SetTrackPan(int32_t track, double pan);
  void SetMasterGain(double gain) { masterGain = gain; }  // "Master Volume" * 0.5
  void SetMasterTune(double pitchSteps) { masterTune = pitchSteps; }
  void SetBendRange(double pitchSteps) { bendRange = pitchSteps; }
  double MasterGain() const { return masterGain; }
  double MasterTune() const { return masterTune; }
  double BendRange() const { return bendRange; }
  // Performance Mode 0..6 as a number only; the sequencer side's SetMode does the rest.
  void SetMode(int32_t newMode) { mode = newMode; }
  int32_t Mode() const { return mode; }

  // ---- state owned by later parts, mirrored here ---------------------------
  void SetRecording(bool on) { recording = on; }
  bool IsRecording() const { return recording; }
  // Grows by the control period at every control tick while recording.
  double RecordElapsed() const { return recordElapsed; }
  void SetRecordElapsed(double samples) { recordElapsed = samples; }
  void SetClickEnabled(bool on) { clickEnabled = on; }
  bool ClickEnabled() const { return clickEnabled; }
  void SetClickLevel(double level) { clickLevel = level; }
  double ClickLevel() const { return clickLevel; }
  // The "CC%i" map (controller 0..119 -> parameter index or -1) and
  // "Receive Parameter CCs", pushed by the plug-in when its settings change.
  void SetControllerMapping(int32_t controller, int32_t parameter);
  int32_t ControllerMapping(int32_t controller) const;
  void SetReceiveParameterControllers(bool on) { receiveParameterControllers = on; }

  // ---- access ---------------------------------------------------------------
  Track& GetTrack(int32_t t) { return tracks[t]; }
  const Track& GetTrack(int32_t t) const { return tracks[t]; }
  Voice& GetVoice(int32_t v) { return voices[v]; }
  const Voice& GetVoice(int32_t v) const { return voices[v]; }
  // Tracks listening on MIDI channel c (0..15), in their current order.
  int32_t ChannelTrackCount(int32_t c) const { return channelTracks[c].count; }
  int32_t ChannelTrack(int32_t c, int32_t i) const { return channelTracks[c].tracks[i]; }
  bool IsNoteHeld(int32_t channel, int32_t note) const;
  int32_t HeldNoteCount(int32_t channel) const { return heldNotes[channel].count; }
  double SampleRate() const { return lastSampleRate; }
  int32_t ControlPeriod() const { return controlPeriod; }
  int32_t ControlCountdown() const { return controlCountdown; }
  const MidiInputQueue& InputQueue() const { return inputQueue; }
  int32_t TickEventCount() const { return tickEvents.Count(); }
  int32_t VoiceStartCounter() const { return voiceStartCounter; }

  // Starts a note on voice v directly, bypassing the routing and allocation
  // rules (binding it to ns.track first). For tests and benchmarks.
  void StartVoice(int32_t v, const NoteStart& ns);

  // Renders every sample voice by voice in the plain per-sample order instead
  // of the batched path; both give identical output. For tests.
  void SetReferenceRendering(bool on) { referenceRendering = on; }

  // ---- used by Voice --------------------------------------------------------
  const PhaseIncrementTable& PhaseIncrements() const { return *phaseIncrements; }
  const CutoffTables& Cutoffs() const { return *cutoffTables; }
  double NoiseSample() const { return noiseSample; }
  int32_t NoteToPitch(int32_t key) { return tuningOnline ? hooks->NoteToPitch(key) : key * 128; }
  // A voice's note started: it gets control ticks until it stops running.
  void OnVoiceStarted(const Voice* voice);

 private:
  struct ChannelTrackList {
    int8_t tracks[kTrackCount] = {};
    int32_t count = 0;
    bool Contains(int32_t t) const;
    void Append(int32_t t);
    void Remove(int32_t t);
  };
  struct HeldNoteMap {  // note -> velocity, -1 when not held
    int16_t velocity[256];
    int32_t count = 0;
  };

  static bool ValidTrack(int32_t t) { return t >= 0 && t < kTrackCount; }

  // block processing
  void ControlTick();
  void DrainInputQueue();
  // A host note or pedal message into inputQueue, never before one of an earlier block.
  void QueueHostInOrder(MidiMessage queued);
  void ParameterController(int32_t channel, int32_t controller, int32_t value);
  void RunSegment(double** out, int32_t length);
  void RenderSampleReference(double** out, int32_t i, double clickGain);
  void DispatchTickEvent(const MidiMessage& message);
  void AdvanceNoise(double* noise, int32_t length);
  // The same state change without the values: length steps at once.
  void SkipNoise(int32_t length);

  // note dispatch
  bool TakesMessage(int32_t track, int32_t channel, bool fromSequencer) const;
  bool IsUnison(int32_t track) const { return trackVoiceParams[track][Voice::kVoiceMode] >= 0.5; }
  void DispatchNoteOn(int32_t channel, int32_t note, int32_t velocity, bool fromSequencer);
  void AssignVoice(int32_t v, const NoteStart& ns);
  void AllocatePoolVoice(const NoteStart& ns, bool reuse);
  void SpreadAcrossChannelTracks(ChannelTrackList list, int32_t note, int32_t velocity, bool legato);
  void CommitVoiceChanges();
  void BindVoice(int32_t v, int32_t track);
  void ClearPending();
  void AddPendingRelease(int32_t v);
  void ForceReleaseTrack(int32_t track);
  void RefreshIndicators();
  void ClearHeldNotes();
  int32_t LowestHeldNote(int32_t channel) const;

  friend class VoiceRenderer;

  EngineHooks* hooks = nullptr;
  std::array<Track, kTrackCount> tracks;
  std::array<Voice, kVoiceCount> voices;
  uint64_t runningVoices[2] = {};             // voices that may be running, one bit each
  uint64_t trackVoices[kTrackCount][2] = {};  // the voices bound to each track, one bit each
  double trackVoiceParams[kTrackCount][Voice::kParamCount] = {};

  ChannelTrackList channelTracks[kChannelCount];
  HeldNoteMap heldNotes[kChannelCount];
  NoteStart pendingStarts[kVoiceCount];
  bool pendingStart[kVoiceCount] = {};
  int32_t pendingReleases[kVoiceCount] = {};
  int32_t pendingReleaseCount = 0;
  bool pendingRelease[kVoiceCount] = {};
  uint8_t lastNoteChannel = 255;
  int32_t lastNoteNumber = -1;
  int32_t voiceStartCounter = 0;
  bool tuningOnline = false;

  MidiInputQueue inputQueue;
  // Offset of the last sequencer message in inputQueue (0 when none is left).
  int32_t sequencerTail = 0;
  // The largest offset of a host note or pedal message in inputQueue, and that
  // offset as the last block left it: no note or pedal of a later block is
  // queued before it (0 when none is left).
  int32_t hostTail = 0;
  int32_t hostFloor = 0;
  TickEventQueue tickEvents;
  int32_t controlPeriod = 0;
  int32_t controlCountdown = 0;
  // The longest block the host announced (OnReset); host offsets lie below it.
  int32_t maxBlockSize = MidiInputQueue::kInitialCapacity;
  // Samples of the current control period rendered by earlier segments (a
  // period may span blocks); tickEvents offsets count from the period's start.
  int32_t periodElapsed = 0;
  int32_t noiseSeed = 1;
  double noiseSample = 0.0;
  double masterGain = 0.0;
  double masterTune = 0.0;
  double bendRange = 0.0;
  double lastSampleRate = -1.0;
  int32_t mode = kModeNormal;

  bool recording = false;
  double recordElapsed = 0.0;
  bool clickEnabled = false;
  double clickLevel = 0.5;
  ClickGenerator click;
  int16_t controllerMap[120];
  bool receiveParameterControllers = false;

  std::unique_ptr<PhaseIncrementTable> phaseIncrements;
  std::unique_ptr<CutoffTables> cutoffTables;
  std::unique_ptr<VoiceRenderer> renderer;
  bool referenceRendering = false;
};
