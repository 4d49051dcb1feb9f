// Steady-state rendering must not touch the heap. This executable replaces the
// global allocation functions to count calls while a window is open.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/engine/EngineTestSupport.h"

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

TEST(Allocation, CountingSeesAnAllocation) {
  counting = true;
  allocations = 0;
  auto* probe = new std::vector<int>(10);
  counting = false;
  delete probe;
  EXPECT_GE(allocations.load(), 1);
}

TEST(Allocation, SteadyStateRenderingDoesNotAllocate) {
  enginetest::Rig rig(48000.0, 256);
  Engine& engine = rig.engine;
  engine.SetTrackMode(0, Track::kPolyphonic);
  engine.SetTrackVoiceParam(0, Voice::kVoiceMode, 1.0);
  engine.SetClickEnabled(true);
  std::vector<double> buffers(Engine::kOutputCount * 256);
  double* outputs[Engine::kOutputCount];
  for (int32_t k = 0; k < Engine::kOutputCount; ++k) outputs[k] = buffers.data() + k * 256;
  auto message = [](int32_t offset, int32_t status, int32_t d1, int32_t d2) {
    MidiMessage m;
    m.offset = offset;
    m.status = static_cast<uint8_t>(status);
    m.data1 = static_cast<uint8_t>(d1);
    m.data2 = static_cast<uint8_t>(d2);
    return m;
  };
  // Warm up: every path once.
  engine.ProcessBlock(nullptr, outputs, 256);

  counting = true;
  allocations = 0;
  for (int32_t block = 0; block < 400; ++block) {
    int32_t note = 40 + (block * 7) % 40;
    engine.OnMidiMessage(message(block % 200, 0x90, note, 100));
    engine.OnMidiMessage(message(30, 0xE0, block & 127, 64));
    engine.OnMidiMessage(message(70, 0xB0, 1, block & 127));
    engine.OnMidiMessage(message(90, 0xB0, 64, (block & 8) ? 127 : 0));
    engine.QueueMidiMessage(MidiMessage{10, 0x90, 0x3C, 0x64, 0, 1});
    if (block % 3 == 0) engine.OnMidiMessage(message(200, 0x80, 40 + ((block - 9) * 7) % 40, 0));
    if (block % 97 == 0) engine.OnMidiMessage(message(0, 0xB0, 123, 0));
    engine.ProcessBlock(nullptr, outputs, block % 5 == 0 ? 100 : 256);
  }
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
}
