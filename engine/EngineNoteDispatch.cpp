// Note dispatch of the Engine: routing of note messages to tracks, voice
// allocation and stealing, and the two-phase commit of voice changes.

#include <algorithm>
#include <bitset>

#include "engine/Engine.h"

bool Engine::ChannelTrackList::Contains(int32_t t) const {
  for (int32_t i = 0; i < count; ++i)
    if (tracks[i] == t) return true;
  return false;
}

void Engine::ChannelTrackList::Append(int32_t t) {
  if (count < kTrackCount && !Contains(t)) tracks[count++] = static_cast<int8_t>(t);
}

void Engine::ChannelTrackList::Remove(int32_t t) {
  int32_t kept = 0;
  for (int32_t i = 0; i < count; ++i)
    if (tracks[i] != t) tracks[kept++] = tracks[i];
  count = kept;
}

void Engine::ClearHeldNotes() {
  for (HeldNoteMap& map : heldNotes) {
    std::fill(std::begin(map.velocity), std::end(map.velocity), static_cast<int16_t>(-1));
    map.count = 0;
  }
}

bool Engine::IsNoteHeld(int32_t channel, int32_t note) const {
  if (channel < 0 || channel >= kChannelCount || note < 0 || note > 255) return false;
  return heldNotes[channel].velocity[note] >= 0;
}

int32_t Engine::LowestHeldNote(int32_t channel) const {
  const HeldNoteMap& map = heldNotes[channel];
  if (map.count == 0) return -1;
  for (int32_t n = 0; n < 256; ++n)
    if (map.velocity[n] >= 0) return n;
  return -1;
}

bool Engine::TakesMessage(int32_t t, int32_t channel, bool fromSequencer) const {
  const Track& track = tracks[t];
  if (fromSequencer) return track.channel == channel;
  return !track.sequenceDriven && (!recording || track.armed);
}

void Engine::ClearPending() {
  std::fill(std::begin(pendingStart), std::end(pendingStart), false);
  std::fill(std::begin(pendingRelease), std::end(pendingRelease), false);
  pendingReleaseCount = 0;
}

void Engine::AddPendingRelease(int32_t v) {
  if (pendingRelease[v]) return;
  pendingRelease[v] = true;
  pendingReleases[pendingReleaseCount++] = v;
}

void Engine::BindVoice(int32_t v, int32_t track) {
  Voice& voice = voices[v];
  trackVoices[voice.track][v >> 6] &= ~(uint64_t{1} << (v & 63));
  trackVoices[track][v >> 6] |= uint64_t{1} << (v & 63);
  voice.track = static_cast<uint8_t>(track);
  // A pool voice leaves the pedal of its former track behind: no pedal of
  // that track's channel would let it go again.
  voice.sustained = tracks[track].sustainPedal;
  for (int32_t k = 0; k < Voice::kParamCount; ++k) voice.SetVoiceParam(k, trackVoiceParams[track][k]);
}

void Engine::RefreshIndicators() {
  for (Track& track : tracks) track.heldVoiceCount = 0;
  for (const Voice& voice : voices)
    if (voice.keyHeld) ++tracks[voice.track].heldVoiceCount;
  if (hooks) hooks->TrackIndicatorsChanged();
}

// ---------------------------------------------------------------------------

void Engine::NoteOn(int32_t channel, int32_t note, int32_t velocity, bool fromSequencer) {
  if (channel < 0 || channel >= kChannelCount || note < 0 || note > 255) return;
  tuningOnline = hooks && hooks->IsTuningOnline();
  if (tuningOnline && hooks->IsNoteFiltered(note % 128)) return;
  if (!fromSequencer) {
    HeldNoteMap& map = heldNotes[channel];
    if (map.velocity[note] < 0) ++map.count;
    map.velocity[note] = static_cast<int16_t>(std::clamp(velocity, 0, 32767));
  }
  DispatchNoteOn(channel, note, velocity, fromSequencer);
  CommitVoiceChanges();
}

