// The LV2 module's entry points: the host asks lv2_descriptor for the plug-in
// and lv2ui_descriptor for its editor, both by index. This file is compiled
// with VORNELL_LV2 defined, so the instrument below derives from IPlugLV2.
#include <cstdint>
#include <new>
#include <type_traits>

#include "editor/VornellEditor.h"
#include "instrument/Vornell.h"
#include "plugin/IPlugLV2.h"

static_assert(std::is_base_of_v<IPlugLV2, Vornell>, "the LV2 module must be built with VORNELL_LV2 defined");

IPlugLV2* CreateVornellLV2() {
  InstallVornellEditor();
  try {
    return new Vornell(nullptr);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

extern "C" __attribute__((visibility("default"))) const void* lv2_descriptor(uint32_t index) {
  return index == 0 ? IPlugLV2::Descriptor() : nullptr;
}

extern "C" __attribute__((visibility("default"))) const void* lv2ui_descriptor(uint32_t index) {
  return index == 0 ? IPlugLV2::UiDescriptor() : nullptr;
}
