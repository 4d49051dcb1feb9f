#pragma once
// The host's side of a plug-in editor: a top-level X11 window as parent,
// effEditOpen with its id, effEditIdle about every 30 ms, effEditClose. The
// window follows the plug-in's audioMasterSizeWindow unless told not to.
#include <string>

class PluginHost;

struct EditorRunOptions {
  // Seconds to keep the window open; 0: until the user closes it.
  double seconds = 0.0;
  // Where to save a PNG of the window just before closing (empty: none).
  std::string screenshot;
  // Refuse the plug-in's requests to resize the window (as some hosts do).
  bool keepSize = false;
};

// Returns the program's exit code (0 on success) and prints what failed.
int RunEditorWindow(PluginHost& host, const EditorRunOptions& options);
