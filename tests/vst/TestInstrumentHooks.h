#pragma once
// Functions the test instrument module exports besides its entry points, found
// by the tests with dlsym. Test use only.
#include <cstdint>

#include "plugin/HostTimeInfo.h"

struct AEffect;

#define VST_TEST_EXPORT __attribute__((visibility("default")))

enum TestParam { kParamGain = 0, kParamTranspose = 1, kParamMute = 2, kParamWave = 3 };

struct VstTestCountersRecord {
  int32_t overlaps;      // parameter or MIDI calls that ran while a block was processing
  int32_t resets;        // OnReset calls
  int32_t paramChanges;  // OnParamChanged calls
  int32_t lastChanged;   // index of the last OnParamChanged
  int32_t maxPiece;      // largest frame count ProcessBlock was given
  int32_t blocks;        // ProcessBlock calls
  int32_t queued;        // MIDI messages waiting for a later block
  double sampleRate;
  int32_t blockSize;
  int32_t hostVersion;
  int32_t currentPreset;
  int32_t activeVoices;
  int32_t editorShown;  // ShowParamValue calls on the fake editor
  int32_t editorLastIndex;
  double editorLastValue;
  bool editorLastNormalized;
  bool editorOpen;
};

extern "C" {
typedef void (*VstTestCountersProc)(AEffect*, VstTestCountersRecord*);
typedef int (*VstTestHostKindProc)(AEffect*);
typedef double (*VstTestHostTempoProc)(AEffect*);
typedef void (*VstTestHostTimeProc)(AEffect*, HostTimeInfo*);
typedef int (*VstTestSendMidiProc)(AEffect*, int offset, int status, int data1, int data2);
typedef void (*VstTestEditorGestureProc)(AEffect*, int index, double normalized);
typedef void (*VstTestAttachEditorProc)(AEffect*, int width, int height);
typedef int (*VstTestProgramChunkOnlyHostProc)(AEffect*);
}
