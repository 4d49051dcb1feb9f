#include "tests/support/HostedInstrument.h"

#include <cstddef>

intptr_t QuietHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

VstTimeInfo transportTime{};

intptr_t TransportHostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterGetTime) return reinterpret_cast<intptr_t>(&transportTime);
  return opcode == audioMasterVersion ? 2400 : 0;
}

void AdvanceTransport(int32_t frames) {
  if (!(transportTime.flags & kVstTransportPlaying)) return;
  transportTime.samplePos += frames;
  transportTime.ppqPos += frames / transportTime.sampleRate * transportTime.tempo / 60.0;
}

void StartLikeAHost(AEffect* effect, double rate, int32_t blockSize) {
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  effect->dispatcher(effect, effSetBlockSize, 0, blockSize, nullptr, 0.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
}

HostedInstrument::HostedInstrument(double rate, int32_t blockSize, VstHostCallback host)
    : plug(new Vornell(host)), effect(plug->GetAEffect()) {
  StartLikeAHost(effect, rate, blockSize);
}

HostedInstrument::~HostedInstrument() {
  Dispatch(effClose);
}

intptr_t HostedInstrument::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

MidiList::MidiList(int capacity)
    : storage(offsetof(VstEvents, events) + sizeof(VstEvent*) * static_cast<size_t>(capacity)),
      events(static_cast<size_t>(capacity)) {}

void MidiList::Add(int status, int data1, int data2, int32_t delta) {
  if (Full()) return;
  VstMidiEvent& e = events[static_cast<size_t>(count++)];
  e = VstMidiEvent{};
  e.type = kVstMidiType;
  e.byteSize = sizeof(VstMidiEvent);
  e.deltaFrames = delta;
  e.midiData[0] = static_cast<char>(status);
  e.midiData[1] = static_cast<char>(data1);
  e.midiData[2] = static_cast<char>(data2);
}

VstEvents* MidiList::Events() {
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = count;
  VstEvent** pointers = reinterpret_cast<VstEvent**>(storage.data() + offsetof(VstEvents, events));
  for (int i = 0; i < count; ++i) pointers[i] = reinterpret_cast<VstEvent*>(&events[static_cast<size_t>(i)]);
  return list;
}
