#include "engine/Track.h"

#include <cmath>

void Track::UpdateGains() {
  double p = pan < 0.0 ? 0.0 : (pan > 1.0 ? 1.0 : pan);
  gainLeft = std::sqrt(1.0 - p) * volume;
  gainRight = std::sqrt(p) * volume;
}
