#pragma once
// Tables that depend on nothing but the sample rate, shared by every engine in
// the process: an instance opened beside others finds them made, instead of
// building and first touching a copy of its own (most of what a later
// instance cost). Kept for the few rates asked for last; a table still in use
// lives on with its users.
//
// Any thread, outside the audio path: building a table holds a process-wide
// lock, which only engines being built or reset for a new rate can meet.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

// The rates most hosts run at (and the engine's default), whose tables the
// build computes and the module embeds (resources/tables): read-only pages
// of the module cost far less than the same tables made in fresh memory, and
// only the pages the pitches played touch are read at all.
inline constexpr double kBuiltTableRates[] = {44100.0, 48000.0};
inline constexpr int32_t kBuiltTableRateCount = 2;

// The index of a rate in kBuiltTableRates, or -1.
inline int32_t BuiltTableRateIndex(double sampleRate) {
  for (int32_t i = 0; i < kBuiltTableRateCount; ++i)
    if (kBuiltTableRates[i] == sampleRate) return i;
  return -1;
}

template <class Entry>
class SharedRateTables {
 public:
  using Table = std::vector<Entry>;
  using Builder = void (*)(double sampleRate, Table& table);

  // The table for this rate, made by build at the first request for it (the
  // same builder for every request of one Entry type).
  static std::shared_ptr<const Table> ForRate(double sampleRate, Builder build) {
    static std::mutex mutex;
    static std::vector<std::pair<double, std::shared_ptr<const Table>>> recent;  // the latest first
    const std::lock_guard<std::mutex> lock(mutex);
    auto found =
        std::find_if(recent.begin(), recent.end(), [sampleRate](const auto& r) { return r.first == sampleRate; });
    if (found == recent.end()) {
      auto table = std::make_shared<Table>();
      build(sampleRate, *table);
      if (recent.size() == kKeptRates) recent.pop_back();
      recent.emplace_back(sampleRate, std::move(table));
      found = recent.end() - 1;
    }
    std::rotate(recent.begin(), found, found + 1);
    return recent.front().second;
  }

  // The entries at this rate: the module's own copy when `embedded` (the
  // tables of kBuiltTableRates one after another, or null) has the rate, else
  // the shared table, which `keep` holds on to.
  static const Entry* Entries(double sampleRate, const Entry* embedded, size_t size, Builder build,
                              std::shared_ptr<const Table>& keep) {
    const int32_t built = BuiltTableRateIndex(sampleRate);
    if (embedded && built >= 0) {
      keep.reset();
      return embedded + static_cast<size_t>(built) * size;
    }
    keep = ForRate(sampleRate, build);
    return keep->data();
  }

 private:
  // A host's default rate and the one it runs at, with room for a change.
  static constexpr size_t kKeptRates = 4;
};
