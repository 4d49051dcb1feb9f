// Writes the seed corpus of every fuzz target with the project's own writers:
//   vornell_fuzz_seeds <corpus folder>   (one subfolder per target)
// Each seed starts with the byte that selects the target's reader, as the
// targets expect it.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "fuzz/VstFuzzHost.h"
#include "instrument/Vornell.h"
#include "platform/IniDocument.h"
#include "programs/ProgramLibrary.h"
#include "programs/StateChunk.h"
#include "sequencer/MidiFile.h"
#include "sequencer/Sequence.h"

namespace {
using Bytes = std::vector<uint8_t>;

std::string root;
bool failed = false;

void Write(const std::string& target, const std::string& name, uint8_t selector, const uint8_t* data, size_t size) {
  const std::string folder = root + "/" + target;
  mkdir(folder.c_str(), 0755);
  Bytes bytes{selector};
  bytes.insert(bytes.end(), data, data + size);
  if (!FuzzWriteFile(folder + "/" + name, bytes.data(), bytes.size())) {
    std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name.c_str());
    failed = true;
  }
}
void Write(const std::string& target, const std::string& name, uint8_t selector, const Bytes& data) {
  Write(target, name, selector, data.data(), data.size());
}
void Write(const std::string& target, const std::string& name, uint8_t selector, const DataBlock& data) {
  Write(target, name, selector, data.Data(), static_cast<size_t>(data.Size()));
}

void PutBig32(Bytes& bytes, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}
void PutBigFloat(Bytes& bytes, float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, 4);
  PutBig32(bytes, bits);
}

// A preset as a plain parameter list ("FxCk"), the form other programs write.
Bytes ParameterProgram(const Vornell& plug, const char* name) {
  Bytes bytes;
  PutBig32(bytes, 0x43636e4b);  // CcnK
  PutBig32(bytes, static_cast<uint32_t>(52 + 4 * plug.NumParams()));
  PutBig32(bytes, 0x4678436b);  // FxCk
  PutBig32(bytes, 1);
  PutBig32(bytes, static_cast<uint32_t>(kUniqueId));
  PutBig32(bytes, static_cast<uint32_t>(kVendorVersionDecimal));
  PutBig32(bytes, static_cast<uint32_t>(plug.NumParams()));
  char field[28] = {};
  std::strncpy(field, name, sizeof field - 1);
  bytes.insert(bytes.end(), field, field + sizeof field);
  for (int i = 0; i < plug.NumParams(); ++i)
    PutBigFloat(bytes, static_cast<float>(plug.GetParam(i)->NormalizedValue()));
  return bytes;
}

