#pragma once
// The sequencer side of the instrument: the two loop sequences and the
// arpeggio pattern, the player that loops one of them, its clock settings and
// click, the recorder, the performance Mode switch with the hand-over of
// tracks to a sequence and back, the arpeggiator's note sets, and the
// sequence menu. It drives the engine's tracks directly and reaches the rest
// of the instrument through SequencerHost.
//
// Threads: everything runs under the plug-in lock. The methods that take it
// themselves say so ("takes the lock"); they are the ones the front panel,
// the editor and parameter changes call. The engine's per-block and MIDI
// hooks (OnBlockStart, RecordNoteEvent, DivertToArpeggiator, the sustain
// calls, OnSequenceLoopWrap) run on the audio thread, where nothing here
// allocates. The sequence menu runs on the user-interface thread; its
// dialogs give back every hold of the lock while they wait.
#include <bitset>
#include <cstdint>
#include <string>

#include "sequencer/NoteVelocityMap.h"
#include "sequencer/Sequence.h"
#include "sequencer/SequenceFileCommands.h"
#include "sequencer/SequencePlayer.h"
#include "sequencer/SequencerHost.h"

class Engine;
struct MidiMessage;

class Sequencer {
 public:
  Sequencer(Engine& engine, SequencerHost& host);
  Sequencer(const Sequencer&) = delete;
  Sequencer& operator=(const Sequencer&) = delete;

  // ---- sequences ----------------------------------------------------------------------
  // Seq A and Seq B are saved with the state; the arpeggio pattern is not.
  Sequence& SeqA() { return seqA; }
  Sequence& SeqB() { return seqB; }
  Sequence& Arpeggio() { return arpeggio; }
  const Sequence& SeqA() const { return seqA; }
  const Sequence& SeqB() const { return seqB; }
  const Sequence& Arpeggio() const { return arpeggio; }
  // Seq A (which = 0) or Seq B (which = 1).
  Sequence& SequenceAt(int which) { return which == 1 ? seqB : seqA; }
  // The sequence the player has selected, or null.
  Sequence* CurrentSequence();

  // ---- clock, player and click ------------------------------------------------------------
  // Audio thread: the click settings go to the engine, the player schedules
  // the block.
  void OnBlockStart(int32_t frames);
  // "Speed" or "Sync to Host" changed: kept, and the tick length follows.
  void SetSpeed(double bpm);
  void SetSyncToHost(bool on);
  double Speed() const { return speed; }
  bool SyncToHost() const { return syncToHost; }
  // The tick length from "Speed" or the host tempo (and the note-value table
  // while synced); nothing while no sequence is selected. Takes the lock.
  void UpdateTickDuration();
  // The player starts the current Mode's sequence from tick 0 / stops and
  // releases the sequence-driven tracks. Take the lock.
  void StartPlayback();
  void StopPlayback();
  const SequencePlayer& Player() const { return player; }
  // The player's clock at the end of the last block (where the next one starts).
  double BlockEnd() const { return blockEnd; }
  // Metronome: on every quarter note of the player, into the sum outputs only.
  bool ClickEnabled() const { return clickEnabled; }
  void SetClickEnabled(bool on) { clickEnabled = on; }
  double ClickLevel() const { return clickLevel; }
  // TRACK VOLUME turned while CLICK is held: the click's level (0..1) with
  // "Click Level: %s" in dB on the status line. Takes the lock.
  void SetClickLevel(double level);

  // ---- performance Modes -------------------------------------------------------------------
  // Switches the performance Mode. Returns false when the Mode could not be
  // entered ("Sequence %c: empty.", "Select a track for channel 6!"); a switch
  // between two non-Normal Modes only goes to Normal and returns true. Takes the lock.
  bool SetMode(int32_t mode);
  // Seq A (1) or Seq B (2) tracks that hold material take it over: channel =
  // own index, sequence-driven. For the arpeggio, track 6 goes to MIDI channel 6.
  void AssignSequenceTracks(const Sequence& sequence);
  // Undoes the hand-over: channels from the "Track %i MIDI Channel" parameters.
  void RestoreTrackChannels();

  // ---- recorder ---------------------------------------------------------------------------
  // Recorder states while recording (kRecordRecording is also the idle value).
  enum RecordState : int32_t {
    kRecordRecording = 0,
    kRecordWaitFirstNote = 1,
    kRecordOverdubPrepared = 2,
    kRecordOverdubWaitFirstNote = 3,
    kRecordOverdubFirstPass = 4,
    kRecordOverdubArmedAtWrap = 5,
    kRecordOverdubbing = 6,
  };
  bool Recording() const;
  // The front panel's SEQ A/B with RECORD on sets this before SetMode(1 or 2).
  void SetRecording(bool on);
  int32_t State() const { return recordState; }
  // The editor's record indicator blinks.
  bool RecordActivity() const { return recordActivity; }
  // Tests put the recorder into a state directly.
  void SetState(int32_t state) { recordState = state; }
  void SetRecordActivity(bool on) { recordActivity = on; }
  // Starts a new recording into the current Mode's sequence (Mode 1 or 2 only).
  // This and the rest of this group up to ClearSequence take the lock.
  void StartRecording();
  void ArmTrack(int t, bool on);
  void StopRecording();
  // RECORD (multi-track) released: with the panel's record mode on in Mode 1
  // or 2 the playing loop waits for a TRACK button to overdub.
  void PrepareOverdub();
  // A TRACK button pressed while recording: disarms an armed track, otherwise
  // arms it (and leaves OverdubPrepared for OverdubWaitFirstNote).
  void RecordTrackButton(int t);
  // Removes track t's part from the current sequence and ends the recording.
  void ClearTrack(int t);
  // Empties Seq A (0) or Seq B (1), resets its six program slots, Mode Normal.
  void ClearSequence(int which);
  // Audio thread: a note of an armed track t goes into the current sequence.
  void RecordNoteEvent(int32_t t, int32_t note, int32_t velocity);
  // Audio thread: the player wrapped the loop at `offset` samples into the block.
  void OnSequenceLoopWrap(double offset);
  // Sets the recorder's elapsed count so that it reads `position` samples (the
  // loop time at the start of the next block) from the next control tick on.
  void AlignRecordElapsed(double position);
  // The recorder's elapsed count as the time it stands for now (between two
  // control ticks), the inverse of AlignRecordElapsed.
  double RecordPosition() const;

