#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<int64_t> allocations{0};

void* Allocate(size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* AllocateAligned(size_t size, std::align_val_t alignment) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
  size_t a = static_cast<size_t>(alignment);
  size_t rounded = (size + a - 1) / a * a;
  void* p = std::aligned_alloc(a, rounded ? rounded : a);
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

AllocationWindow::AllocationWindow() {
  allocations = 0;
  counting = true;
}

AllocationWindow::~AllocationWindow() {
  counting = false;
}

int64_t AllocationWindow::Count() const {
  return allocations.load();
}

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(size_t size, std::align_val_t a) {
  return AllocateAligned(size, a);
}
void* operator new[](size_t size, std::align_val_t a) {
  return AllocateAligned(size, a);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
  std::free(p);
}