Bytes ParameterBank(const Vornell& plug, int programs) {
  Bytes bytes;
  PutBig32(bytes, 0x43636e4b);  // CcnK
  const size_t sizeAt = bytes.size();
  PutBig32(bytes, 0);
  PutBig32(bytes, 0x4678426b);  // FxBk
  PutBig32(bytes, 1);
  PutBig32(bytes, static_cast<uint32_t>(kUniqueId));
  PutBig32(bytes, static_cast<uint32_t>(kVendorVersionDecimal));
  PutBig32(bytes, static_cast<uint32_t>(programs));
  bytes.resize(bytes.size() + 128, 0);
  for (int p = 0; p < programs; ++p) {
    const Bytes program = ParameterProgram(plug, ("Program " + std::to_string(p)).c_str());
    bytes.insert(bytes.end(), program.begin(), program.end());
  }
  const uint32_t size = static_cast<uint32_t>(bytes.size() - 8);
  for (int i = 0; i < 4; ++i) bytes[sizeAt + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  return bytes;
}

void PresetSeeds(Vornell& plug) {
  std::lock_guard lock(plug.Mutex());
  DataBlock program, bank, presets, params;
  plug.MakeProgramData(program);
  Write("preset_files", "program-chunk.fxp", 0, program);
  Write("preset_files", "program-params.fxp", 0, ParameterProgram(plug, "Plain"));
  plug.MakeBankData(bank);
  Write("preset_files", "bank-chunk.fxb", 1, bank);
  Write("preset_files", "bank-params.fxb", 1, ParameterBank(plug, 3));
  plug.SerializePresets(presets);
  Write("preset_files", "presets.bin", 2, presets);
  plug.SerializeParams(params);
  Write("preset_files", "params.bin", 3, params);
}

void StateSeeds(Vornell& plug) {
  std::lock_guard lock(plug.Mutex());
  DataBlock state;
  plug.SaveState(state);
  Write("state", "state.bin", 0, state);
  Write("state", "summary.bin", 1, state);
  DataBlock program, bank;
  plug.MakeProgramData(program);
  Write("state", "peek.fxp", 2, program);
  plug.MakeBankData(bank);
  Write("state", "peek.fxb", 3, bank);
}

Bytes HostChunk(Vornell& plug, int32_t index) {
  void* data = nullptr;
  const intptr_t size = FuzzDispatch(plug, effGetChunk, index, 0, &data);
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return size > 0 && bytes ? Bytes(bytes, bytes + size) : Bytes();
}

// Layout read by the text target: an operation byte, then its fields.
struct TextScript {
  Bytes bytes;
  void Index(uint16_t index) {
    bytes.insert(bytes.end(), {0, static_cast<uint8_t>(index + 20), static_cast<uint8_t>((index + 20) >> 8)});
  }
  void Text(const std::string& text) {
    bytes.push_back(static_cast<uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
  }
  void Op(uint8_t op) { bytes.push_back(op); }
};

void VstSeeds() {
  const std::unique_ptr<Vornell> instrument = MakeFuzzInstrument(false);
  Vornell& plug = *instrument;
  Write("vst_chunk", "bank.chunk", 0, HostChunk(plug, 0));
  Write("vst_chunk", "program.chunk", 1, HostChunk(plug, 1));
  Write("vst_chunk", "bank-to-program-host.chunk", 3, HostChunk(plug, 0));
  Write("vst_chunk", "program-to-program-host.chunk", 3, HostChunk(plug, 1));
  DataBlock state;
  {
    std::lock_guard lock(plug.Mutex());
    plug.SaveState(state);
  }
  Write("vst_chunk", "headerless-state.chunk", 1, state);

  // Values typed in for parameters of every kind, names, capability queries.
  TextScript typed;
  const char* const values[] = {"0.5", "-12", "On", "Off", "1e3", " 7", "100 %", "+3.25", "x", ""};
  for (int i = 0; i < plug.NumParams(); i += 7) {
    typed.Op(0);
    typed.Index(static_cast<uint16_t>(i));
    typed.Text(values[(i / 7) % 10]);
    typed.Op(4);
    typed.Index(static_cast<uint16_t>(i));
  }
  Write("vst_text", "typed-values.bin", typed.bytes[0], Bytes(typed.bytes.begin() + 1, typed.bytes.end()));

  TextScript names;
  names.Op(1);
  names.Text("A preset name that is longer than any host buffer for it");
  names.Op(2);
  names.Text("receiveVstMidiEvent");
  names.Op(6);
  names.Index(3);
  names.Op(3);
  names.Index(81);
  names.Op(5);
  names.Index(302);
  names.Op(7);
  names.Index(40);
  names.bytes.insert(names.bytes.end(), {0, 0, 0, 0x3f});  // 0.5f
  names.Op(9);
  names.Index(0);
  names.Index(60);
  names.Op(11);
  Write("vst_text", "names.bin", names.bytes[0], Bytes(names.bytes.begin() + 1, names.bytes.end()));
}

// A few programs with enhanced data, and between them another maker's message,
// stray data bytes and a message cut short by the next one.
Bytes SysExWithForeignMessages(ProgramLibrary& library) {
  Bytes bytes;
  const Bytes foreign = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7, 0x12, 0x34};
  for (int p : {0, 3, 45, 1}) {
    const Bytes messages = library.BuildSysEx(p);
    bytes.insert(bytes.end(), messages.begin(), messages.end());
    bytes.insert(bytes.end(), foreign.begin(), foreign.end());
  }
  const Bytes cut = library.BuildSysEx(7);
  bytes.insert(bytes.end(), cut.begin(), cut.begin() + 20);
  const Bytes last = library.BuildSysEx(99);
  bytes.insert(bytes.end(), last.begin(), last.end());
  return bytes;
}

void SysExSeeds(Vornell& plug) {
  ProgramLibrary& library = plug.Library();
  library.saveEnhancedPrograms = true;
  Write("sysex", "bank-enhanced.syx", 255, library.BuildSysEx(-1));
  Write("sysex", "program-enhanced.syx", 7, library.BuildSysEx(12));
  Write("sysex", "list-enhanced.syx", 253, library.BuildSysEx(-1));
  Write("sysex", "bank-foreign.syx", 255, SysExWithForeignMessages(library));
  Write("sysex", "list-foreign.syx", 253, SysExWithForeignMessages(library));
  library.saveEnhancedPrograms = false;
  Write("sysex", "bank-plain.syx", 254, library.BuildSysEx(-1));
  Write("sysex", "program-plain.syx", 42, library.BuildSysEx(3));
  Write("sysex", "list-plain.syx", 252, library.BuildSysEx(-1));
  library.saveEnhancedPrograms = true;
}

void MidiSeeds() {
  Sequence sequence;
  sequence.length = 4 * Sequence::kDefaultPpq * 2;
  const uint8_t notes[] = {60, 64, 67, 72, 48};
  int32_t tick = 0;
  for (int i = 0; i < 12; ++i) {
    const uint8_t channel = static_cast<uint8_t>(i % 6);
    SequenceEvent on{tick, static_cast<uint8_t>(0x90 | channel), notes[i % 5], static_cast<uint8_t>(40 + i * 7)};
    SequenceEvent off{tick + 90, static_cast<uint8_t>(0x80 | channel), notes[i % 5], 0};
    sequence.AddEvent(on);
    sequence.AddEvent(off);
    tick += 120;
  }
  Bytes file;
  BuildMidiFile(sequence, false, file);
  Write("midi_file", "type0.mid", 0, file);
  BuildMidiFile(sequence, true, file);
  Write("midi_file", "type1.mid", 2, file);
  DataBlock stored;
  sequence.Serialize(stored);
  Write("midi_file", "stored.seq", 1, stored);
  Sequence empty;
  DataBlock emptyStored;
  empty.Serialize(emptyStored);
  Write("midi_file", "stored-empty.seq", 1, emptyStored);
}

// Layout read by the INI target: three texts ending in a backslash and a
// blank, then the file text, then the selector as the last byte.
void IniSeed(const std::string& name, bool configuration, const std::string& section, const std::string& key,
             const std::string& value, const std::string& text) {
  const std::string input = section + "\\ " + key + "\\ " + value + "\\ " + text;
  Bytes bytes(input.begin() + 1, input.end());
  bytes.push_back(configuration ? 1 : 0);
  Write("ini", name, static_cast<uint8_t>(input[0]), bytes);
}

void IniSeeds() {
  IniDocument document;
  document.SetString("Startup Bank", "File", "/home/user/banks/live.fxb");
  document.SetString("Editor", "Show Configuration At Startup", "true");
  document.SetString("Parameter", "Receive Parameter CCs", "false");
  document.SetString("Global", "Path to Preset Files", "/home/user/presets");
  document.SetString("Global", "Save Enhanced Prgs", "TRUE");
  document.SetString("MIDI Global", "MIDI Thru", "false");
  document.SetString("MIDI Control", "CC7", "4");
  document.SetString("MIDI Control", "CC74", "302");
  document.SetString("Config Templates", "T1", "Bass and Lead,1,2,17,18,18,18,0,1,1,1,1,1,1,0,0,0,0,0");
  document.SetString("Config Templates", "T2", "Single Poly,1,18,18,18,18,18,1,1,1,1,1,1,0,0,0,0,0,0");
  const std::string text = "; settings\r\n" + document.Text();
  IniSeed("configuration.ini", true, "MIDI Control", "CC1", "12", text);
  IniSeed("document.ini", false, "Global", "Path to Program Files", " quoted \"value\" ", text);
  IniSeed("empty.ini", true, "A", "B", "C", "");
}

// Operations in FuzzEngineOp's layout.
struct EngineScript {
  Bytes bytes;
  void Reset(uint8_t rate, uint16_t block) {
    bytes.insert(bytes.end(), {kFuzzReset, rate, static_cast<uint8_t>(block), static_cast<uint8_t>(block >> 8)});
  }
  void Midi(uint32_t offset, uint8_t status, uint8_t data1, uint8_t data2) {
    bytes.insert(bytes.end(),
                 {kFuzzMidi, 0, static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                  static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24), status, data1, data2});
  }
  void Block(uint16_t frames) {
    bytes.insert(bytes.end(), {kFuzzBlock, static_cast<uint8_t>(frames), static_cast<uint8_t>(frames >> 8)});
  }
  void Param(uint16_t index, uint16_t value) {
    bytes.insert(bytes.end(), {kFuzzEditorParam, static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8),
                               static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
  }
  void Mode(uint8_t mode) { bytes.insert(bytes.end(), {kFuzzMode, mode}); }
};

void EngineSeeds() {
  // The reader takes its first bytes as a reset; the selector byte Write adds is its rate choice.
  EngineScript chords;
  chords.bytes = {0x00, 0x02};  // block size 512
  for (uint8_t c = 0; c < 6; ++c)
    chords.Midi(c * 16u, static_cast<uint8_t>(0x90 | c), static_cast<uint8_t>(48 + c * 4), 100);
  chords.Block(0xffff);
  chords.Midi(3, 0xb0, 1, 90);   // modulation
  chords.Midi(9, 0xe0, 0, 100);  // pitch bend
  chords.Block(300);
  chords.Param(81, 60000);
  chords.Param(100, 1000);
  chords.Block(0xffff);
  for (uint8_t c = 0; c < 6; ++c) chords.Midi(5, static_cast<uint8_t>(0x80 | c), static_cast<uint8_t>(48 + c * 4), 0);
  chords.Block(1024);
  Write("engine_midi", "chords.bin", 0, chords.bytes);

  EngineScript modes;
  modes.bytes = {0x40, 0x00};  // block size 64
  for (uint8_t mode = 0; mode < 7; ++mode) {
    modes.Mode(mode);
    modes.Midi(0, 0x90, 60, 127);
    modes.Midi(0, 0x95, 67, 80);
    modes.Midi(10, 0xb0, 64, 127);  // sustain
    modes.Block(64);
    modes.Midi(20, 0xc0, mode, 0);  // program change
    modes.Midi(0, 0x80, 60, 0);
    modes.Block(64);
  }
  modes.Midi(0, 0xb0, 123, 0);  // all notes off
  modes.Midi(0, 0xb0, 120, 0);  // all sound off
  modes.Block(0xffff);
  Write("engine_midi", "modes.bin", 2, modes.bytes);

  EngineScript odd;
  odd.bytes = {0x01, 0x00};              // block size 1
  odd.Midi(0xfffffff0u, 0x90, 64, 100);  // far past the block
  odd.Block(1);
  odd.Midi(0, 0xf0, 0xf7, 0);
  odd.Block(0);
  odd.Reset(4, 8192);
  odd.Midi(8000, 0x91, 30, 1);
  odd.Block(8192);
  Write("engine_midi", "odd.bin", 4, odd.bytes);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  root = argv[1];
  mkdir(root.c_str(), 0755);
  // Two initialized presets, the rest empty: banks stay small enough to fuzz quickly.
  VornellStartup startup;
  startup.loadPresetBank = false;
  Vornell* plug = new Vornell(startup);
  {
    std::lock_guard lock(plug->Mutex());
    plug->SelectPreset(1);
    plug->SelectPreset(0);
  }
  PresetSeeds(*plug);
  StateSeeds(*plug);
  SysExSeeds(*plug);
  MidiSeeds();
  VstSeeds();
  IniSeeds();
  EngineSeeds();
  delete plug;
  return failed ? 1 : 0;
}
