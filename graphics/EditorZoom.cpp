#include "graphics/EditorZoom.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// A positive decimal number as a whole text (spaces around it allowed), or
// 0. Read without the process locale, which belongs to the host.
double PositiveNumber(const char* text) {
  if (!text) return 0.0;
  const char* begin = text;
  const char* end = text + std::strlen(text);
  while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\n')) --end;
  double value = 0.0;
  const auto result = std::from_chars(begin, end, value);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value) || value <= 0.0) return 0.0;
  return value;
}

}  // namespace

int NearestEditorSize(double percent) {
  if (!std::isfinite(percent) || percent <= 0.0) return 100;
  int best = kEditorSizes.front();
  for (int size : kEditorSizes)
    if (std::fabs(size - percent) < std::fabs(best - percent)) best = size;
  return best;
}

int ScreenEditorSize(const char* gdkScale, const char* xftDpi) {
  const double scale = PositiveNumber(gdkScale);
  if (scale > 0.0) return NearestEditorSize(scale * 100.0);
  const double dpi = PositiveNumber(xftDpi);
  if (dpi > 0.0) return NearestEditorSize(dpi / 96.0 * 100.0);
  return 100;
}
