// Linked into the test programs of the whole instrument: every instrument they
// build gets its editor, as in the module (whose entry installs it the same way).
#include "editor/VornellEditor.h"

namespace {
const bool kEditorInstalled = (InstallVornellEditor(), true);
}  // namespace