void Engine::DispatchNoteOn(int32_t c, int32_t note, int32_t velocity, bool fromSequencer) {
  ClearPending();
  ChannelTrackList& list = channelTracks[c];

  // Cycle: successive different notes go to successive cycling tracks.
  int32_t cycling = 0;
  int32_t firstCycling = -1;
  for (int32_t i = 0; i < list.count; ++i) {
    const Track& track = tracks[list.tracks[i]];
    if (track.cycle && (!recording || track.armed)) {
      if (firstCycling < 0) firstCycling = list.tracks[i];
      ++cycling;
    }
  }
  bool differentNote = c != lastNoteChannel || note != lastNoteNumber || IsArpeggiatorMode(mode);
  if (cycling >= 2 && differentNote && lastNoteChannel < 16 && lastNoteNumber >= 0) {
    list.Remove(firstCycling);
    list.Append(firstCycling);
  }
  lastNoteChannel = static_cast<uint8_t>(c);
  lastNoteNumber = note;

  const bool stackMode = IsStackMode(mode);
  const bool manyHeld = heldNotes[c].count > 1;
  bool first = true;
  int32_t fallback = -1;
  ChannelTrackList order = list;
  for (int32_t i = 0; i < order.count; ++i) {
    int32_t t = order.tracks[i];
    if (!TakesMessage(t, c, fromSequencer)) continue;
    const Track& track = tracks[t];
    const bool poly = track.trackMode == Track::kPolyphonic;
    const bool legato = track.trackMode == Track::kLegato && manyHeld;
    NoteStart ns{static_cast<uint8_t>(t), note, velocity, 0, legato};
    if (stackMode) {
      if (poly)
        AllocatePoolVoice(ns, true);
      else
        AssignVoice(t, ns);
      continue;
    }
    if (IsUnison(t) && (!track.sequenceDriven || poly)) {
      if (poly) {
        static constexpr int32_t kDetunes[6] = {-5, -3, -1, 1, 3, 5};
        for (int32_t d = 0; d < 6; ++d) {
          NoteStart spread = ns;
          spread.detune = kDetunes[d];
          AllocatePoolVoice(spread, d == 0);
        }
        continue;
      }
      SpreadAcrossChannelTracks(list, note, velocity, legato);
      break;
    }
    if (poly) {
      if (!track.cycle) {
        AllocatePoolVoice(ns, true);
      } else if (first) {
        AllocatePoolVoice(ns, true);
        first = false;
      }
      continue;
    }
    if (!track.cycle) {
      AssignVoice(t, ns);
    } else if (first) {
      if (!voices[t].keyHeld) {
        AssignVoice(t, ns);
        first = false;
      } else if (fallback < 0) {
        fallback = t;
      }
    }
  }
  if (first && fallback >= 0) {
    // Every cycling track's key is down: the first in the rotated order takes over.
    bool legato = tracks[fallback].trackMode == Track::kLegato && manyHeld;
    AssignVoice(fallback, NoteStart{static_cast<uint8_t>(fallback), note, velocity, 0, legato});
  }
}

void Engine::AllocatePoolVoice(const NoteStart& ns, bool reuse) {
  if (reuse) {
    // A key already sounding on this track restarts its own voice.
    for (int32_t v = kFirstPoolVoice; v < kVoiceCount; ++v) {
      if (voices[v].track == ns.track && (voices[v].note & 255) == ns.note) {
        AssignVoice(v, ns);
        return;
      }
    }
  }
  // The oldest voice not yet taken by this message: the six voices of a Unison
  // note, or the notes of several stacked tracks, each take over one of their own.
  int32_t oldest = -1;
  for (int32_t v = kFirstPoolVoice; v < kVoiceCount; ++v) {
    if (pendingStart[v]) continue;
    if (!voices[v].active) {
      AssignVoice(v, ns);
      return;
    }
    if (oldest < 0 || voices[v].startSerial < voices[oldest].startSerial) oldest = v;
  }
  if (oldest >= 0) AssignVoice(oldest, ns);
}

void Engine::AssignVoice(int32_t v, const NoteStart& ns) {
  if (voices[v].track != ns.track) BindVoice(v, ns.track);
  if (pendingStart[v]) return;  // within one message the first assignment wins
  pendingStart[v] = true;
  pendingStarts[v] = ns;
}

void Engine::SpreadAcrossChannelTracks(ChannelTrackList list, int32_t note, int32_t velocity, bool legato) {
  int32_t detune = -5;
  for (int32_t i = 0; i < list.count; ++i) {
    int32_t b = list.tracks[i];
    if (tracks[b].sequenceDriven) continue;
    if (IsArpeggiatorMode(mode) && b != 5) continue;
    AssignVoice(b, NoteStart{static_cast<uint8_t>(b), note, velocity, detune, legato});
    detune += 2;
  }
}

