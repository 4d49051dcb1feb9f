#pragma once
// The editor's panel pictures: one painter per picture, and the catalogue of
// resource ids, file names, sizes and frame counts the editor loads them by.
#include "resources/panel/Painter.h"

namespace panel {

// Pages.
Surface PaintBackPicture();     // the front panel
Surface PaintBrowserPicture();  // the full-window program browser
Surface PaintConfigPicture();   // track configuration overlay
Surface PaintParamPicture();    // parameter chart overlay (the normal page)

// Control strips.
Surface PaintButtonPicture();
Surface PaintRedButtonPicture();
Surface PaintBrowseButtonPicture();
Surface PaintConfigButtonPicture();
Surface PaintCheckBoxPicture();
Surface PaintDigitsPicture();
Surface PaintKnobPicture();
Surface PaintSmallKnobPicture();
Surface PaintLearnPicture();
Surface PaintUnlearnPicture();
Surface PaintLedPicture();
Surface PaintPolyBoxPicture();
Surface PaintPrevPicture();
Surface PaintNextPicture();

// Shared by the front panel and the browser page, which both sit under the
// same top-bar controls. The browser page has its status line where the
// panel has the motto.
void PaintTopBar(Painter& painter, bool motto = true);
// The parameter chart, drawn with its top-left corner at the origin.
void PaintParamChart(Painter& painter);

struct PictureInfo {
  int id;
  const char* file;
  int width;
  int height;
  int frames;
  Surface (*paint)();
};

constexpr int kPictureCount = 18;
extern const PictureInfo kPictures[kPictureCount];

}  // namespace panel
