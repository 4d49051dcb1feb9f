// IPlugBase: preset (.fxp) and bank (.fxb) files. Their header fields are
// 32-bit big-endian; the chunk inside is the plug-in's own little-endian data.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "plugin/IPlugBase.h"

namespace {

constexpr int32_t FourCC(char a, char b, char c, char d) {
  return static_cast<int32_t>(
      (static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
      (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

constexpr int32_t kMagicCcnK = FourCC('C', 'c', 'n', 'K');
constexpr int32_t kTypeProgramChunk = FourCC('F', 'P', 'C', 'h');
constexpr int32_t kTypeProgramParams = FourCC('F', 'x', 'C', 'k');
constexpr int32_t kTypeBankChunk = FourCC('F', 'B', 'C', 'h');
constexpr int32_t kTypeBankParams = FourCC('F', 'x', 'B', 'k');

constexpr int kProgramHeaderSize = 60;  // up to and including the chunk size
constexpr int kProgramParamsOffset = 56;
constexpr int kProgramNameOffset = 28;
constexpr int kProgramNameSize = 28;
constexpr int kBankHeaderSize = 160;
constexpr int kBankProgramsOffset = 156;
constexpr int kBankFutureSize = 124;
// Larger files are not presets of this plug-in; refusing them bounds the memory a bad file can take.
constexpr long kMaxFileSize = 256L * 1024 * 1024;

bool PutBig32(DataBlock& block, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  uint8_t be[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                   static_cast<uint8_t>(v)};
  return block.PutBytes(be, 4);
}

// False when the four bytes at position are not all inside the block.
bool GetBig32(const DataBlock& block, int position, int32_t* value) {
  uint8_t be[4];
  if (block.GetBytes(be, 4, position) < 0) return false;
  *value = static_cast<int32_t>((static_cast<uint32_t>(be[0]) << 24) | (static_cast<uint32_t>(be[1]) << 16) |
                                (static_cast<uint32_t>(be[2]) << 8) | static_cast<uint32_t>(be[3]));
  return true;
}

bool GetBigFloat(const DataBlock& block, int position, float* value) {
  int32_t bits = 0;
  if (!GetBig32(block, position, &bits)) return false;
  std::memcpy(value, &bits, 4);
  return true;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<FILE, FileCloser>;

bool ReadWholeFile(const std::string& path, DataBlock& data) {
  if (path.empty()) return false;
  FilePointer file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return false;
  long size = std::ftell(file.get());
  if (size < 0 || size > kMaxFileSize) return false;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
  if (!data.Resize(static_cast<int>(size))) return false;
  return size == 0 || std::fread(data.Data(), 1, static_cast<size_t>(size), file.get()) == static_cast<size_t>(size);
}

bool WriteWholeFile(const std::string& path, const DataBlock& data) {
  if (path.empty()) return false;
  FilePointer file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  // A full disk shows up at the write or at the close: either way the file is
  // incomplete and the save has failed.
  const size_t size = static_cast<size_t>(data.Size());
  const bool written = size == 0 || std::fwrite(data.Data(), 1, size, file.get()) == size;
  return std::fclose(file.release()) == 0 && written;
}

// Name field: up to the first zero byte, at most fieldSize characters.
std::string ReadNameField(const DataBlock& block, int position, int fieldSize) {
  char field[kProgramNameSize] = {};
  int size = std::min(fieldSize, kProgramNameSize);
  if (block.GetBytes(field, size, position) < 0) return std::string();
  return std::string(field, strnlen(field, static_cast<size_t>(size)));
}

}  // namespace

std::string IPlugBase::ProgramFileName(const std::string& field, const DataBlock& file, int position) const {
  // The field holds 27 characters of a longer name, which the state carries whole.
  if (field.size() < static_cast<size_t>(kProgramNameSize - 1)) return field;
  std::string stored = StoredPresetName(file, position);
  return stored.size() > field.size() && stored.compare(0, field.size(), field) == 0 ? stored : field;
}

// A bank file in the parameter-list form, checked; and, when it could be
// worked out before the lock is taken, what loading its programs in turn leaves.
struct ParamListBank {
  struct Program {
    int position = 0;  // of the record
    std::string name;
  };
  std::vector<Program> programs;
  int current = 0;  // the preset selected at the end
  // What the result depends on, as it was when it was worked out: the presets,
  // and the live state when the first program's slot takes it.
  std::vector<PlugPreset> seen;
  DataBlock live;
  // What the first presets hold after the loads.
  std::vector<PlugPreset> presets;
  // The presets whose stored states the loads go through, in turn, each
  // decoded for a replay (or null).
  std::vector<int> loads;
  std::vector<std::unique_ptr<PreparedReplay>> replays;
};

// --- writing -----------------------------------------------------------------------

bool IPlugBase::MakeProgramData(DataBlock& file) {
  PluginLock lock(Mutex());
  DataBlock chunk;
  if (!WriteChunkHeader(chunk) || !SaveState(chunk)) return false;
  char name[kProgramNameSize] = {};
  std::string presetName = GetPresetName(GetCurrentPresetIndex());
  std::memcpy(name, presetName.data(), std::min<size_t>(presetName.size(), kProgramNameSize - 1));
  file.Clear();
  return file.PutBytes("CcnK", 4) && PutBig32(file, kProgramHeaderSize + chunk.Size()) && file.PutBytes("FPCh", 4) &&
         PutBig32(file, 1) && PutBig32(file, kUniqueId) && PutBig32(file, kVendorVersionDecimal) &&
         PutBig32(file, NumParams()) && file.PutBytes(name, kProgramNameSize) && PutBig32(file, chunk.Size()) &&
         file.PutBlock(chunk);
}

bool IPlugBase::MakeBankData(DataBlock& file) {
  PluginLock lock(Mutex());
  DataBlock chunk;
  if (!WriteChunkHeader(chunk) || !SerializePresets(chunk)) return false;
  const uint8_t future[kBankFutureSize] = {};
  file.Clear();
  return file.PutBytes("CcnK", 4) && PutBig32(file, kBankHeaderSize + chunk.Size()) && file.PutBytes("FBCh", 4) &&
         PutBig32(file, 2) && PutBig32(file, kUniqueId) && PutBig32(file, kVendorVersionDecimal) &&
         PutBig32(file, NumPresets()) && PutBig32(file, GetCurrentPresetIndex()) &&
         file.PutBytes(future, kBankFutureSize) && PutBig32(file, chunk.Size()) && file.PutBlock(chunk);
}

bool IPlugBase::SaveProgramFile(const std::string& path) {
  if (path.empty()) return false;
  DataBlock file;
  if (!MakeProgramData(file)) return false;
  return WriteWholeFile(path, file);
}

bool IPlugBase::SaveBankFile(const std::string& path) {
  if (path.empty()) return false;
  DataBlock file;
  if (!MakeBankData(file)) return false;
  return WriteWholeFile(path, file);
}

// --- reading -----------------------------------------------------------------------

bool IPlugBase::LoadProgramFile(const std::string& path) {
  DataBlock file;
  if (!ReadWholeFile(path, file)) return false;
  return LoadProgramData(file);
}

bool IPlugBase::LoadBankFile(const std::string& path) {
  DataBlock file;
  if (!ReadWholeFile(path, file)) return false;
  return LoadBankData(file);
}

// The file is read and checked before the lock is taken, so that the audio
// thread runs on meanwhile; a file that cannot be read whole changes nothing.
bool IPlugBase::LoadProgramData(const DataBlock& file) {
  int32_t magic = 0, type = 0, version = 0, id = 0, count = 0;
  if (!GetBig32(file, 0, &magic) || !GetBig32(file, 8, &type) || !GetBig32(file, 12, &version) ||
      !GetBig32(file, 16, &id) || !GetBig32(file, 24, &count))
    return false;
  if (magic != kMagicCcnK || version != 1 || id != kUniqueId) return false;
  if (file.Size() < kProgramParamsOffset) return false;
  std::string name = ReadNameField(file, kProgramNameOffset, kProgramNameSize);

  if (type == kTypeProgramChunk && IsChunkState()) {
    if (file.Size() < kProgramHeaderSize) return false;
    int position = kProgramHeaderSize;
    ReadChunkHeader(file, &position);
    if (position < 0 || MeasureState(file, position) < 0) return false;
    name = ProgramFileName(name, file, position);
    PluginLock lock(Mutex());
    LoadState(file, position);
    FinishProgramLoad(name);
  } else if (type == kTypeProgramParams) {
    // Older or other versions may list fewer parameters; those given are taken,
    // the rest keep their values. The whole list must be present.
    if (count < 0) return false;
    const int used = std::min(count, NumParams());
    if (static_cast<int64_t>(kProgramParamsOffset) + 4 * static_cast<int64_t>(used) > file.Size()) return false;
    PluginLock lock(Mutex());
    for (int i = 0; i < used; ++i) {
      float value = 0.0f;
      GetBigFloat(file, kProgramParamsOffset + 4 * i, &value);
      GetParam(i)->SetFromNormalized(value);
    }
    FinishProgramLoad(name);
  } else {
    return false;
  }
  return true;
}

void IPlugBase::FinishProgramLoad(const std::string& name) {
  ModifyCurrentPreset(name.c_str());
  SelectPreset(GetCurrentPresetIndex());
  NotifyHostProgramChange();
}

// As LoadProgramData: read and checked before the lock is taken.
bool IPlugBase::LoadBankData(const DataBlock& file) {
  int32_t magic = 0, type = 0, id = 0;
  if (!GetBig32(file, 0, &magic) || !GetBig32(file, 8, &type) || !GetBig32(file, 16, &id)) return false;
  if (magic != kMagicCcnK || id != kUniqueId) return false;

  if (type == kTypeBankChunk) {
    if (file.Size() < kBankHeaderSize) return false;
    int position = kBankHeaderSize;
    ReadChunkHeader(file, &position);
    if (position < 0) return false;
    PresetBankImage image;
    ReadPresetBank(file, position, image, true);
    if (image.end < 0) return false;
    PluginLock lock(Mutex());
    ApplyPresetBank(file, image);
    NotifyHostProgramChange();
  } else if (type == kTypeBankParams) {
    int32_t programs = 0, current = 0;
    if (!GetBig32(file, 24, &programs) || !GetBig32(file, 28, &current) || programs < 0) return false;
    // Check every record before applying any, so a bad file changes nothing.
    ParamListBank bank;
    bank.current = current;
    int64_t position = kBankProgramsOffset;
    for (int32_t i = 0; i < programs; ++i) {
      int32_t recordMagic = 0, recordType = 0, recordVersion = 0, recordCount = 0;
      const int p = static_cast<int>(std::min<int64_t>(position, INT32_MAX - 64));
      if (position > file.Size() || !GetBig32(file, p, &recordMagic) || !GetBig32(file, p + 8, &recordType) ||
          !GetBig32(file, p + 12, &recordVersion) || !GetBig32(file, p + 24, &recordCount))
        return false;
      if (recordMagic != kMagicCcnK || recordType != kTypeProgramParams || recordVersion != 1 ||
          recordCount != NumParams())
        return false;
      const int64_t end = position + kProgramParamsOffset + 4 * static_cast<int64_t>(recordCount);
      if (end > file.Size()) return false;
      bank.programs.push_back({p, ReadNameField(file, p + kProgramNameOffset, kProgramNameSize)});
      position = end;
    }
    const bool prepared = PrepareParamListBank(file, bank);
    PluginLock lock(Mutex());
    if (!prepared || !ApplyParamListBank(file, bank)) LoadParamListPrograms(file, bank);
    NotifyHostProgramChange();
  } else {
    return false;
  }
  return true;
}

// --- parameter-list banks -----------------------------------------------------------

void IPlugBase::SetParamsFromProgramRecord(const DataBlock& file, int position) {
  for (int k = 0; k < NumParams(); ++k) {
    float value = 0.0f;
    GetBigFloat(file, position + kProgramParamsOffset + 4 * k, &value);
    GetParam(k)->SetFromNormalized(value);
  }
}

void IPlugBase::LoadParamListPrograms(const DataBlock& file, const ParamListBank& bank) {
  // Programs beyond the preset slots have nowhere to go and are skipped.
  for (size_t i = 0; i < bank.programs.size() && static_cast<int>(i) < NumPresets(); ++i) {
    if (!SelectPreset(static_cast<int>(i))) continue;
    SetParamsFromProgramRecord(file, bank.programs[i].position);
    ModifyCurrentPreset(bank.programs[i].name.c_str());
  }
  SelectPreset(bank.current);
}

// The loads, worked out: program i's slot, selected, loads its stored state
// (or, empty, takes the live state under a "user preset" name); then every
// parameter is set and the preset stored, so it holds the program's values
// with the rest of the state its selection left, and the next program starts
// from there. Only the copy of the presets and of the live state needs the lock.
bool IPlugBase::PrepareParamListBank(const DataBlock& file, ParamListBank& bank) {
  const int count = std::min(static_cast<int>(bank.programs.size()), NumPresets());
  if (count == 0) return false;
  // The parameters' ranges do not change after construction. A NaN leaves the
  // parameter as the load before it left it, which only the loads know.
  std::vector<std::vector<double>> values(static_cast<size_t>(count), std::vector<double>(NumParams()));
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < NumParams(); ++k) {
      float value = 0.0f;
      GetBigFloat(file, bank.programs[static_cast<size_t>(i)].position + kProgramParamsOffset + 4 * k, &value);
      if (std::isnan(value)) return false;
      values[static_cast<size_t>(i)][static_cast<size_t>(k)] = GetParam(k)->ValueFromNormalized(value);
    }
  }
  {
    PluginLock lock(mutex);
    bank.seen = presets;
    if (!presets.front().initialized && !SaveState(bank.live)) return false;
  }
  std::vector<PlugPreset> slots(bank.seen.size());  // names and flags as the loads change them
  for (size_t i = 0; i < slots.size(); ++i) {
    slots[i].name = bank.seen[i].name;
    slots[i].initialized = bank.seen[i].initialized;
  }
  const DataBlock* rest = &bank.live;  // where the state apart from the parameters comes from
  bool loaded = false;
  bank.presets.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const PlugPreset& old = bank.seen[static_cast<size_t>(i)];
    PlugPreset& slot = slots[static_cast<size_t>(i)];
    if (old.initialized) {
      if (MeasureState(old.state, 0) <= 0) return false;
      bank.loads.push_back(i);
      bank.replays.push_back(PrepareReplay(old.state, 0));
      rest = &old.state;
      loaded = true;
    } else {
      slot.name = UserPresetName(slots);
      slot.initialized = true;
    }
    PlugPreset& result = bank.presets[static_cast<size_t>(i)];
    // Stored under the name the slot has when it is stored.
    if (!ComposeState(*rest, 0, loaded, i, slot.name, values[static_cast<size_t>(i)], result.state)) return false;
    const std::string& name = bank.programs[static_cast<size_t>(i)].name;
    if (!name.empty()) slot.name = name.substr(0, kPresetNameLength);
    result.name = slot.name;
    result.initialized = true;
  }
  return true;
}

bool IPlugBase::ApplyParamListBank(const DataBlock& file, ParamListBank& bank) {
  // The loads were worked out from these; another thread may have changed them since.
  for (size_t i = 0; i < presets.size(); ++i) {
    const PlugPreset& now = presets[i];
    const PlugPreset& then = bank.seen[i];
    if (now.initialized != then.initialized || now.name != then.name || !(now.state == then.state)) return false;
  }
  if (bank.live.Size() > 0) {
    DataBlock live;
    if (!SaveState(live) || !(live == bank.live)) return false;
  }
  const int count = static_cast<int>(bank.presets.size());
  const int current = bank.current;
  const PlugPreset* target =
      current >= 0 && current < count ? &bank.presets[static_cast<size_t>(current)] : GetPreset(current);
  // When the selection at the end loads a whole state, the loads before it
  // are only replayed, as for a bank chunk; otherwise the last one stands.
  const bool targetWhole = target && target->initialized && MeasureState(target->state, 0) > 0;
  for (size_t n = 0; n < bank.loads.size(); ++n) {
    const DataBlock& state = presets[static_cast<size_t>(bank.loads[n])].state;
    if (n + 1 == bank.loads.size() && !targetWhole)
      LoadState(state, 0);
    else if (bank.replays[n])
      ReplayPrepared(*bank.replays[n]);
    else
      ReplayState(state, 0);
  }
  for (int i = 0; i < count; ++i) {
    PlugPreset& slot = presets[static_cast<size_t>(i)];
    PlugPreset& result = bank.presets[static_cast<size_t>(i)];
    std::swap(slot.state, result.state);
    std::swap(slot.name, result.name);
    slot.initialized = true;
  }
  // The last program's selection showed on the controls the values of that
  // moment: those its stored state loaded or, when its slot took the live
  // state, the program's before it. Then its own values are set.
  const int last = count - 1;
  currentPreset = last;
  if (!bank.seen[static_cast<size_t>(last)].initialized && last > 0)
    SetParamsFromProgramRecord(file, bank.programs[static_cast<size_t>(last - 1)].position);
  OnPresetsChanged();
  RefreshParamControls();
  SetParamsFromProgramRecord(file, bank.programs[static_cast<size_t>(last)].position);
  SelectPreset(current);
  return true;
}