  // ---- sequence menu (user-interface thread) --------------------------------------------------
  // These take the lock around the sequences; which: 0 for Seq A, 1 for Seq B.
  // Nothing happens while the editor window is closed.
  //
  // "Load Sequence A From MIDI File": returns the status text shown ("Done.",
  // "Cannot load file!"), empty when nothing was chosen. A file that cannot be
  // read whole leaves the sequence, its programs and the Mode as they were.
  std::string LoadSequenceFromMidiFile(int which);
  // "Save Sequence A To MIDI Type 0/1 File": the current preset takes the
  // current state first. Returns "Done.", "Cannot save file!" or empty.
  std::string SaveSequenceToMidiFile(int which, bool type1);
  // "Clear Sequence A": asks first; true when the sequence was cleared.
  bool ClearSequenceFromMenu(int which);
  // "Default Path For Sequence Files...": returns the folder that became the
  // default (and was written to the settings file), empty when cancelled.
  std::string ChooseDefaultSequencePath();
  // The menu's item text, and whether the item is offered now (saving and
  // clearing need a sequence with events).
  std::string SequenceMenuItemText(SequenceFileCommand command, int which) const;
  bool SequenceMenuItemEnabled(SequenceFileCommand command, int which);

  // ---- arpeggiator ------------------------------------------------------------------------
  // Adds (on) or removes one note and lays the pattern out again (Modes 3, 4).
  void UpdateArpeggio(int note, int velocity, bool on);
  // Empties the pattern and the note set and releases MIDI channel 6.
  void ClearArpeggio();
  // The multi-track RECORD in Mode 3 or 4: latch on/off with its status
  // message. Takes the lock.
  void ToggleArpeggiatorLatch();
  // Audio thread: a key of MIDI channel 6 in Modes 3 and 4; true when the
  // arpeggiator took it (the engine then plays nothing of it).
  bool DivertToArpeggiator(const MidiMessage& message);
  // Audio thread: the sustain pedal holds the pattern; a reset lets go of it.
  void ArpeggiatorSustain(int32_t value);
  void ClearArpeggiatorHold() { arpHold = false; }
  bool ArpeggiatorLatched() const { return arpLatch; }
  bool ArpeggiatorHeld() const { return arpHold; }
  // The note set of Up/Down, and the keys down.
  const NoteVelocityMap& ArpeggioNotes() const { return arpNotes; }
  const NoteVelocityMap& ArpeggiatorKeys() const { return arpHeldKeys; }

 private:
  // The player's view of the sequencer and the engine.
  class PlayerLink final : public SequencePlayerHost {
   public:
    explicit PlayerLink(Sequencer& sequencer) : sequencer(sequencer) {}
    int32_t Mode() override;
    double SampleRate() override;
    double Speed() override;
    bool SyncToHost() override;
    bool ClickEnabled() override;
    Sequence& SequenceFor(PlayedSequence which) override;
    void QueueMidiMessage(const MidiMessage& message) override;
    void DropQueuedNoteOns(int channel) override;
    void ReleaseSequenceDrivenTracks() override;
    void OnLoopWrap() override;
    void OnLoopRestart() override;
    void OnTickDurationChange(double ratio) override;
    double GetHostTempo() override;
    void GetHostTime(SequencerHostTime& time) override;

   private:
    Sequencer& sequencer;
  };
  class MenuFiles;

  Engine& engine;
  SequencerHost& host;

  Sequence seqA;
  Sequence seqB;
  Sequence arpeggio;
  PlayerLink playerLink{*this};
  SequencePlayer player{playerLink};
  double blockEnd = 0.0;

  // Clock settings as "Speed" and "Sync to Host" last set them.
  double speed = 120.0;
  bool syncToHost = false;
  bool clickEnabled = false;
  double clickLevel = 0.5;

  int32_t recordState = kRecordRecording;
  bool recordActivity = false;
  // Track * 256 + note of every note-on recorded in this recording whose
  // note-off is not: only those notes take a note-off.
  std::bitset<6 * 256> recordedOpen;

  NoteVelocityMap arpNotes;
  NoteVelocityMap arpHeldKeys;
  // Channel * 256 + note of the keys down that play the tracks directly
  // (pressed while latched): their note-offs go to the engine.
  std::bitset<16 * 256> directKeys;
  bool arpLatch = false;
  bool arpHold = false;
};
