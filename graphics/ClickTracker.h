#pragma once
// Tells double-clicks from single clicks by the window system's event
// times (milliseconds that wrap around at 2^32), never by the clock at
// processing time: events handled late keep their spacing.
#include <cstdint>

class ClickTracker {
 public:
  static constexpr uint32_t kMaxIntervalMs = 400;
  static constexpr int kMaxDistance = 4;  // pixels, each direction

  // A press of `button` at `time` and (x, y). True when it completes a
  // double-click; the pair is then forgotten, so a third press starts anew.
  // Time 0 (a synthesised event) never pairs.
  bool Press(int button, uint32_t time, int x, int y);
  void Reset() { havePrevious = false; }

 private:
  bool havePrevious = false;
  int previousButton = 0;
  uint32_t previousTime = 0;
  int previousX = 0, previousY = 0;
};
