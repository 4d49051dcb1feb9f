// The engine's tuning hooks answered by this instance's tuning client.
#include "instrument/Vornell.h"

bool Vornell::IsTuningOnline() {
  const TuningClient* client = Tuning();
  return client != nullptr && client->IsTuningOnline();
}

bool Vornell::IsNoteFiltered(int32_t note) {
  TuningClient* client = Tuning();
  return client != nullptr && client->IsNoteOnFiltered(note);
}

int32_t Vornell::NoteToPitch(int32_t key) {
  return ::NoteToPitch(Tuning(), key);
}
