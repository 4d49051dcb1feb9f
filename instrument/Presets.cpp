// Vornell's preset operations: the bank loaded at start-up, "Init Preset", the
// preset clipboard, and the look into preset and bank files for the browser.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/Resources.h"
#include "instrument/Vornell.h"
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

}  // namespace

bool Vornell::LoadStartupBank() {
  PluginLock lock(Mutex());
  if (!startupBankPath.empty() && LoadBankFile(startupBankPath)) return true;
  // Forgotten until the plug-in is created again.
  startupBankPath.clear();

  const ResourceData bank = FindResource(kBuiltInBankType, kBuiltInBankName);
  if (!bank.Found() || bank.size <= static_cast<size_t>(kBankChunkOffset) || bank.size > static_cast<size_t>(INT32_MAX))
    return false;
  DataBlock data;
  if (!data.PutBytes(bank.data, static_cast<int>(bank.size))) return false;
  int position = kBankChunkOffset;
  ReadChunkHeader(data, &position);
  if (position < 0) return false;
  position = UnserializePresets(data, position);
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
  for (int t = 0; t < Engine::kTrackCount; ++t) LoadProgramIntoTrack(t, TrackProgramNumber(t));
  ModifyCurrentPreset("Vornell");
  NotifyHostProgramChange();
  RefreshParamControls();
  PushParamsToHost();
  ShowStatus("Preset initialized.", kStatusGreen);
  panelDirty = true;
}

void Vornell::CopyPreset() {
  PluginLock lock(Mutex());
  ModifyCurrentPreset();
  presetClipboardIndex = GetCurrentPresetIndex();
  presetClipboard.Clear();
  SaveState(presetClipboard);
}

void Vornell::PastePreset() {
  if (presetClipboard.Size() == 0) return;
  PluginLock lock(Mutex());
  LoadState(presetClipboard, 0);
  const std::string name = GetPresetName(presetClipboardIndex);
  ModifyCurrentPreset(name.c_str());
  NotifyHostProgramChange();
  RefreshParamControls();
  PushParamsToHost();
}

bool Vornell::PeekProgramFile(const std::string& path, DataBlock& block) const {
  DataBlock data;
  if (!ReadFile(path, data)) return false;
  char field[kProgramNameSize + 1] = {};
  data.GetBytes(field, kProgramNameSize, kProgramNameOffset);
  block.PutText(std::string(field, strnlen(field, kProgramNameSize)));
  block.PutByte(1);
  if (!BytesAt(data, 0, "CcnK") || !Big32At(data, kFileVersionOffset, 1) || !Big32At(data, kFileIdOffset, kUniqueId) ||
      !BytesAt(data, kFileTypeOffset, "FPCh") || !IsChunkState())
    return false;
  return AppendChunk(data, kProgramChunkOffset, block);
}

bool Vornell::PeekBankFile(const std::string& path, DataBlock& block) const {
  DataBlock data;
  if (!ReadFile(path, data)) return false;
  if (!BytesAt(data, 0, "CcnK") || !BytesAt(data, kFileTypeOffset, "FBCh") ||
      !Big32At(data, kFileIdOffset, kUniqueId) || !IsChunkState())
    return false;
  return AppendChunk(data, kBankChunkOffset, block);
}

void Vornell::ChoosePreset(int i) {
  PluginLock lock(Mutex());
  // The preset being left keeps what was played in it.
  ModifyCurrentPreset();
  SelectPreset(i);
  NotifyHostProgramChange();
  PushParamsToHost();
}
