// What each of the 303 parameters does to the engine, the tracks and the
// panel state. Every change of a parameter ends in OnParamChanged.
#include <cmath>
#include <cstdio>
#include <mutex>

#include "instrument/Vornell.h"
#include "plugin/ScopedValue.h"
#include "programs/ParameterTable.h"

namespace {

// Switch-like parameters read through their normalized value.
bool IsOn(const PlugParam& param) {
  return param.NormalizedValue() >= 0.5;
}

int Truncated(double value) {
  const double whole = std::trunc(value);
  if (!(whole > -2147483648.0 && whole < 2147483647.0)) return 0;
  return static_cast<int>(whole);
}

}  // namespace

// One parameter count: the engine, the configuration's controller map and the
// plug-in base size their tables by it, and the index layout fills it exactly.
static_assert(Engine::kParameterCount == kNumParams);
static_assert(Configuration::kParameterCount == kNumParams);
static_assert(kPlugNumParams == kNumParams);
static_assert(kParamTrackCount == Engine::kTrackCount);
static_assert(kVoiceParamCount == kProgramValueCount);
static_assert(kParamFirstProgram + kProgramSetCount * kParamTrackCount == kParamSpeed);
static_assert(kParamFirstTrack + kParamTrackCount * kTrackParamCount == kParamFirstVoice);
static_assert(kParamFirstVoice + kParamTrackCount * kVoiceParamCount == kNumParams);

void Vornell::OnParamChanged(int index) {
  PluginLock lock(Mutex());
  if (index < 0 || index >= kNumParams || index >= NumParams()) return;
  // MIDI learn takes the index as its target; the change goes on regardless.
  // Only the change that was asked for counts, not those it causes (linked
  // tracks following, a program's values loading), which would replace it.
  if (paramChangeDepth == 0) CaptureLearnParameter(index);
  ScopedValue<int> depth(paramChangeDepth, paramChangeDepth + 1);
  if (index < kParamFirstVoice) {
    ShowParamStatus(index);
    if (IsProgramParam(index))
      ApplyProgramParam(index);
    else if (IsTrackParam(index))
      ApplyTrackParam(index);
    else
      ApplyGlobalParam(index);
  } else {
    ApplyVoiceParam(index);
  }
}

void Vornell::ShowParamStatus(int index) {
  if (stateLoading || !EditorOpen()) return;
  const PlugParam* param = GetParam(index);
  char text[kParamTextSize + kParamDisplaySize + 4];
  std::snprintf(text, sizeof(text), "%s: %s", param->Name(), param->CurrentDisplayText().c_str());
  ShowStatus(text, kStatusWhite);
}

void Vornell::ApplyGlobalParam(int index) {
  const PlugParam& param = *GetParam(index);
  const double v = param.Value();
  switch (index) {
    case kParamMasterTune:
      engine.SetMasterTune(v * 128.0);
      break;
    case kParamPitchBend:
      engine.SetBendRange(v * 128.0);
      break;
    case kParamWheelToLfo: {
      const double n = param.NormalizedValue();
      for (int t = 0; t < Engine::kTrackCount; ++t) engine.GetTrack(t).lfo.wheelAmount = n;
      break;
    }
    case kParamMasterVolume:
      engine.SetMasterGain(v * 0.5);
      break;
    case kParamMode: {
      const int mode = ModeValue();
      if (IsSequenceMode(mode)) {
        if (engine.IsRecording())
          sequencer.StartRecording();
        else
          ShowStatus("Sequencer started...", kStatusGreen);
      } else if (IsArpeggiatorMode(mode)) {
        ShowStatus("Arpeggiator started...", kStatusGreen);
      }
      sequencer.SetMode(mode);
      ResetAllVoices();
      panelDirty = true;
      break;
    }
    case kParamLinkPrograms:
      panelDirty = true;
      break;
    case kParamResolution: {
      const bool extended = IsOn(param);
      // Reapplying the same resolution (every state read, the host's opening
      // pass) would only write every voice parameter again and flood the host
      // with 222 automation changes.
      if (resolutionApplied && extended == extendedResolution) break;
      resolutionApplied = true;
      extendedResolution = extended;
      // Masking every track's values is no edit: linked tracks must not take
      // over the values of the track that happens to be masked first.
      const bool wasSuspended = programs.LinkSuspended();
      programs.SetLinkSuspended(true);
      const char* text = ApplyParamResolution(*this);
      programs.SetLinkSuspended(wasSuspended);
      ShowStatus(text, kStatusGreen);
      break;
    }
    case kParamSpeed:
      sequencer.SetSpeed(v);
      break;
    case kParamSyncToHost:
      sequencer.SetSyncToHost(IsOn(param));
      SetSpeedDisplay(*this, sequencer.SyncToHost());
      break;
    default:
      break;
  }
}

