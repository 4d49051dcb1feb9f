// Preset operations: the bank loaded at start-up and "Init Preset" (Vornell),
// the preset clipboard, the preset choice and the look into preset and bank
// files for the browser (VornellCommands).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "instrument/Vornell.h"
#include "instrument/VornellCommands.h"
#include "platform/Resources.h"
#include "programs/ParameterTable.h"

namespace {

// Resource of the built-in bank: an .fxb file image.
constexpr const char* kBuiltInBankType = "INIT";
constexpr const char* kBuiltInBankName = "PROGINIT";

// .fxp / .fxb layout (header integers big-endian).
constexpr int kFileTypeOffset = 8;
constexpr int kFileVersionOffset = 12;
constexpr int kFileIdOffset = 16;
constexpr int kProgramNameOffset = 28;
constexpr int kProgramNameSize = 28;
constexpr int kProgramChunkOffset = 60;
constexpr int kBankChunkOffset = 160;
// Larger files are not presets of this plug-in.
constexpr int64_t kMaxFileSize = int64_t{256} * 1024 * 1024;

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

bool ReadFile(const std::string& path, DataBlock& data) {
  if (path.empty()) return false;
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  const int64_t size = std::ftell(file.get());
  if (size < 0 || size > kMaxFileSize || std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  if (!data.Resize(static_cast<int>(size))) return false;
  return size == 0 || std::fread(data.Data(), 1, static_cast<size_t>(size), file.get()) == static_cast<size_t>(size);
}

bool BytesAt(const DataBlock& data, int position, const char* text) {
  char bytes[4];
  return data.GetBytes(bytes, 4, position) >= 0 && std::memcmp(bytes, text, 4) == 0;
}

bool Big32At(const DataBlock& data, int position, int32_t expected) {
  uint8_t be[4];
  if (data.GetBytes(be, 4, position) < 0) return false;
  const uint32_t value = (static_cast<uint32_t>(be[0]) << 24) | (static_cast<uint32_t>(be[1]) << 16) |
                         (static_cast<uint32_t>(be[2]) << 8) | static_cast<uint32_t>(be[3]);
  return static_cast<int32_t>(value) == expected;
}

// Appends the bytes of `data` from `position` (after a chunk header, if one stands there).
bool AppendChunk(const DataBlock& data, int position, DataBlock& block) {
  if (position > data.Size()) return false;
  ReadChunkHeader(data, &position);
  if (position < 0) return false;
  return block.PutBytes(data.Data() + position, data.Size() - position);
}

// The built-in bank as every instance applies it: read and its states decoded
// for replaying once in a process (the bytes are fixed), then only read.
struct BuiltInBank {
  // The resource, read in place; empty when it is missing or not a bank.
  DataBlock data;
  PresetBankImage image;
};

BuiltInBank ReadBuiltInBank(const IPlugBase& reader) {
  BuiltInBank built;
  const ResourceData bank = FindResource(kBuiltInBankType, kBuiltInBankName);
  if (!bank.Found() || bank.size <= static_cast<size_t>(kBankChunkOffset) || bank.size > static_cast<size_t>(INT32_MAX))
    return built;
  const DataBlock data = DataBlock::ReadOnlyView(bank.data, static_cast<int>(bank.size));
  int position = kBankChunkOffset;
  ReadChunkHeader(data, &position);
  if (position < 0) return built;
  built.data = data;
  reader.ReadPresetBank(data, position, built.image, true);
  return built;
}

// Any thread: the first caller reads it (with whichever instance asks), later
// ones wait for that and share the result. Nothing of the instance enters it.
const BuiltInBank& SharedBuiltInBank(const IPlugBase& reader) {
  static const BuiltInBank bank = ReadBuiltInBank(reader);
  return bank;
}

}  // namespace

bool Vornell::LoadStartupBank() {
  PluginLock lock(Mutex());
  if (!startupBankPath.empty() && LoadBankFile(startupBankPath)) return true;
  // Forgotten until the plug-in is created again.
  startupBankPath.clear();

  // Every instance's presets share the bank's states until one is written.
  const BuiltInBank& bank = SharedBuiltInBank(*this);
  if (bank.data.Size() == 0) return false;
  const int position = ApplySharedPresetBank(bank.data, bank.image);
  NotifyHostProgramChange();
  return position > 0;
}

void Vornell::InitializePreset() {
  PluginLock lock(Mutex());
  library.RestoreFactoryPrograms(-1);
  sequencer.SeqA().Clear();
  sequencer.SeqB().Clear();
  for (int i = 0; i < kParamFirstVoice; ++i) {
    const PlugParam* param = GetParam(i);
    SetParamNormalized(i, param->ToNormalized(param->Default()));
  }
  for (int t = 0; t < Engine::kTrackCount; ++t) programs.LoadProgramIntoTrack(t, programs.TrackProgramNumber(t));
  ModifyCurrentPreset("Vornell");
  NotifyHostProgramChange();
  RefreshParamControls();
  PushParamsToHost();
  ShowStatus("Preset initialized.", kStatusGreen);
  panelDirty = true;
}

void VornellCommands::CopyPreset() {
  PluginLock lock(plug.Mutex());
  plug.ModifyCurrentPreset();
  presetClipboardIndex = plug.GetCurrentPresetIndex();
  presetClipboard.Clear();
  plug.SaveState(presetClipboard);
}

void VornellCommands::PastePreset() {
  if (presetClipboard.Size() == 0) return;
  PluginLock lock(plug.Mutex());
  plug.LoadState(presetClipboard, 0);
  const std::string name = plug.GetPresetName(presetClipboardIndex);
  plug.ModifyCurrentPreset(name.c_str());
  plug.NotifyHostProgramChange();
  plug.RefreshParamControls();
  plug.PushParamsToHost();
}

bool VornellCommands::PeekProgramFile(const std::string& path, DataBlock& block) const {
  DataBlock data;
  if (!ReadFile(path, data)) return false;
  char field[kProgramNameSize + 1] = {};
  data.GetBytes(field, kProgramNameSize, kProgramNameOffset);
  std::string name(field, strnlen(field, kProgramNameSize));
  const bool ours = BytesAt(data, 0, "CcnK") && Big32At(data, kFileVersionOffset, 1) &&
                    Big32At(data, kFileIdOffset, kUniqueId) && BytesAt(data, kFileTypeOffset, "FPCh") &&
                    plug.IsChunkState();
  int position = kProgramChunkOffset;
  if (ours && position <= data.Size()) ReadChunkHeader(data, &position);
  // The browser shows the name a load gives the preset.
  if (ours && position >= 0) name = plug.ProgramFileName(name, data, position);
  block.PutText(name);
  block.PutByte(1);
  return ours && AppendChunk(data, kProgramChunkOffset, block);
}

bool VornellCommands::PeekBankFile(const std::string& path, DataBlock& block) const {
  DataBlock data;
  if (!ReadFile(path, data)) return false;
  if (!BytesAt(data, 0, "CcnK") || !BytesAt(data, kFileTypeOffset, "FBCh") ||
      !Big32At(data, kFileIdOffset, kUniqueId) || !plug.IsChunkState())
    return false;
  return AppendChunk(data, kBankChunkOffset, block);
}

void VornellCommands::ChoosePreset(int i) {
  PluginLock lock(plug.Mutex());
  // The preset being left keeps what was played in it.
  plug.ModifyCurrentPreset();
  plug.SelectPreset(i);
  plug.NotifyHostProgramChange();
  plug.PushParamsToHost();
}

const std::string& VornellCommands::StartupBankPath() const {
  return plug.startupBankPath;
}

void VornellCommands::SetStartupBankPath(const std::string& path) {
  plug.startupBankPath = path;
}
