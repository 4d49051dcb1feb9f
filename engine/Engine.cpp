// The batched and the per-sample audio paths must round identically on every
// target, so multiply-adds are never fused.
#pragma GCC optimize("fp-contract=off")

#include "engine/Engine.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "engine/BandLimitedTables.h"
#include "engine/VoiceRenderer.h"

namespace {
constexpr double kDefaultSampleRate = 44100.0;

// A controller or bend later in the block than one control period moves by
// half a period, to the tick nearest its time rather than the one before it.
int32_t NearestTickOffset(int32_t offset, int32_t period) {
  if (offset <= period) return offset;
  const int32_t half = period / 2;
  return offset > INT32_MAX - half ? INT32_MAX : offset + half;
}
}  // namespace

Engine::Engine(EngineHooks* engineHooks)
    : hooks(engineHooks),
      phaseIncrements(std::make_unique<PhaseIncrementTable>()),
      cutoffTables(std::make_unique<CutoffTables>()),
      renderer(std::make_unique<VoiceRenderer>()) {
  BandLimitedTables::Get();
  // Voices start out prepared for 44.1 kHz; the first OnReset prepares the real rate.
  phaseIncrements->Build(kDefaultSampleRate);
  cutoffTables->Build(kDefaultSampleRate);
  for (int32_t v = 0; v < kVoiceCount; ++v) {
    voices[v].Bind(this);
    const int32_t track = v < kFirstPoolVoice ? v : 0;
    voices[v].track = static_cast<uint8_t>(track);
    trackVoices[track][v >> 6] |= uint64_t{1} << (v & 63);
  }
  std::fill(std::begin(controllerMap), std::end(controllerMap), static_cast<int16_t>(-1));
  ClearHeldNotes();
  tickEvents.Reserve(inputQueue.ReservedCapacity());
  renderer->Prepare(static_cast<int32_t>(kDefaultSampleRate / 1000.0));
}

Engine::~Engine() = default;

// ---------------------------------------------------------------------------
// Reset

void Engine::OnReset(double sampleRate, int32_t blockSize) {
  if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) sampleRate = kDefaultSampleRate;
  sampleRate = std::min(sampleRate, kMaxSampleRate);
  ClearHeldNotes();
  controlCountdown = 0;
  controlPeriod = std::max<int32_t>(1, static_cast<int32_t>(std::trunc(std::trunc(sampleRate) / 1000.0)));
  maxBlockSize = std::clamp<int32_t>(blockSize, 1, kMaxBlockSize);
  inputQueue.Resize(blockSize);
  tickEvents.Reserve(inputQueue.ReservedCapacity());
  if (sampleRate != lastSampleRate) {
    ResetAllVoices();
    lastSampleRate = sampleRate;
    phaseIncrements->Build(sampleRate);
    cutoffTables->Build(sampleRate);
    for (Voice& voice : voices) voice.SetSampleRate(sampleRate);
    click.Setup(sampleRate, 2000.0, 10.0);
    // Rates below 1 kHz still advance one sample per control tick.
    controlPeriod = std::max<int32_t>(1, static_cast<int32_t>(std::trunc(sampleRate / 1000.0)));
  }
  renderer->Prepare(controlPeriod);
}

void Engine::ResetAllVoices() {
  ClearHeldNotes();
  tickEvents.Clear();
  inputQueue.Clear();
  sequencerTail = 0;
  hostTail = hostFloor = 0;
  for (Voice& voice : voices) voice.Kill();
  for (Track& track : tracks) track.sustainPedal = false;
  runningVoices[0] = runningVoices[1] = 0;
  if (hooks) hooks->ClearArpeggiatorHold();
  RefreshIndicators();
}

// ---------------------------------------------------------------------------
// Incoming MIDI

