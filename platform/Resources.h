#pragma once
// Binary resources embedded into the module at build time (see
// cmake/Resources.cmake). Found by type and name, or by type and integer id.
// Registration happens during static initialisation; lookups are from any
// thread afterwards and never allocate.
#include <cstddef>

struct ResourceData {
  const unsigned char* data = nullptr;
  size_t size = 0;
  bool Found() const { return data != nullptr; }
};

// Called by the generated registrars only. name is null for integer ids.
void RegisterResource(const char* type, const char* name, int id, const unsigned char* data, size_t size);

ResourceData FindResource(const char* type, const char* name);
ResourceData FindResource(const char* type, int id);