namespace {

// A voice whose key is up but that the sustain pedal keeps sounding: its note
// ends, for the recorder too, when the pedal lets it go.
bool HeldByPedal(const Voice& voice) {
  return voice.sustained && !voice.keyHeld &&
         (voice.ampEnv.stage == Envelope::kAttack || voice.ampEnv.stage == Envelope::kDecay);
}

}  // namespace

void Engine::CommitVoiceChanges() {
  bool anyStart = false;
  for (int32_t v = 0; v < kVoiceCount && !anyStart; ++v) anyStart = pendingStart[v];
  if (anyStart) tuningOnline = hooks && hooks->IsTuningOnline();
  // A key that starts or stops several voices of one track (Unison) is one
  // note to the recorder; played back, it takes those voices again.
  int32_t recordedStart[kTrackCount], recordedStop[kTrackCount];
  std::fill(std::begin(recordedStart), std::end(recordedStart), -1);
  std::fill(std::begin(recordedStop), std::end(recordedStop), -1);
  auto firstOfTrack = [](int32_t* recorded, int32_t track, int32_t note) {
    if (recorded[track] == note) return false;
    recorded[track] = note;
    return true;
  };
  for (int32_t v = 0; v < kVoiceCount; ++v) {
    if (!pendingStart[v]) continue;
    const NoteStart& ns = pendingStarts[v];
    const bool keyReleased = pendingRelease[v];
    if (pendingRelease[v]) {
      pendingRelease[v] = false;
      int32_t kept = 0;
      for (int32_t i = 0; i < pendingReleaseCount; ++i)
        if (pendingReleases[i] != v) pendingReleases[kept++] = pendingReleases[i];
      pendingReleaseCount = kept;
    }
    // A voice that goes on with another note as its key is released (back to
    // a key still held), or that the pedal held on after its key went up,
    // ends its note here: for the recorder too, or the note would hang on in
    // the recording until the loop's end.
    const Voice& before = voices[v];
    if (recording && (keyReleased || HeldByPedal(before)) && (before.track != ns.track || before.note != ns.note) &&
        !tracks[before.track].sequenceDriven && hooks && firstOfTrack(recordedStop, before.track, before.note))
      hooks->RecordNoteEvent(before.track, before.note, 0);
    if (voices[v].track != ns.track) BindVoice(v, ns.track);
    // Legato glides on from a note that still sounds; a voice already released
    // or silent (its key went up before the next, or another Cycle track
    // played the key held) would never be heard with its envelopes not restarted.
    NoteStart start = ns;
    const int32_t stage = voices[v].ampEnv.stage;
    if (start.legato && stage != Envelope::kAttack && stage != Envelope::kDecay) start.legato = false;
    int32_t serial = voiceStartCounter++;
    voices[v].StartNote(start, serial, tracks[ns.track].transpose);
    if (recording && !tracks[ns.track].sequenceDriven && hooks && firstOfTrack(recordedStart, ns.track, ns.note))
      hooks->RecordNoteEvent(ns.track, ns.note, ns.velocity);
  }
  for (int32_t i = 0; i < pendingReleaseCount; ++i) {
    Voice& voice = voices[pendingReleases[i]];
    const bool pedalHolds = voice.sustained;
    voice.Release(false);
    if (recording && !pedalHolds && !tracks[voice.track].sequenceDriven && hooks &&
        firstOfTrack(recordedStop, voice.track, voice.note))
      hooks->RecordNoteEvent(voice.track, voice.note, 0);
  }
  RefreshIndicators();
}

