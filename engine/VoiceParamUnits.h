#pragma once

#include <cstdint>

class Engine;

// Conversion of a program's voice value (0..255 as stored, in the extended
// resolution) to the engine value Voice::SetVoiceParam takes, and loading of a
// whole program's 37 values into a track. Used where a sound is set without the
// plug-in's parameter records (tools, tests).
double VoiceParamEngineValue(int32_t k, int32_t value);

// Sets track t's 37 voice parameters and its LFO from program values.
// Under the plug-in lock (or before processing starts).
void LoadProgramValues(Engine& engine, int32_t track, const uint8_t values[37]);
