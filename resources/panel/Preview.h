#pragma once
// Layout check for the panel pictures: the pages with control frames placed
// at the editor's coordinates, written as PNGs for a person to look at.
// Not embedded in the module.
#include <string>

namespace panel {

// Writes preview_panel.png, preview_config.png and preview_browser.png into
// folder; false when a file cannot be written.
bool WritePreviews(const std::string& folder);

}  // namespace panel
