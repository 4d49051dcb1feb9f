// The module's factory: the entry point builds the instrument through this.
// Out of memory during construction gives null, which the host sees as a
// failed load rather than an exception through its C interface.
#include <new>

#include "plugin/IPlugVST.h"
#include "instrument/Vornell.h"

IPlugVST* CreateVornell(VstHostCallback hostCallback) {
  try {
    return new Vornell(hostCallback);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
