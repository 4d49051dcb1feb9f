// A stand-in for the microtuning master library, built only for the tests. It
// exports the master's entry points with a table, a note filter and a presence
// flag that the test steers through the FakeMaster_ functions. Built once with
// every entry point, once without the scale name (FAKE_MASTER_NO_SCALE_NAME)
// and once without the presence query (FAKE_MASTER_NO_PRESENCE).
#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

double tuning[128];
double channelTuning[16][128];
bool filtered[128];
bool masterPresent = true;
bool publishTable = true;
int registeredClients = 0;
int filterQueries = 0;
int lastFilterChannel = 0;
char scaleName[64] = "Fake Scale";
bool scaleNameNull = false;

}  // namespace

FAKE_EXPORT void MTS_RegisterClient() {
  ++registeredClients;
}
FAKE_EXPORT void MTS_DeregisterClient() {
  --registeredClients;
}
#ifndef FAKE_MASTER_NO_PRESENCE
FAKE_EXPORT bool MTS_HasMaster() {
  return masterPresent;
}
#endif
FAKE_EXPORT bool MTS_ShouldFilterNote(char note, char channel) {
  ++filterQueries;
  lastFilterChannel = static_cast<unsigned char>(channel);
  return filtered[static_cast<unsigned char>(note) & 127];
}
FAKE_EXPORT bool MTS_ShouldFilterNoteMultiChannel(char note, char channel) {
  (void)channel;
  return filtered[static_cast<unsigned char>(note) & 127];
}
FAKE_EXPORT const double* MTS_GetTuningTable() {
  return publishTable ? tuning : nullptr;
}
FAKE_EXPORT const double* MTS_GetMultiChannelTuningTable(char channel) {
  return channelTuning[static_cast<unsigned char>(channel) & 15];
}
FAKE_EXPORT bool MTS_UseMultiChannelTuning(char channel) {
  (void)channel;
  return true;
}
#ifndef FAKE_MASTER_NO_SCALE_NAME
FAKE_EXPORT const char* MTS_GetScaleName() {
  return scaleNameNull ? nullptr : scaleName;
}
#endif

// --- steering by the tests ---------------------------------------------------
FAKE_EXPORT void FakeMaster_SetFrequency(int note, double hz) {
  tuning[note & 127] = hz;
}
FAKE_EXPORT void FakeMaster_SetFiltered(int note, bool filter) {
  filtered[note & 127] = filter;
}
FAKE_EXPORT void FakeMaster_SetPresent(bool present) {
  masterPresent = present;
}
FAKE_EXPORT void FakeMaster_SetPublishTable(bool publish) {
  publishTable = publish;
}
FAKE_EXPORT int FakeMaster_RegisteredClients() {
  return registeredClients;
}
FAKE_EXPORT int FakeMaster_FilterQueries() {
  return filterQueries;
}
FAKE_EXPORT int FakeMaster_LastFilterChannel() {
  return lastFilterChannel;
}
FAKE_EXPORT void FakeMaster_SetScaleName(const char* name) {
  scaleNameNull = name == nullptr;
  if (name != nullptr) {
    std::strncpy(scaleName, name, sizeof scaleName - 1);
    scaleName[sizeof scaleName - 1] = '\0';
  }
}