void Engine::OnMidiMessage(const MidiMessage& message) {
  int32_t kind = message.status >> 4;
  if (kind < 8 || kind > 14) return;
  int32_t channel = message.status & 15;
  MidiMessage queued = message;
  queued.fromSequencer = 0;
  queued.isClick = 0;
  // A host event before the block start would otherwise wait in front of every
  // later message; it is taken as due at the block start. One at or past the
  // end of the longest block the host announced cannot belong to the coming
  // block: it goes on the block's last frame rather than waiting for a later
  // one (hosts do send these, some with offsets near the 32-bit limit).
  queued.offset = std::clamp(queued.offset, 0, maxBlockSize - 1);
  if (kind == 9 && queued.data2 == 0) {
    queued.status = static_cast<uint8_t>(0x80 + channel);
    kind = 8;
  }
  switch (kind) {
    case 8:
    case 9:
      if (IsArpeggiatorMode(mode) && hooks && hooks->DivertToArpeggiator(queued)) return;
      QueueHostInOrder(queued);
      return;
    case 11: {
      int32_t controller = queued.data1;
      if (controller == 120 || controller == 123) {
        ResetAllVoices();
        return;
      }
      if (controller == 121) {
        // Reset All Controllers, as hosts send it at a stop: the wheel and the
        // bend of the channel go back to rest and its pedal up, each at the
        // message's time, as if they had been sent.
        MidiMessage reset = queued;
        reset.offset = NearestTickOffset(queued.offset, controlPeriod);
        reset.data1 = 1;
        reset.data2 = 0;
        inputQueue.Add(reset);
        reset.status = static_cast<uint8_t>(0xE0 + channel);
        reset.data1 = 0;
        reset.data2 = 64;
        inputQueue.Add(reset);
        MidiMessage pedal = queued;
        pedal.data1 = 64;
        pedal.data2 = 0;
        QueueHostInOrder(pedal);
        return;
      }
      if (controller >= 120) return;
      if (hooks && hooks->CaptureMidiLearn(controller)) return;
      if (controller == 64) {
        QueueHostInOrder(queued);
        return;
      }
      queued.offset = NearestTickOffset(queued.offset, controlPeriod);
      inputQueue.Add(queued);
      return;
    }
    case 12:
      if (hooks) hooks->OnProgramChange(queued.data1);
      return;
    case 14:
      queued.offset = NearestTickOffset(queued.offset, controlPeriod);
      inputQueue.Add(queued);
      return;
    default:
      return;  // pressure
  }
}

void Engine::QueueHostInOrder(MidiMessage queued) {
  // A block's offsets count from its start, the queue's from the next control
  // tick, which lies later when a block begins inside a control period: a note
  // or pedal of one block could otherwise go before one of the block before
  // (a note-off before its note-on, and the note would hang). Within a block
  // the offsets order the messages as before.
  if (inputQueue.Empty()) hostTail = hostFloor = 0;
  queued.offset = std::max(queued.offset, hostFloor);
  if (inputQueue.Add(queued)) hostTail = std::max(hostTail, queued.offset);
}

void Engine::DropQueuedMessages() {
  // In order, as the blocks would have dispatched them: the messages of the
  // current control period first.
  while (!tickEvents.Empty()) {
    const MidiMessage message = tickEvents.Front();
    tickEvents.PopFront();
    if (IsRelease(message)) DispatchTickEvent(message);
  }
  for (int32_t i = 0; i < inputQueue.Count(); ++i) {
    MidiMessage message = inputQueue.At(i);
    if (!IsRelease(message)) continue;
    // A note on with velocity 0 from the sequencer reaches the note off as the block would send it.
    if ((message.status >> 4) == 9) message.status = static_cast<uint8_t>(0x80 + (message.status & 15));
    DispatchTickEvent(message);
  }
  inputQueue.Clear();
}

bool Engine::QueueMidiMessage(const MidiMessage& message) {
  if (!message.fromSequencer) return inputQueue.Add(message);
  // The player's offsets count from the block start, the queue's from the
  // next control tick, which lies later when a block begins inside a control
  // period: a message of one block could otherwise go before one of the block
  // before (a note-off before its note-on, and the note would hang).
  MidiMessage queued = message;
  if (inputQueue.Empty()) sequencerTail = 0;  // also after the queue was emptied
  queued.offset = std::max(queued.offset, sequencerTail);
  if (!inputQueue.Add(queued)) return false;
  sequencerTail = queued.offset;
  return true;
}

void Engine::DropSequencerNoteOns(int32_t channel) {
  auto pendingNoteOn = [channel](const MidiMessage& m) {
    return m.fromSequencer && (m.status >> 4) == 9 && m.data2 > 0 && (channel < 0 || (m.status & 15) == channel);
  };
  inputQueue.RemoveIf(pendingNoteOn);
  tickEvents.RemoveIf(pendingNoteOn);
}

void Engine::SetControllerMapping(int32_t controller, int32_t parameter) {
  if (controller < 0 || controller >= 120) return;
  controllerMap[controller] = static_cast<int16_t>(parameter >= 0 && parameter < kParameterCount ? parameter : -1);
}

int32_t Engine::ControllerMapping(int32_t controller) const {
  return controller >= 0 && controller < 120 ? controllerMap[controller] : -1;
}

// ---------------------------------------------------------------------------
// Block processing

