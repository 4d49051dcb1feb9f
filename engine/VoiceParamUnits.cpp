#include "engine/VoiceParamUnits.h"

#include "engine/Engine.h"

double VoiceParamEngineValue(int32_t k, int32_t value) {
  const int32_t u = value & 255;
  const double c = u / 255.0;
  switch (k) {
    case Voice::kCoarseFrequency:
      return (value - 24) * 128.0;
    case Voice::kFineFrequency:
      return c * 128.0;
    case Voice::kLfoToOsc:
    case Voice::kOscEnvInvert:
    case Voice::kOscSawtooth:
    case Voice::kOscTriangle:
    case Voice::kOscPulse:
    case Voice::kOscLfoToPw:
    case Voice::kFilterEnvInvert:
    case Voice::kLfoToFilter:
    case Voice::kVoiceMode:
      return value >= 1 ? 1.0 : 0.0;  // switches and two-entry lists: normalized 0 or 1
    case Voice::kOscEnvAttack:
    case Voice::kOscEnvDecay:
    case Voice::kOscEnvRelease:
    case Voice::kFilterEnvAttack:
    case Voice::kFilterEnvDecay:
    case Voice::kFilterEnvRelease:
    case Voice::kAmpEnvAttack:
    case Voice::kAmpEnvDecay:
    case Voice::kAmpEnvRelease:
      return u;
    case Voice::kLfoFrequency:
    case Voice::kLfoAmount:
    case Voice::kLfoShape:
      return -1.0;
    case Voice::kFilterCutoff:
      return c * 88.0 * 128.0;
    case Voice::kFilterResonance:
      return c > 2.0 / 3.0 ? 1.0 : c * 63.0 / 42.0;
    case Voice::kFilterEnvAmount:
      return c * 8.0 * 12.0 * 128.0;
    case Voice::kFilterKeyTrack:
      return (value > 128 ? 128 : value) / 128.0 * 12.0 * 128.0;
    case Voice::kFilterOscModAmount:
      return c * 31.0 * 128.0;
    default:
      return c;
  }
}

void LoadProgramValues(Engine& engine, int32_t track, const uint8_t values[37]) {
  TrackLfo& lfo = engine.GetTrack(track).lfo;
  lfo.rateIndex = values[Voice::kLfoFrequency];
  lfo.amount = values[Voice::kLfoAmount] / 255.0;
  lfo.shape = values[Voice::kLfoShape] >= 1 ? TrackLfo::kRectangle : TrackLfo::kTriangle;
  for (int32_t k = 0; k < Voice::kParamCount; ++k)
    engine.SetTrackVoiceParam(track, k, VoiceParamEngineValue(k, values[k]));
}