void Vornell::ApplyProgramParam(int index) {
  if (stateLoading) return;
  const int set = ProgramParamSet(index);
  const int t = ProgramParamTrack(index);
  const Track& track = engine.GetTrack(t);
  const bool sequenceActive = track.sequenceDriven || track.armed;
  const int mode = ModeValue();
  const int p = IntParam(index);
  switch (set) {
    case kProgramSetTrack: {
      // "Track Prg" selects whenever the track plays it: as a free track
      // outside the Stack modes, or as the stand-in for a sequence slot of 100.
      // Otherwise, like any slot that is not live, it only stores its value.
      const int live = programs.LiveProgramParam(t);
      if (live == index || IntParam(live) == kNoSequenceProgram)
        programs.ApplyProgramParameter(kProgramKindTrack, t, p);
      break;
    }
    case kProgramSetSeqA:
      if (mode == kModeSequenceA && sequenceActive) programs.ApplyProgramParameter(kProgramKindSeqA, t, p);
      break;
    case kProgramSetSeqB:
      if (mode == kModeSequenceB && sequenceActive) programs.ApplyProgramParameter(kProgramKindSeqB, t, p);
      break;
    case kProgramSetStackA:
      if (mode == kModeStackA) programs.ApplyProgramParameter(kProgramKindStackA, t, p);
      break;
    case kProgramSetStackB:
      if (mode == kModeStackB) programs.ApplyProgramParameter(kProgramKindStackB, t, p);
      break;
    default:
      break;
  }
}

void Vornell::ApplyTrackParam(int index) {
  const PlugParam& param = *GetParam(index);
  const int t = TrackParamTrack(index);
  const double v = param.Value();
  switch (TrackParamSlot(index)) {
    case kTrackChannel:
      // A track the sequence drives hears its part on its own index, an armed
      // track every channel, until the sequencer hands it back, which takes
      // the channel from here; routed now, a template or automation would
      // silence the part or the recording.
      if (!engine.GetTrack(t).sequenceDriven && !engine.GetTrack(t).armed) engine.SetTrackChannel(t, Truncated(v));
      break;
    case kTrackMode:
      engine.SetTrackMode(t, Truncated(v));
      engine.ReleaseTrackVoices(t);
      break;
    case kTrackCycle:
      engine.SetTrackCycle(t, IsOn(param));
      engine.ReleaseTrackVoices(t);
      break;
    case kTrackTune:
      engine.SetTrackTune(t, v * 128.0);
      break;
    case kTrackTranspose:
      engine.SetTrackTranspose(t, Truncated(v));
      break;
    case kTrackVolume:
      engine.SetTrackVolume(t, v);
      break;
    case kTrackPanorama:
      engine.SetTrackPan(t, param.NormalizedValue());
      break;
    default:
      break;
  }
  // The configuration page draws the cycle flags and the template the
  // channels, modes and cycle flags match from the tracks, not from a value
  // of its own: it is redrawn whatever changed them.
  const int slot = TrackParamSlot(index);
  if (slot == kTrackChannel || slot == kTrackMode || slot == kTrackCycle) panelDirty = true;
}

int Vornell::ReduceVoiceValue(int k, double value) const {
  const int u = Truncated(value) & 255;
  return extendedResolution ? u : MaskVoiceValue(k, u);
}