void Engine::ProcessBlock(double** inputs, double** outputs, int32_t frames) {
  (void)inputs;
  if (hooks) hooks->OnBlockStart(frames);
  const int32_t period = std::max<int32_t>(1, controlPeriod);
  int32_t remaining = frames;
  int32_t position = 0;
  double* out[kOutputCount];
  while (remaining > 0) {
    int32_t length;
    if (controlCountdown > 0) {
      length = std::min(controlCountdown, remaining);
      controlCountdown -= length;
    } else {
      ControlTick();
      periodElapsed = 0;
      if (remaining >= period) {
        length = period;
      } else {
        length = remaining;
        controlCountdown = period - remaining;
      }
    }
    for (int32_t k = 0; k < kOutputCount; ++k)
      out[k] = outputs && outputs[k] ? outputs[k] + position : renderer->DiscardBuffer(k);
    RunSegment(out, length);
    periodElapsed += length;
    position += length;
    remaining -= length;
  }
  // What the host queues from here on belongs to a later block.
  hostFloor = hostTail;
}

void Engine::ControlTick() {
  if (recording) recordElapsed += controlPeriod;
  DrainInputQueue();
  for (Track& track : tracks) track.lfo.LfoTick(track.modWheel);
  for (int32_t word = 0; word < 2; ++word) {
    uint64_t bits = runningVoices[word];
    while (bits) {
      int32_t bit = __builtin_ctzll(bits);
      bits &= bits - 1;
      Voice& voice = voices[word * 64 + bit];
      voice.ControlTick();
      if (!voice.running) runningVoices[word] &= ~(uint64_t{1} << bit);
    }
  }
}

void Engine::DrainInputQueue() {
  const int32_t period = std::max<int32_t>(1, controlPeriod);
  while (!inputQueue.Empty() && inputQueue.Front().offset < period) {
    MidiMessage message = inputQueue.Front();
    inputQueue.PopFront();
    int32_t kind = message.status >> 4;
    int32_t channel = message.status & 15;
    switch (kind) {
      case 8:
      case 9:
        if (kind == 9 && message.data2 == 0) message.status = static_cast<uint8_t>(0x80 + channel);
        tickEvents.PushBack(message);
        break;
      case 11:
        if (message.data1 == 1) {
          const ChannelTrackList& list = channelTracks[channel];
          for (int32_t i = 0; i < list.count; ++i) tracks[list.tracks[i]].modWheel = message.data2 / 127.0;
        } else if (message.data1 == 64) {
          tickEvents.PushBack(message);
        } else {
          ParameterController(channel, message.data1, message.data2);
        }
        break;
      case 14: {
        double bend = ((message.data2 - 64) * 128 + message.data1) / 8192.0 * bendRange;
        const ChannelTrackList& list = channelTracks[channel];
        for (int32_t i = 0; i < list.count; ++i) tracks[list.tracks[i]].bend = bend;
        break;
      }
      default:
        break;
    }
  }
  inputQueue.ShiftOffsets(period);
  sequencerTail = std::max(0, sequencerTail - period);
  hostTail = std::max(0, hostTail - period);
}

void Engine::ParameterController(int32_t channel, int32_t controller, int32_t value) {
  double v = value / 127.0;
  int32_t p = ControllerMapping(controller);
  if (receiveParameterControllers && p == -1) {
    if (controller == 0 || controller == 1) return;
    p = controller + 79;
  }
  if (p < 0 || p >= kParameterCount || !hooks) return;
  if (p < kFirstVoiceParameter) {
    if (hooks->GetParameterNormalized(p) != v) hooks->SetParameterFromController(p, v);
    return;
  }
  // A voice parameter goes to the tracks on the channel, each of which is
  // asked for its own value: the mapped track may listen elsewhere.
  int32_t k = (p - kFirstVoiceParameter) % Voice::kParamCount;
  ChannelTrackList list = channelTracks[channel];  // a parameter change may reorder the lists
  for (int32_t i = 0; i < list.count; ++i) {
    const int32_t q = kFirstVoiceParameter + Voice::kParamCount * list.tracks[i] + k;
    if (hooks->GetParameterNormalized(q) != v) hooks->SetParameterFromController(q, v);
  }
}

void Engine::RunSegment(double** out, int32_t length) {
  const double clickGain = masterGain * clickLevel;
  // Message offsets count from the start of the control period, and this
  // segment may continue a period begun in the previous block: compare them
  // with the position in the period, or small host blocks would delay
  // messages and a one-frame block would never reach them (stuck notes).
  const int32_t elapsed = periodElapsed;
  if (referenceRendering) {
    // Sample by sample, every voice in index order.
    for (int32_t i = 0; i < length; ++i) {
      while (!tickEvents.Empty() && tickEvents.Front().offset - elapsed <= i) {
        MidiMessage message = tickEvents.Front();
        tickEvents.PopFront();
        DispatchTickEvent(message);
      }
      RenderSampleReference(out, i, clickGain);
    }
    return;
  }
  // Batched: whole runs between due messages, voice by voice.
  int32_t i = 0;
  while (i < length) {
    // Messages due at this sample; one with a later offset holds back those behind it.
    while (!tickEvents.Empty() && tickEvents.Front().offset - elapsed <= i) {
      MidiMessage message = tickEvents.Front();
      tickEvents.PopFront();
      DispatchTickEvent(message);
    }
    int32_t end = length;
    if (!tickEvents.Empty() && tickEvents.Front().offset - elapsed < length) end = tickEvents.Front().offset - elapsed;
    double* part[kOutputCount];
    for (int32_t k = 0; k < kOutputCount; ++k) part[k] = out[k] + i;
    renderer->RenderRange(*this, part, end - i, clickGain);
    i = end;
  }
}

