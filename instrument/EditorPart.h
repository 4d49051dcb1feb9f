#pragma once
// The instrument's view of its editor: what it tells the editor changed, and
// the program browser's buttons the front panel passes on. The editor library
// implements it; the instrument knows no editor type beyond this, so that the
// editor can sit above the instrument.
//
// The instrument builds its editor when first needed (Vornell::RequireEditor)
// through the factory installed when the instrument was built (by the module
// entry, or by a test). Without a factory the instrument has no editor:
// commands that need a window then do nothing, as they do while the window is
// closed.
#include <memory>

class Vornell;

class EditorPart {
 public:
  virtual ~EditorPart() = default;

  // The editor's periodic update (status line, blinking, and what the flags
  // below ask for). User-interface thread, under the plug-in lock.
  virtual void OnIdleTick() = 0;
  // The window opened: the next idle tick refreshes every control. Under the
  // plug-in lock.
  virtual void OnEditorOpened() = 0;
  // The edit track's sound changed (a program load, select or store): the
  // next idle tick shows its values again. Under the plug-in lock.
  virtual void EditTrackSoundChanged() = 0;

  // The browser page's INTERNAL, FILE, record-all, SINGLE and BANK buttons,
  // from the front panel's press handler; returns the press's result code
  // (0 nothing asked, 1 answered no, 2 answered yes or a dialog opened).
  // User-interface thread, under the plug-in lock (dialogs give it back).
  virtual int BrowserButton(int id) = 0;
  // The browser lists a file (its FILE LED lit) rather than the presets.
  virtual bool BrowserShowsFile() const = 0;
};

// Makes the editor of an instrument (its parameters, library and presets are
// in place; it may attach its graphics). Called without the plug-in lock,
// which it takes for what it reads of the instrument.
using EditorPartFactory = std::unique_ptr<EditorPart> (*)(Vornell& plug);
// Installs the factory for every instrument built afterwards (null: none gets
// an editor). Not thread-safe: install it before building instruments (the
// module entries do so under their construction lock).
void SetEditorPartFactory(EditorPartFactory factory);