void Engine::NoteOff(int32_t c, int32_t note, bool fromSequencer) {
  if (c < 0 || c >= kChannelCount || note < 0 || note > 255) return;
  HeldNoteMap& map = heldNotes[c];
  if (map.velocity[note] >= 0) {
    map.velocity[note] = -1;
    --map.count;
  }
  ClearPending();
  ChannelTrackList order = channelTracks[c];
  for (int32_t i = 0; i < order.count; ++i) {
    int32_t t = order.tracks[i];
    const bool takes = TakesMessage(t, c, fromSequencer);
    // A key pressed before a recording began still ends the note it started
    // on a track that is not armed; only new notes are kept from such tracks.
    if (!takes && (fromSequencer || tracks[t].sequenceDriven)) continue;
    bool sounding = false;
    for (int32_t v = 0; v < kVoiceCount; ++v) {
      if (voices[v].track == t && (voices[v].note & 255) == note) {
        AddPendingRelease(v);
        sounding = true;
      }
    }
    // The key's voice went on to another key while it was down (a monophonic
    // track played legato, a stolen pool voice): its note ends for the
    // recorder when the key goes up, as the keys were played.
    if (!sounding && takes && recording && !tracks[t].sequenceDriven && hooks) hooks->RecordNoteEvent(t, note, 0);
    const bool legato = map.count > 1;
    const Track& track = tracks[t];
    // Only the key the track's own voice plays sends it back to a key still
    // held: another key's release would restart or change the note it plays.
    const bool ownKey = voices[t].track == t && (voices[t].note & 255) == note;
    if (takes && ownKey && track.trackMode != Track::kPolyphonic && map.count > 0) {
      int32_t lowest = LowestHeldNote(c);
      int32_t velocity = map.velocity[lowest];
      if (IsStackMode(mode)) {
        // Stacked tracks return to the lowest key still held.
        AssignVoice(t, NoteStart{static_cast<uint8_t>(t), lowest, velocity, 0, legato});
      } else if (!track.sequenceDriven && IsUnison(t) && !fromSequencer) {
        SpreadAcrossChannelTracks(channelTracks[c], lowest, velocity, legato);
      }
    }
    // Each track's changes are committed once; committing the earlier tracks'
    // collections again would restart their voices and record them twice.
    CommitVoiceChanges();
    ClearPending();
  }
}

void Engine::SustainPedal(int32_t c, bool pressed, bool fromSequencer) {
  for (int32_t t = 0; t < kTrackCount; ++t) {
    const Track& track = tracks[t];
    if (fromSequencer ? track.channel != c : track.sequenceDriven) continue;
    if (track.channel != Track::kAllChannels && track.channel != c) continue;
    tracks[t].sustainPedal = pressed;
    const bool recorded = recording && !track.sequenceDriven && hooks;
    std::bitset<256> ended;
    for (Voice& voice : voices) {
      if (voice.track != t) continue;
      const bool endsNote = !pressed && HeldByPedal(voice);
      voice.sustained = pressed;
      if (!pressed && !voice.keyHeld) voice.Release(true);
      if (endsNote && recorded && !ended[voice.note & 255]) {
        ended.set(voice.note & 255);
        hooks->RecordNoteEvent(t, voice.note, 0);
      }
    }
  }
}

void Engine::SetSequenceDriven(int32_t track, bool driven) {
  if (track < 0 || track >= kTrackCount || tracks[track].sequenceDriven == driven) return;
  tracks[track].sequenceDriven = driven;
  tracks[track].sustainPedal = false;
  for (Voice& voice : voices) {
    if (voice.track != track || !voice.sustained) continue;
    voice.sustained = false;
    if (!voice.keyHeld) voice.Release(true);
  }
}

void Engine::ForceReleaseTrack(int32_t track) {
  for (Voice& voice : voices)
    if (voice.track == track) voice.Release(true);
}

void Engine::ReleaseTrackVoices(int32_t track) {
  if (track < 0 || track >= kTrackCount) return;
  ForceReleaseTrack(track);
  if (hooks) hooks->ClearArpeggiatorHold();
  RefreshIndicators();
}

void Engine::ReleaseChannelVoices(int32_t channel) {
  if (channel < 0 || channel >= kChannelCount) return;
  ChannelTrackList order = channelTracks[channel];
  for (int32_t i = 0; i < order.count; ++i) ReleaseTrackVoices(order.tracks[i]);
}

void Engine::SetTrackChannel(int32_t track, int32_t channel) {
  if (track < 0 || track >= kTrackCount) return;
  Track& t = tracks[track];
  if (channel == t.channel) return;
  ForceReleaseTrack(track);
  // The pedal of the old channel can no longer be let up for this track.
  t.sustainPedal = false;
  for (Voice& voice : voices)
    if (voice.track == track) voice.sustained = false;
  if (hooks) hooks->ClearArpeggiatorHold();
  RefreshIndicators();
  t.channel = static_cast<uint8_t>(t.sequenceDriven ? track : channel);
  for (int32_t i = 0; i < kChannelCount; ++i) {
    if (channel == Track::kAllChannels || channel == i)
      channelTracks[i].Append(track);
    else
      channelTracks[i].Remove(track);
  }
}

void Engine::StartVoice(int32_t v, const NoteStart& ns) {
  if (v < 0 || v >= kVoiceCount || ns.track >= kTrackCount) return;
  if (voices[v].track != ns.track) BindVoice(v, ns.track);
  tuningOnline = hooks && hooks->IsTuningOnline();
  voices[v].StartNote(ns, voiceStartCounter++, tracks[ns.track].transpose);
}
