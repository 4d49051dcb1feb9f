// Not written yet: until the X11 window system exists, editors created
// without an explicit window system cannot open a window.
#include "graphics/HeadlessWindowSystem.h"

namespace {
class NoWindowSystem : public HeadlessWindowSystem {
 public:
  bool Open(IGraphics*, uintptr_t, int, int) override { return false; }
};
}  // namespace

std::unique_ptr<IWindowSystem> CreateX11WindowSystem() { return std::make_unique<NoWindowSystem>(); }
