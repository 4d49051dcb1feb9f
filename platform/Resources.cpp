#include "platform/Resources.h"

#include <strings.h>

namespace {

struct Entry {
  const char* type;
  const char* name;
  int id;
  const unsigned char* data;
  size_t size;
};

constexpr int kMaxResources = 128;

struct Registry {
  Entry entries[kMaxResources];
  int count = 0;
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterResource(const char* type, const char* name, int id, const unsigned char* data, size_t size) {
  Registry& registry = GetRegistry();
  if (registry.count >= kMaxResources) return;
  registry.entries[registry.count++] = Entry{type, name, id, data, size};
}

// Resource types and names compare without regard to case, as the module
// resource functions they stand in for do.
ResourceData FindResource(const char* type, const char* name) {
  const Registry& registry = GetRegistry();
  if (!type || !name) return {};
  for (int i = 0; i < registry.count; ++i) {
    const Entry& e = registry.entries[i];
    if (e.name && strcasecmp(e.type, type) == 0 && strcasecmp(e.name, name) == 0) return {e.data, e.size};
  }
  return {};
}

ResourceData FindResource(const char* type, int id) {
  const Registry& registry = GetRegistry();
  if (!type) return {};
  for (int i = 0; i < registry.count; ++i) {
    const Entry& e = registry.entries[i];
    if (!e.name && e.id == id && strcasecmp(e.type, type) == 0) return {e.data, e.size};
  }
  return {};
}