void Vornell::FollowLinkedTracks(int t, int k, int u) {
  if (!LinkProgramsOn() || programs.LinkInProgress() || programs.LinkSuspended() || stateLoading) return;
  programs.SetLinkInProgress(true);
  const Track& source = engine.GetTrack(t);
  for (int j = 0; j < Engine::kTrackCount && !programs.LinkSuspended() && LinkProgramsOn(); ++j) {
    if (j == t) continue;
    const Track& other = engine.GetTrack(j);
    const bool together = (source.armed && other.armed) ||
                          (!source.armed && !source.sequenceDriven && !other.armed && !other.sequenceDriven);
    if (!together) continue;
    const int index = VoiceParamIndex(j, k);
    if (ReduceVoiceValue(k, GetParam(index)->Value()) != u) SetParameterFromEngine(index, u);
  }
  programs.SetLinkInProgress(false);
}

void Vornell::ApplyVoiceParam(int index) {
  const PlugParam& param = *GetParam(index);
  const int t = VoiceParamTrack(index);
  const int k = VoiceParamSlot(index);
  const double v = param.Value();
  const double n = param.NormalizedValue();
  const int u = ReduceVoiceValue(k, v);

  FollowLinkedTracks(t, k, u);
  ShowParamStatus(index);

  if (!stateLoading) {
    panelDirty = true;
    // Only the user's own edit of the edit track moves PARAM; program loads,
    // automation, controllers and linked copies leave it where it is.
    if (t == panel.EditTrack() && index == UserEditIndex()) panel.SetSelectedParam(k);
    if (t == panel.EditTrack() && k == panel.SelectedParam()) panel.SetSelectedParamValue(u);
  }

  const double c = u / 255.0;
  TrackLfo& lfo = engine.GetTrack(t).lfo;
  double x = c;
  switch (k) {
    case kVoiceCoarseFrequency:
      x = (Truncated(v) - 24) * 128.0;
      break;
    case kVoiceFineFrequency:
      x = c * 128.0;
      break;
    case kVoiceGlideRate:
    case kVoiceOscEnvAmount:
    case kVoiceOscEnvSustain:
    case kVoiceOscPulseWidth:
    case kVoiceOscNoiseMixer:
    case kVoiceFilterEnvSustain:
    case kVoiceAmpEnvSustain:
    case kVoiceVolume:
    case kVoiceAmpVelocity:
      x = c;
      break;
    case kVoiceLfoToOsc:
    case kVoiceOscEnvInvert:
    case kVoiceOscSawtooth:
    case kVoiceOscTriangle:
    case kVoiceOscPulse:
    case kVoiceOscLfoToPw:
    case kVoiceFilterEnvInvert:
    case kVoiceLfoToFilter:
    case kVoiceMode:
      x = n;
      break;
    case kVoiceOscEnvAttack:
    case kVoiceOscEnvDecay:
    case kVoiceOscEnvRelease:
    case kVoiceFilterEnvAttack:
    case kVoiceFilterEnvDecay:
    case kVoiceFilterEnvRelease:
    case kVoiceAmpEnvAttack:
    case kVoiceAmpEnvDecay:
    case kVoiceAmpEnvRelease:
      x = u;
      break;
    case kVoiceLfoFrequency:
      lfo.rateIndex = static_cast<uint8_t>(Truncated(v) & 255);
      x = -1.0;
      break;
    case kVoiceLfoAmount:
      lfo.amount = c;
      x = -1.0;
      break;
    case kVoiceLfoShape:
      lfo.shape = n >= 0.5 ? TrackLfo::kRectangle : TrackLfo::kTriangle;
      panelDirty = true;
      x = -1.0;
      break;
    case kVoiceFilterCutoff:
      x = c * 88.0 * 128.0;
      break;
    case kVoiceFilterResonance:
      x = c > 2.0 / 3.0 ? 1.0 : c * 63.0 / 42.0;
      break;
    case kVoiceFilterEnvAmount:
      x = c * 8.0 * 12.0 * 128.0;
      break;
    case kVoiceFilterKeyTrack:
      x = n * 12.0 * 128.0;
      break;
    case kVoiceFilterOscModAmount:
      x = c * 31.0 * 128.0;
      break;
    default:
      break;
  }
  engine.SetTrackVoiceParam(t, k, x);
}
