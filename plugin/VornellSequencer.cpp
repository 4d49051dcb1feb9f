// Entry points of the sequencer, recorder and arpeggiator into the instrument.
// The sequencer part replaces these bodies with the full Mode switching
// (sequence hand-over, program loading from the live slot sets), recording
// and clock handling; until then they keep the engine's Mode and nothing more.
#include "plugin/Vornell.h"
#include "programs/ParameterTable.h"

bool Vornell::SetMode(int32_t mode) {
  if (mode < kModeNormal || mode > kModeStackB) mode = kModeNormal;
  engine.SetMode(mode);
  return true;
}

// Sequencer part: restarts the recording in the current sequence.
void Vornell::StartRecording() {}

// Sequencer part: the tick length from "Speed" or the host tempo.
void Vornell::UpdateTickDuration() {}
