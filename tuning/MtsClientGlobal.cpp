#include "tuning/MtsClientGlobal.h"

#include <cmath>

MtsClientGlobal mtsclientglobal;

namespace {

template <typename Function>
Function Resolve(const SharedLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.Symbol(name));
}

}  // namespace

MtsClientGlobal::MtsClientGlobal() : MtsClientGlobal(nullptr) {
  for (const char* path : kLibraryPaths) {
    if (LoadMasterLibrary(path)) break;
  }
}

MtsClientGlobal::MtsClientGlobal(const char* libraryPath) {
  for (int32_t i = 0; i < kTuningNoteCount; ++i) {
    inverseTwelveToneTable[static_cast<size_t>(i)] = 1.0 / (440.0 * std::pow(2.0, (i - 69) / 12.0));
  }
  if (libraryPath != nullptr) LoadMasterLibrary(libraryPath);
}

MtsClientGlobal::~MtsClientGlobal() {
  Unload();
}

bool MtsClientGlobal::IsTuningOnline() const {
  return tuningTable != nullptr && MTS_HasMaster != nullptr && MTS_HasMaster();
}

void MtsClientGlobal::ClearEntryPoints() {
  MTS_RegisterClient = nullptr;
  MTS_DeregisterClient = nullptr;
  MTS_HasMaster = nullptr;
  MTS_ShouldFilterNote = nullptr;
  MTS_ShouldFilterNoteMultiChannel = nullptr;
  MTS_GetTuningTable = nullptr;
  MTS_GetMultiChannelTuningTable = nullptr;
  MTS_UseMultiChannelTuning = nullptr;
  MTS_GetScaleName = nullptr;
  tuningTable = nullptr;
  channelTuningTables.fill(nullptr);
}

void MtsClientGlobal::Unload() {
  ClearEntryPoints();
  library.Close();
}

bool MtsClientGlobal::LoadMasterLibrary(const std::string& path) {
  Unload();
  if (!library.Open(path)) return false;

  MTS_RegisterClient = Resolve<RegisterClientFunction>(library, "MTS_RegisterClient");
  MTS_DeregisterClient = Resolve<DeregisterClientFunction>(library, "MTS_DeregisterClient");
  MTS_HasMaster = Resolve<HasMasterFunction>(library, "MTS_HasMaster");
  MTS_ShouldFilterNote = Resolve<ShouldFilterNoteFunction>(library, "MTS_ShouldFilterNote");
  MTS_ShouldFilterNoteMultiChannel =
      Resolve<ShouldFilterNoteMultiChannelFunction>(library, "MTS_ShouldFilterNoteMultiChannel");
  MTS_GetTuningTable = Resolve<GetTuningTableFunction>(library, "MTS_GetTuningTable");
  MTS_GetMultiChannelTuningTable =
      Resolve<GetMultiChannelTuningTableFunction>(library, "MTS_GetMultiChannelTuningTable");
  MTS_UseMultiChannelTuning = Resolve<UseMultiChannelTuningFunction>(library, "MTS_UseMultiChannelTuning");
  MTS_GetScaleName = Resolve<GetScaleNameFunction>(library, "MTS_GetScaleName");

  if (MTS_GetTuningTable != nullptr) tuningTable = MTS_GetTuningTable();
  for (int32_t channel = 0; channel < kTuningChannelCount; ++channel) {
    channelTuningTables[static_cast<size_t>(channel)] = MTS_GetMultiChannelTuningTable != nullptr
                                                            ? MTS_GetMultiChannelTuningTable(static_cast<char>(channel))
                                                            : nullptr;
  }
  return true;
}
