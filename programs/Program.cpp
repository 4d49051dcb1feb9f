#include "programs/Program.h"

#include <utility>

#include "plugin/DataBlock.h"

namespace {

struct PackedField {
  int value;     // k
  int firstBit;  // bit position in the 128-bit packed form
  int width;     // bits
  int shift;     // low bits of the 8-bit value that the packed form drops
};

// Switches are one-bit fields without shift; "Coarse Frequency" is stored
// unshifted, so it keeps its low six bits instead of its high ones.
constexpr PackedField kPackedFields[] = {
    {0, 0, 6, 0},    {1, 6, 5, 3},    {2, 11, 4, 4},   {4, 15, 4, 4},   {6, 19, 4, 4},   {7, 23, 4, 4},
    {8, 27, 4, 4},   {9, 31, 4, 4},   {13, 35, 6, 2},  {15, 41, 4, 4},  {16, 45, 5, 3},  {18, 50, 5, 3},
    {19, 55, 7, 1},  {20, 62, 6, 2},  {21, 68, 4, 4},  {23, 72, 4, 4},  {24, 76, 4, 4},  {25, 80, 4, 4},
    {26, 84, 4, 4},  {29, 88, 6, 2},  {34, 94, 4, 4},  {30, 98, 4, 4},  {31, 102, 4, 4}, {32, 106, 4, 4},
    {33, 110, 4, 4}, {10, 114, 1, 0}, {11, 115, 1, 0}, {12, 116, 1, 0}, {5, 117, 1, 0},  {22, 118, 1, 0},
    {35, 119, 1, 0}, {17, 120, 1, 0}, {3, 121, 1, 0},  {14, 122, 1, 0}, {27, 123, 1, 0}, {28, 124, 2, 6},
};

void PutBits(PackedProgram& packed, int firstBit, int width, unsigned field) {
  for (int i = 0; i < width; ++i) {
    const int bit = firstBit + i;
    if ((field >> i) & 1u) packed.bytes[bit / 8] = static_cast<uint8_t>(packed.bytes[bit / 8] | (1u << (bit % 8)));
  }
}

unsigned GetBits(const PackedProgram& packed, int firstBit, int width) {
  unsigned field = 0;
  for (int i = 0; i < width; ++i) {
    const int bit = firstBit + i;
    field |= ((packed.bytes[bit / 8] >> (bit % 8)) & 1u) << i;
  }
  return field;
}

}  // namespace

PackedProgram PackProgram(const ProgramValues& values) {
  PackedProgram packed;  // all zero, so bits 126 and 127 stay clear
  for (const PackedField& f : kPackedFields) {
    const unsigned field = (static_cast<unsigned>(values[f.value]) >> f.shift) & ((1u << f.width) - 1u);
    PutBits(packed, f.firstBit, f.width, field);
  }
  return packed;
}

void UnpackProgram(const PackedProgram& packed, ProgramValues& values) {
  for (const PackedField& f : kPackedFields) {
    values[f.value] = static_cast<uint8_t>((GetBits(packed, f.firstBit, f.width) << f.shift) & 255u);
  }
  values[kAmpVelocityValue] = 0;
}

bool WriteProgramRecord(const Program& program, DataBlock& block) {
  bool ok = block.PutByte(program.number);
  ok = ok && block.PutText(program.name);
  ok = ok && block.PutBytes(program.values.data(), kProgramValueCount);
  return ok;
}

int SkipProgramRecord(const DataBlock& block, int position) {
  uint8_t number = 0;
  int next = block.GetByte(&number, position);
  int32_t nameLength = 0;
  if (next >= 0) next = block.GetInt32(&nameLength, next);
  if (next < 0 || nameLength < 0 || number >= kProgramCount) return -1;
  const int64_t end = int64_t{next} + nameLength + kProgramValueCount;
  return end <= block.Size() ? static_cast<int>(end) : -1;
}

int ReadProgramRecord(Program& program, const DataBlock& block, int position) {
  // The whole record is read before the program changes, so that a record cut
  // short never leaves a half-replaced program behind. The name is copied into
  // the program's own storage: within its capacity nothing is allocated (a
  // MIDI program change reads 100 records on the audio thread).
  uint8_t number = 0;
  int next = block.GetByte(&number, position);
  int32_t nameLength = 0;
  if (next >= 0) next = block.GetInt32(&nameLength, next);
  // DataBlock texts treat a negative length as empty; a record never has one,
  // so it marks damaged data here.
  if (next < 0 || nameLength < 0) return -1;
  // So is a program number past the library's last slot.
  if (number >= kProgramCount) return -1;
  const char* name = nullptr;
  size_t nameSize = 0;
  next = block.GetTextView(&name, &nameSize, next - 4);
  if (next < 0) return -1;
  ProgramValues values{};
  next = block.GetBytes(values.data(), kProgramValueCount, next);
  if (next < 0) return -1;
  program.number = number;
  program.name.assign(name, nameSize);
  program.values = values;
  return next;
}
