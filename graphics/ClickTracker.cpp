#include "graphics/ClickTracker.h"

#include <cstdlib>

bool ClickTracker::Press(int button, uint32_t time, int x, int y) {
  if (time == 0) {
    havePrevious = false;
    return false;
  }
  // Unsigned difference: correct across the wrap of the server's clock.
  const uint32_t elapsed = time - previousTime;
  if (havePrevious && button == previousButton && elapsed <= kMaxIntervalMs &&
      std::abs(x - previousX) <= kMaxDistance && std::abs(y - previousY) <= kMaxDistance) {
    havePrevious = false;
    return true;
  }
  havePrevious = true;
  previousButton = button;
  previousTime = time;
  previousX = x;
  previousY = y;
  return false;
}
