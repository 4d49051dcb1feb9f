// The arpeggiator: the keys held in Modes 3 and 4 become a pattern (the
// arpeggio sequence) that the loop player plays on MIDI channel 6.
#include <cstdint>

#include "engine/Engine.h"
#include "engine/MidiMessage.h"
#include "engine/PerformanceMode.h"
#include "plugin/PluginLock.h"
#include "plugin/StatusLineColour.h"
#include "sequencer/Sequencer.h"

namespace {

constexpr int32_t kStepTicks = 48;  // a sixteenth at 192 ticks per quarter
constexpr uint8_t kNoteOn = 0x95;   // MIDI channel 6
constexpr uint8_t kNoteOff = 0x85;
constexpr int kArpChannel = 5;
// Room for the pattern (each note a pair of events) inside the sequence's
// reserved storage, so that the audio thread never grows it.
constexpr int kMaxPatternNotes = static_cast<int>(Sequence::kReservedEvents / 2);

struct PatternNote {
  uint8_t note;
  uint8_t velocity;
};

void AppendPair(Sequence& pattern, int note, int velocity) {
  SequenceEvent on{static_cast<int32_t>(pattern.EventCount()) * kStepTicks, kNoteOn, static_cast<uint8_t>(note),
                   static_cast<uint8_t>(velocity)};
  pattern.AddEvent(on);
  SequenceEvent off{static_cast<int32_t>(pattern.EventCount()) * kStepTicks, kNoteOff, static_cast<uint8_t>(note),
                    static_cast<uint8_t>(velocity)};
  pattern.AddEvent(off);
}

}  // namespace

void Sequencer::UpdateArpeggio(int note, int velocity, bool on) {
  if (note < 0 || note > 127) return;
  const int mode = engine.Mode();
  const bool wasEmpty = arpeggio.Empty();
  if (mode == kModeArpAssign) {
    if (on) {
      if (static_cast<int>(arpeggio.EventCount()) / 2 >= kMaxPatternNotes) return;
      AppendPair(arpeggio, note, velocity);
    } else if (!arpeggio.Empty()) {
      arpeggio.RemoveNote(kArpChannel, note);
      // Lay the remaining pairs out again, one step after the other.
      PatternNote kept[kMaxPatternNotes];
      int count = 0;
      for (const SequenceEvent& e : arpeggio.Events())
        if ((e.status >> 4) == 9 && count < kMaxPatternNotes) kept[count++] = {e.data1, e.data2};
      arpeggio.Clear();
      for (int i = 0; i < count; ++i) AppendPair(arpeggio, kept[i].note, kept[i].velocity);
    }
  } else if (mode == kModeArpUpDown) {
    if (on) {
      if (arpNotes.Contains(note)) return;
      arpNotes.Set(note, velocity);
    } else {
      if (!arpNotes.Contains(note)) return;
      arpNotes.Remove(note);
    }
    if (arpNotes.Empty()) {
      ClearArpeggio();
    } else {
      arpeggio.Clear();
      int low = -1;
      int high = -1;
      for (int n = 0; n < NoteVelocityMap::kNotes; ++n) {
        if (!arpNotes.Contains(n)) continue;
        AppendPair(arpeggio, n, arpNotes.Velocity(n));
        if (low < 0) low = n;
        high = n;
      }
      // Back down, without repeating either end.
      for (int n = high - 1; n > low; --n)
        if (arpNotes.Contains(n)) AppendPair(arpeggio, n, arpNotes.Velocity(n));
      if (player.EventIndex() >= static_cast<int32_t>(arpeggio.EventCount())) player.ResetEventIndex();
    }
  } else {
    return;
  }
  if (arpeggio.Empty()) {
    arpeggio.length = 0;
    player.EndNotes(kArpChannel);
    engine.ReleaseChannelVoices(kArpChannel);
  } else {
    arpeggio.length = static_cast<int32_t>(arpeggio.EventCount()) * kStepTicks;
    arpeggio.channelUsed[kArpChannel] = true;
    // The player stood still on the empty pattern: the new one starts with its
    // first note on the next tick.
    if (wasEmpty && player.CurrentSequence() == PlayedSequence::kArpeggio) player.RewindLoop();
    player.FoldIntoLoop(arpeggio.length);
  }
}

void Sequencer::ClearArpeggio() {
  arpeggio.Clear();
  arpNotes.Clear();
  // Steps the player already queued (the rest of this block, or the end of
  // the last one, which the control period holds back) would start notes that
  // no pattern ends any more.
  player.EndNotes(kArpChannel);
  engine.ReleaseChannelVoices(kArpChannel);
}

bool Sequencer::DivertToArpeggiator(const MidiMessage& message) {
  const int kind = message.status >> 4;
  const int note = message.data1;
  const size_t key = static_cast<size_t>(message.status & 15) * 256 + message.data1;
  if (kind == 9 && message.data2 > 0) {
    if (arpLatch) {
      // It sounds directly; its release must reach it even once the latch is off.
      directKeys.set(key);
      return false;
    }
    UpdateArpeggio(note, message.data2, true);
    arpHeldKeys.Set(note, message.data2);
    return true;
  }
  if (kind != 8 && kind != 9) return false;
  const bool inPattern = arpHeldKeys.Contains(note);
  arpHeldKeys.Remove(note);
  // A key that sounds directly (pressed while latched) goes to the tracks as it
  // is. Pressed again once the latch was off, it is in the pattern too: its
  // release ends both, or the pattern would play the note on with no key down.
  const bool direct = arpLatch || directKeys[key];
  directKeys.reset(key);
  if (direct && (arpLatch || !inPattern)) return false;
  if (!arpHold) {
    UpdateArpeggio(note, 0, false);
    engine.NoteOff(kArpChannel, note, true);
    if (arpHeldKeys.Empty()) ClearArpeggio();
  }
  return !direct;
}

void Sequencer::ArpeggiatorSustain(int32_t value) {
  arpHold = value > 0;
  if (value == 0 && !arpLatch && arpHeldKeys.Empty()) ClearArpeggio();
}

void Sequencer::ToggleArpeggiatorLatch() {
  PluginLock lock(host.Mutex());
  arpLatch = !arpLatch;
  if (!arpLatch) ClearArpeggio();
  host.ShowStatus(arpLatch ? "Arpeggiator latched..." : "Arpeggiator unlatched.", kStatusGreen);
}
