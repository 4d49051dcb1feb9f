// Build-time generator of the editor's panel pictures.
//   vornell_panel_pictures OUTPUT_FOLDER            writes the 18 PNGs, and
//                                                   each again at twice the
//                                                   size as NAME@2x.png
//   vornell_panel_pictures --preview OUTPUT_FOLDER  writes layout previews
#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "resources/panel/Pictures.h"
#include "resources/panel/Preview.h"

namespace {

// The file of a picture at a scale: "knob.png", "knob@2x.png".
std::string FileName(const char* file, int scale) {
  std::string name(file);
  if (scale == 1) return name;
  const size_t dot = name.rfind('.');
  return name.substr(0, dot) + "@" + std::to_string(scale) + "x" + name.substr(dot);
}

bool WritePicture(const panel::PictureInfo& info, const std::string& folder) {
  const int scale = panel::PictureScale();
  panel::Surface surface = info.paint();
  const int width = cairo_image_surface_get_width(surface.get());
  const int height = cairo_image_surface_get_height(surface.get());
  if (width != info.width * scale || height != info.height * scale) {
    std::fprintf(stderr, "%s: drawn %d x %d, expected %d x %d\n", info.file, width, height, info.width * scale,
                 info.height * scale);
    return false;
  }
  const std::string path = folder + "/" + FileName(info.file, scale);
  if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) {
    if (!panel::WritePreviews(argv[2])) {
      std::fprintf(stderr, "cannot write the previews into %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s [--preview] OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  for (int scale : {1, 2}) {
    panel::SetPictureScale(scale);
    for (const panel::PictureInfo& info : panel::kPictures) {
      if (!WritePicture(info, argv[1])) return 1;
    }
  }
  cairo_debug_reset_static_data();
  return 0;
}
