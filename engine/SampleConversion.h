#pragma once

#include <cstdint>

// Audio thread: the engine's double samples to a host's single-precision
// buffer, written or added to, with the active vector path. Every sample is
// rounded exactly as a scalar cast (and a scalar float addition) would.
void StoreAsFloat(const double* source, float* destination, int32_t count);
void AddAsFloat(const double* source, float* destination, int32_t count);
