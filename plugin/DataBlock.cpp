#include "plugin/DataBlock.h"

#include <cstring>
#include <new>
#include <stdexcept>

namespace {
constexpr size_t kGrowStep = 4096;
}

DataBlock DataBlock::ReadOnlyView(const void* data, int size) {
  DataBlock block;
  if (data && size > 0) {
    block.view = static_cast<const uint8_t*>(data);
    block.viewSize = size;
  }
  return block;
}

bool DataBlock::AssignRange(const DataBlock& source, int position, int size) {
  const bool there = position >= 0 && size >= 0 && static_cast<int64_t>(position) + size <= source.Size();
  if (there && source.view && size > 0) {
    bytes.clear();
    view = source.view + position;
    viewSize = size;
    return true;
  }
  Clear();
  if (!there) return false;
  if (PutBytes(source.Data() + position, size)) return true;
  Clear();
  return false;
}

bool DataBlock::TakeCopyOfView() {
  std::vector<uint8_t> copy;
  try {
    copy.reserve((static_cast<size_t>(viewSize) + kGrowStep - 1) / kGrowStep * kGrowStep);
  } catch (const std::bad_alloc&) {
    return false;
  }
  copy.assign(view, view + viewSize);
  bytes.swap(copy);
  view = nullptr;
  viewSize = 0;
  return true;
}

bool DataBlock::Reserve(size_t needed) {
  if (needed <= bytes.capacity()) return true;
  size_t capacity = (needed + kGrowStep - 1) / kGrowStep * kGrowStep;
  try {
    bytes.reserve(capacity);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

bool DataBlock::Resize(int size) {
  if (size < 0 || !OwnBytes()) return false;
  if (!Reserve(static_cast<size_t>(size))) return false;
  bytes.resize(static_cast<size_t>(size));
  return true;
}

bool DataBlock::PutBytes(const void* data, int size) {
  if (size < 0) return false;
  if (size == 0) return true;
  if (!OwnBytes() || !Reserve(bytes.size() + static_cast<size_t>(size))) return false;
  const uint8_t* source = static_cast<const uint8_t*>(data);
  bytes.insert(bytes.end(), source, source + size);
  return true;
}

bool DataBlock::PutInt32(int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  uint8_t le[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                   static_cast<uint8_t>(v >> 24)};
  return PutBytes(le, 4);
}

bool DataBlock::PutDouble(double value) {
  uint64_t v;
  std::memcpy(&v, &value, 8);
  uint8_t le[8];
  for (int i = 0; i < 8; ++i) le[i] = static_cast<uint8_t>(v >> (8 * i));
  return PutBytes(le, 8);
}

bool DataBlock::PutByte(uint8_t value) {
  return PutBytes(&value, 1);
}

bool DataBlock::PutText(const std::string& text) {
  if (text.size() > 0x7fffffff) return false;
  const int32_t length = static_cast<int32_t>(text.size());
  // Append both parts or neither, so a failed write never leaves a dangling length.
  if (!OwnBytes() || !Reserve(bytes.size() + 4 + text.size())) return false;
  return PutInt32(length) && PutBytes(text.data(), length);
}

int DataBlock::GetText(std::string* text, int position) const {
  const char* first = nullptr;
  size_t used = 0;
  const int next = GetTextView(&first, &used, position);
  if (next >= 0) text->assign(first, used);
  return next;
}

int DataBlock::GetTextView(const char** text, size_t* size, int position) const {
  int32_t length = 0;
  int start = GetInt32(&length, position);
  if (start < 0) return -1;
  if (length <= 0) {
    *text = "";
    *size = 0;
    return start;
  }
  if (static_cast<int64_t>(start) + length > Size()) return -1;
  const char* first = reinterpret_cast<const char*>(Data() + start);
  const void* zero = std::memchr(first, 0, static_cast<size_t>(length));
  *text = first;
  *size = zero ? static_cast<size_t>(static_cast<const char*>(zero) - first) : static_cast<size_t>(length);
  return start + length;
}

bool WriteChunkHeader(DataBlock& block) {
  return block.PutInt32(kChunkMagic) && block.PutInt32(kChunkVersion);
}

int32_t ReadChunkHeader(const DataBlock& block, int* position) {
  int32_t magic = 0;
  int next = block.GetInt32(&magic, *position);
  if (next < 0 || magic != kChunkMagic) return 0;
  int32_t version = 0;
  *position = block.GetInt32(&version, next);
  return *position < 0 ? 0 : version;
}