void Engine::AdvanceNoise(double* noise, int32_t length) {
  uint32_t seed = static_cast<uint32_t>(noiseSeed);
  for (int32_t i = 0; i < length; ++i) {
    seed *= 16807u;  // 32-bit wrap-around
    noise[i] = static_cast<int32_t>(seed) * 4.6566129e-10;
  }
  noiseSeed = static_cast<int32_t>(seed);
  if (length > 0) noiseSample = noise[length - 1];
}

void Engine::SkipNoise(int32_t length) {
  if (length <= 0) return;
  // seed * 16807^length (mod 2^32) by squaring.
  uint32_t factor = 1, power = 16807u;
  for (uint32_t n = static_cast<uint32_t>(length); n; n >>= 1) {
    if (n & 1) factor *= power;
    power *= power;
  }
  noiseSeed = static_cast<int32_t>(static_cast<uint32_t>(noiseSeed) * factor);
  noiseSample = noiseSeed * 4.6566129e-10;
}

void Engine::RenderSampleReference(double** out, int32_t i, double clickGain) {
  uint32_t seed = static_cast<uint32_t>(noiseSeed) * 16807u;  // 32-bit wrap-around
  noiseSeed = static_cast<int32_t>(seed);
  noiseSample = noiseSeed * 4.6566129e-10;
  double acc[kOutputCount] = {};
  for (Voice& voice : voices) {
    if (!voice.active) continue;
    double s = voice.RenderSample() * masterGain;
    const Track& track = tracks[voice.track];
    double l = s * track.gainLeft;
    double r = s * track.gainRight;
    acc[0] += l;
    acc[1] += r;
    acc[2 + 2 * voice.track] += l;
    acc[3 + 2 * voice.track] += r;
  }
  if (clickEnabled) {
    double c = click.NextSample() * clickGain;
    acc[0] += c;
    acc[1] += c;
  }
  for (int32_t k = 0; k < kOutputCount; ++k) out[k][i] = acc[k];
}

void Engine::DispatchTickEvent(const MidiMessage& message) {
  if (message.isClick) {
    click.Trigger();
    return;
  }
  int32_t kind = message.status >> 4;
  int32_t channel = message.status & 15;
  bool arpeggiatorMode = IsArpeggiatorMode(mode);
  switch (kind) {
    case 11:
      if (arpeggiatorMode) {
        if (hooks) hooks->ArpeggiatorSustain(message.data2);
      } else {
        SustainPedal(channel, message.data2 > 0, message.fromSequencer != 0);
      }
      break;
    case 8:
      NoteOff(channel, message.data1, message.fromSequencer != 0);
      if (arpeggiatorMode && channel == 5) {
        // One arpeggio step never overlaps the next. Only the tracks that play
        // the pattern: keys played over a latched pattern on other tracks sound on.
        bool released = false;
        for (Voice& voice : voices) {
          if (voice.keyHeld && tracks[voice.track].channel == 5) {
            voice.Release(true);
            released = true;
          }
        }
        if (released) RefreshIndicators();
      }
      break;
    case 9:
      NoteOn(channel, message.data1, message.data2, message.fromSequencer != 0);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Parameters

void Engine::SetTrackVoiceParam(int32_t track, int32_t k, double x) {
  if (track < 0 || track >= kTrackCount || k < 0 || k >= Voice::kParamCount) return;
  trackVoiceParams[track][k] = x;
  for (int32_t word = 0; word < 2; ++word) {
    uint64_t bits = trackVoices[track][word];
    while (bits) {
      voices[word * 64 + __builtin_ctzll(bits)].SetVoiceParam(k, x);
      bits &= bits - 1;
    }
  }
}

void Engine::OnVoiceStarted(const Voice* voice) {
  int32_t v = static_cast<int32_t>(voice - voices.data());
  if (v >= 0 && v < kVoiceCount) runningVoices[v >> 6] |= uint64_t{1} << (v & 63);
}

void Engine::SetTrackVolume(int32_t track, double volume) {
  if (!ValidTrack(track)) return;
  tracks[track].volume = volume;
  tracks[track].UpdateGains();
}

void Engine::SetTrackPan(int32_t track, double pan) {
  if (!ValidTrack(track)) return;
  tracks[track].pan = pan;
  tracks[track].UpdateGains();
}
