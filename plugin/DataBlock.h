#pragma once
// Growable byte array behind every serialization: state blocks, chunks, preset
// and bank files, program records. Writes append and return false when memory
// runs out; reads take a position and return the position after the item, or
// -1 when the position is negative or the item does not fit before the end (the
// destination is then left unchanged). Numbers are little-endian; a text is a
// signed 32-bit length followed by that many bytes without terminator.
//
// A block may also read bytes it does not own (ReadOnlyView): they are read in
// place until the block is first written, when it takes its own copy. Copies of
// such a block share the bytes the same way.
//
// Not thread-safe; callers hold the plug-in lock. Blocks of different
// instances that share bytes may be used on any threads: the bytes are only read.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class DataBlock {
 public:
  DataBlock() = default;

  // A block that reads `data` in place. The bytes must stay unchanged for as
  // long as any block reads them (the resources embedded in the module).
  static DataBlock ReadOnlyView(const void* data, int size);

  int Size() const { return view ? viewSize : static_cast<int>(bytes.size()); }
  const uint8_t* Data() const { return view ? view : bytes.data(); }
  // For writing in place: a block that reads bytes it does not own copies them
  // first (nullptr when out of memory). Reads go through the const one.
  uint8_t* Data() { return OwnBytes() ? bytes.data() : nullptr; }
  void Clear() {
    view = nullptr;
    viewSize = 0;
    bytes.clear();
  }
  // Makes the block hold the `size` bytes of `source` from `position`, sharing
  // them when `source` reads bytes it does not own. False when they are not
  // all there or memory runs out (the block is then empty).
  bool AssignRange(const DataBlock& source, int position, int size);

  // Grows the length to `size` (new bytes zero) or shrinks it. False when out of memory.
  bool Resize(int size);

  bool PutBytes(const void* data, int size);
  bool PutInt32(int32_t value);
  bool PutDouble(double value);
  bool PutByte(uint8_t value);
  bool PutText(const std::string& text);
  bool PutBlock(const DataBlock& other) { return PutBytes(other.Data(), other.Size()); }

  // Inline: a state read makes hundreds of these.
  int GetBytes(void* destination, int size, int position) const {
    if (position < 0 || size < 0) return -1;
    if (static_cast<int64_t>(position) + size > Size()) return -1;
    if (size > 0) std::memcpy(destination, Data() + position, static_cast<size_t>(size));
    return position + size;
  }
  int GetInt32(int32_t* value, int position) const {
    uint8_t le[4];
    const int next = GetBytes(le, 4, position);
    if (next < 0) return -1;
    *value = static_cast<int32_t>(static_cast<uint32_t>(le[0]) | (static_cast<uint32_t>(le[1]) << 8) |
                                  (static_cast<uint32_t>(le[2]) << 16) | (static_cast<uint32_t>(le[3]) << 24));
    return next;
  }
  int GetDouble(double* value, int position) const {
    uint8_t le[8];
    const int next = GetBytes(le, 8, position);
    if (next < 0) return -1;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | le[i];
    std::memcpy(value, &v, 8);
    return next;
  }
  int GetByte(uint8_t* value, int position) const { return GetBytes(value, 1, position); }
  // A length of 0 or less gives the empty text; otherwise the text ends at the
  // length or at the first zero byte, whichever comes first.
  int GetText(std::string* text, int position) const;
  // The same text seen where it lies in the block, without a copy.
  int GetTextView(const char** text, size_t* size, int position) const;

  bool operator==(const DataBlock& other) const {
    return Size() == other.Size() &&
           (Size() == 0 || std::memcmp(Data(), other.Data(), static_cast<size_t>(Size())) == 0);
  }

 private:
  bool Reserve(size_t needed);
  // Before any write: turns the bytes read in place into owned ones.
  bool OwnBytes() { return !view || TakeCopyOfView(); }
  bool TakeCopyOfView();
  std::vector<uint8_t> bytes;
  // Bytes read in place, not owned; bytes is then empty.
  const uint8_t* view = nullptr;
  int viewSize = 0;
};

// Chunk header at the start of every chunk that leaves the plug-in: "tffp"
// (0x70666674 little-endian) and the version 0x00010000.
constexpr int32_t kChunkMagic = 0x70666674;
constexpr int32_t kChunkVersion = 0x00010000;

bool WriteChunkHeader(DataBlock& block);
// When the magic stands at *position: returns the version and moves *position
// past the header (to -1 when the version is missing). Otherwise returns 0 and
// leaves *position alone.
int32_t ReadChunkHeader(const DataBlock& block, int* position);
