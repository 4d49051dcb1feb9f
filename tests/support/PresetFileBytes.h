#pragma once
// Preset (.fxp) and bank (.fxb) files built byte by byte, in the forms other
// hosts and plug-ins write: big-endian header fields, 28-byte name fields.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/IPlugBase.h"

inline void PutBig(std::vector<uint8_t>& bytes, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
}

inline void PutTag(std::vector<uint8_t>& bytes, const char* tag) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(tag[i]));
}

inline void PutBigFloat(std::vector<uint8_t>& bytes, float value) {
  int32_t bits;
  std::memcpy(&bits, &value, 4);
  PutBig(bytes, bits);
}

inline void PutName(std::vector<uint8_t>& bytes, const std::string& name) {
  for (size_t i = 0; i < 28; ++i) bytes.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
}

// A program in the plain parameter-list form, as older hosts and plug-ins wrote it.
inline std::vector<uint8_t> ParamProgram(const std::vector<float>& values, const std::string& name,
                                         int32_t id = kUniqueId, int32_t count = INT32_MIN) {
  std::vector<uint8_t> bytes;
  PutTag(bytes, "CcnK");
  PutBig(bytes, static_cast<int32_t>(48 + 4 * values.size()));
  PutTag(bytes, "FxCk");
  PutBig(bytes, 1);
  PutBig(bytes, id);
  PutBig(bytes, 1);
  PutBig(bytes, count == INT32_MIN ? static_cast<int32_t>(values.size()) : count);
  PutName(bytes, name);
  for (float v : values) PutBigFloat(bytes, v);
  return bytes;
}

// A bank of such programs; program i is named names[i], or "Bank i" when not given.
inline std::vector<uint8_t> ParamBank(const std::vector<std::vector<float>>& programs, int32_t current,
                                      const std::vector<std::string>& names = {}) {
  std::vector<uint8_t> bytes;
  PutTag(bytes, "CcnK");
  PutBig(bytes, 0);
  PutTag(bytes, "FxBk");
  PutBig(bytes, 1);
  PutBig(bytes, kUniqueId);
  PutBig(bytes, 1);
  PutBig(bytes, static_cast<int32_t>(programs.size()));
  PutBig(bytes, current);
  bytes.resize(156, 0);
  for (size_t i = 0; i < programs.size(); ++i) {
    std::vector<uint8_t> program = ParamProgram(programs[i], i < names.size() ? names[i] : "Bank " + std::to_string(i));
    bytes.insert(bytes.end(), program.begin(), program.end());
  }
  return bytes;
}
