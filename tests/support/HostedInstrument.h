#pragma once
// The real instrument behind its VST2 adapter, started the way a host starts
// it before processing, and a host's MIDI event list for effProcessEvents.
#include <cstdint>
#include <vector>

#include "instrument/Vornell.h"
#include "plugin/VstAbi.h"

// A host that answers only the version query (2.4).
intptr_t QuietHostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

// A host with a transport: it also answers audioMasterGetTime with
// transportTime (one for the whole program: a test drives one such instrument
// at a time), whose flags say what is valid and whether it plays.
intptr_t TransportHostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
extern VstTimeInfo transportTime;
// Moves a playing transport on by frames at its tempo and sample rate.
void AdvanceTransport(int32_t frames);

// effOpen, the sample rate, the block size and effMainsChanged on.
void StartLikeAHost(AEffect* effect, double rate, int32_t blockSize);

// A new instrument with the quiet host (or the given one), started; effClose
// at the end deletes it.
class HostedInstrument {
 public:
  HostedInstrument(double rate, int32_t blockSize, VstHostCallback host = &QuietHostCallback);
  ~HostedInstrument();
  HostedInstrument(const HostedInstrument&) = delete;
  HostedInstrument& operator=(const HostedInstrument&) = delete;

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

  Vornell* plug;
  AEffect* effect;
};

// Room for a fixed number of MIDI events, allocated up front so that filling
// and handing over the list takes nothing from the heap.
class MidiList {
 public:
  static constexpr int kCapacity = 32;
  explicit MidiList(int capacity = kCapacity);

  void Clear() { count = 0; }
  bool Empty() const { return count == 0; }
  bool Full() const { return count == static_cast<int>(events.size()); }
  // Events past the capacity are dropped.
  void Add(int status, int data1, int data2, int32_t delta);
  VstEvents* Events();

 private:
  std::vector<uint8_t> storage;
  std::vector<VstMidiEvent> events;
  int count = 0;
};
