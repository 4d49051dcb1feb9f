#pragma once

#include <cstdint>

// One voice start collected while a note message is dispatched.
struct NoteStart {
  uint8_t track = 0;
  int32_t note = 0;
  int32_t velocity = 0;
  int32_t detune = 0;  // pitch steps
  bool legato = false;
};
