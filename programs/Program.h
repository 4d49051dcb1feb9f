#pragma once
// One library program (a sound of 37 voice values), its packed 16-byte form as
// the hardware exchanges it, and its record layout inside a DataBlock (used by
// the enhanced SysEx data and, 100 times, by the state chunk).
//
// Pure functions on plain data; safe on any thread for distinct objects.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class DataBlock;

constexpr int kProgramCount = 100;
constexpr int kProgramValueCount = 37;
constexpr int kPackedProgramSize = 16;
// Name storage every library slot keeps, so that reading a state (a MIDI
// program change does, on the audio thread) allocates nothing for names up to
// this length.
constexpr size_t kProgramNameRoom = 64;

// The 37 values are indexed k = 0..36 in the order of the voice parameters
// (parameter 81 + 37 t + k of track t); "Amp Velocity" is k = 36.
constexpr int kAmpVelocityValue = 36;

using ProgramValues = std::array<uint8_t, kProgramValueCount>;

struct Program {
  uint8_t number = 0;  // the slot's program number, 0..99
  std::string name;
  ProgramValues values{};

  bool operator==(const Program& other) const = default;
};

// 128 bits; bit n is bit (n mod 8) of byte (n div 8).
struct PackedProgram {
  std::array<uint8_t, kPackedProgramSize> bytes{};

  bool operator==(const PackedProgram& other) const = default;
};

// Numeric values lose their low bits, switches keep bit 0, "Coarse Frequency"
// keeps its low 6 bits; "Amp Velocity" is not packed at all.
PackedProgram PackProgram(const ProgramValues& values);
// The dropped low bits come back as zero and "Amp Velocity" as 0.
void UnpackProgram(const PackedProgram& packed, ProgramValues& values);

// Appends number, name (32-bit length and bytes) and the 37 values. True when
// every append succeeded.
bool WriteProgramRecord(const Program& program, DataBlock& block);
// Reads a record at `position`; returns the position after it, or -1 when the
// position is negative or any field (a negative name length included) does not
// fit. On failure the program is left exactly as it was.
int ReadProgramRecord(Program& program, const DataBlock& block, int position);
// The position ReadProgramRecord would return, reading nothing into a program.
int SkipProgramRecord(const DataBlock& block, int position);
