#pragma once
// Counts heap allocations while a window is open. AllocationCounter.cpp
// replaces the program's global allocation functions (operator new and
// delete in all their forms), so it is linked only into the test programs
// that check for heap use, never into the others.
#include <cstdint>

// Windows do not nest: opening one restarts the count from zero.
class AllocationWindow {
 public:
  AllocationWindow();
  ~AllocationWindow();
  AllocationWindow(const AllocationWindow&) = delete;
  AllocationWindow& operator=(const AllocationWindow&) = delete;

  // Allocations (calls of any operator new) since the window opened.
  int64_t Count() const;
};
