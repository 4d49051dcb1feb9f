#pragma once
// The host's tempo, position, time signature and transport, as the host
// adapter reports them. The caller presets the defaults; fields the host does
// not report keep them.
#include <cstdint>

struct HostTimeInfo {
  double tempo = 120.0;     // beats per minute
  double samplePos = -1.0;  // samples since the start of the song
  double ppqPos = -1.0;     // quarter notes since the start of the song
  double lastBar = -1.0;    // quarter-note position of the last bar start
  double cycleStart = -1.0;
  double cycleEnd = -1.0;
  int32_t numerator = 4;
  int32_t denominator = 4;
  bool transportRunning = false;
  bool transportLooping = false;
};

// The recognised host, found once from its product string. -1 until identified.
enum HostKind : int32_t {
  kHostUnidentified = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostCakewalk = 5,
  kHostFruity = 7,
  kHostSamplitude = 8,
  kHostLive = 9,
  kHostMelodyne = 12,
  kHostVstManLib = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostSawStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigital = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostPresonus = 26,
  kHostVst3PluginTestHost = 27,
  kHostArdour = 28,
  kHostRenoise = 29,
  kHostOpenMpt = 30,
};
