// The module's factory: the entry point builds the instrument, with its
// editor, through this (under the entry point's construction lock).
// Out of memory during construction gives null, which the host sees as a
// failed load rather than an exception through its C interface.
#include <new>

#include "editor/VornellEditor.h"
#include "instrument/Vornell.h"
#include "plugin/IPlugVST.h"

IPlugVST* CreateVornell(VstHostCallback hostCallback) {
  InstallVornellEditor();
  try {
    return new Vornell(hostCallback);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
