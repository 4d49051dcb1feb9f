#pragma once
// The editor's sizes. The layout stays in 1024 × 512 drawing units at every
// size; a zoom in percent scales the window, the back buffer and the mouse.
#include <array>
#include <string>

inline constexpr std::array<int, 5> kEditorSizes = {100, 125, 150, 175, 200};

// The offered size nearest to a percentage (ties go to the smaller one);
// 100 for anything that is not a positive finite number.
int NearestEditorSize(double percent);

// The size that suits the screen: GDK_SCALE when it is a positive number,
// else the Xft.dpi resource (96 dpi is 100 %), else 100. Either text may be
// null or empty.
int ScreenEditorSize(const char* gdkScale, const char* xftDpi);

// Pixels of a length in drawing units at a zoom, as the window has them.
inline int ZoomedLength(int units, int zoomPercent) {
  return (units * zoomPercent + 50) / 100;
}
