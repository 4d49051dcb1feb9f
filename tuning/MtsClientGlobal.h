#pragma once
// The process-wide link to an external microtuning master library: its entry
// points and the tuning tables it publishes. One object, `mtsclientglobal`,
// is made when the module is loaded and unloads the library when the module
// is unloaded. Without the library every entry point stays null and every
// query falls back to twelve-tone equal temperament.
//
// Written only at module load and unload (and by tests); read lock-free from
// any thread afterwards. The master owns the tables and may change their
// values at any time.
#include <array>
#include <cstdint>
#include <string>

#include "platform/SharedLibrary.h"

constexpr int32_t kTuningNoteCount = 128;
constexpr int32_t kTuningChannelCount = 16;

class MtsClientGlobal {
 public:
  // The master library's entry points. The 8-bit arguments are notes 0..127
  // and channels 0..15, or 255 for "no channel".
  using RegisterClientFunction = void (*)();
  using DeregisterClientFunction = void (*)();
  using HasMasterFunction = bool (*)();
  using ShouldFilterNoteFunction = bool (*)(char note, char channel);
  using ShouldFilterNoteMultiChannelFunction = bool (*)(char note, char channel);
  using GetTuningTableFunction = const double* (*)();
  using GetMultiChannelTuningTableFunction = const double* (*)(char channel);
  using UseMultiChannelTuningFunction = bool (*)(char channel);
  using GetScaleNameFunction = const char* (*)();

  // The conventional places of the master library, searched in this order.
  static constexpr const char* kLibraryPaths[] = {"/usr/local/lib/libMTS.so", "/usr/lib/libMTS.so"};

  // Loads the library from its conventional places.
  MtsClientGlobal();
  // Loads the library from this path only; null loads none. For tests.
  explicit MtsClientGlobal(const char* libraryPath);
  virtual ~MtsClientGlobal();

  MtsClientGlobal(const MtsClientGlobal&) = delete;
  MtsClientGlobal& operator=(const MtsClientGlobal&) = delete;

  // A master is present: its tuning table was published at load and it says
  // it is there now. Costs one call into the library when it is loaded and
  // nothing otherwise.
  virtual bool IsTuningOnline() const;

  // Unloads any library, then loads the one at path and takes its entry points
  // and tables. False, with every entry point null, when it cannot be loaded.
  virtual bool LoadMasterLibrary(const std::string& path);

  // Drops the library and every entry point and table. Clients registered
  // before are not deregistered.
  void Unload();

  bool LibraryLoaded() const { return library.IsOpen(); }

  RegisterClientFunction MTS_RegisterClient = nullptr;
  DeregisterClientFunction MTS_DeregisterClient = nullptr;
  HasMasterFunction MTS_HasMaster = nullptr;
  ShouldFilterNoteFunction MTS_ShouldFilterNote = nullptr;
  ShouldFilterNoteMultiChannelFunction MTS_ShouldFilterNoteMultiChannel = nullptr;
  GetTuningTableFunction MTS_GetTuningTable = nullptr;
  GetMultiChannelTuningTableFunction MTS_GetMultiChannelTuningTable = nullptr;
  UseMultiChannelTuningFunction MTS_UseMultiChannelTuning = nullptr;
  GetScaleNameFunction MTS_GetScaleName = nullptr;

  // Entry i: 1 / (440 × 2^((i − 69) / 12)), seconds per cycle of note i in equal temperament.
  std::array<double, kTuningNoteCount> inverseTwelveToneTable{};
  // The master's 128 frequencies in Hz, or null.
  const double* tuningTable = nullptr;
  // Per MIDI channel 0..15, or null.
  std::array<const double*, kTuningChannelCount> channelTuningTables{};

 private:
  void ClearEntryPoints();

  SharedLibrary library;
};

extern MtsClientGlobal mtsclientglobal;
