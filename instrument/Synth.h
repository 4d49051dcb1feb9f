#pragma once
// The instrument's layer between the host adapter and Vornell: the user's MIDI
// handling settings and the extra virtual slots every instrument of this
// framework offers (editor creation, silencing, the startup bank, parameter
// definition, preset initialisation).
//
// The user's settings live in `config`, read from the shared INI file before
// anything else is built; the plain flags below are views of it, so there is
// one source of truth. The microtuning client registers at the end of
// construction and deregisters when the object is destroyed (effClose).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "config/Configuration.h"
#include "tuning/TuningClient.h"

// The host adapter is chosen by the build: the LV2 module compiles the same
// instrument source with VORNELL_LV2 defined.
#ifdef VORNELL_LV2
#include "plugin/IPlugLV2.h"
using IPlugAdapter = IPlugLV2;
#else
#include "plugin/IPlugVST.h"
using IPlugAdapter = IPlugVST;
#endif

class IEditorLink;
// IPlugBase <- IPlugVST (or IPlugLV2) <- Synth <- Vornell.
class Synth : public IPlugAdapter {
 public:
  // hostCallback may be null (no host services); it goes to the host adapter.
  explicit Synth(VstHostCallback hostCallback = nullptr);
  ~Synth() override;

  // ---- instrument slots --------------------------------------------------------
  // The editor object, or null. Any thread.
  virtual IEditorLink* GetEditor() { return GetEditorLink(); }
  // Silences every voice at once and clears the held notes. Under the plug-in lock.
  virtual void ResetAllVoices() {}
  // Loads the bank named in the configuration into the presets; false when
  // there is none or it could not be read. Construction time.
  virtual bool LoadStartupBank() { return false; }
  // Defines all parameters. Construction time.
  virtual void DefineParameters();
  // Resets the current preset to the initial state. Under the plug-in lock.
  virtual void InitializePreset() {}

  // ---- MIDI learn (instrument/SynthConfiguration.cpp) --------------------------------
  // A parameter index 0..302 changed while learning may be armed: true when it
  // was taken as the learn target. Under the plug-in lock.
  virtual bool CaptureLearnParameter(int index);
  // A controller below 120 arrived from the host: true when learning took it
  // (the message then has no other effect). Audio thread, under the plug-in lock.
  virtual bool CaptureLearnController(int controller);
  // Learning ends without a capture (reset). Under the plug-in lock.
  virtual void DisarmMidiLearn();
  // The learn switch: armed or not, in learn or unlearn mode. Takes the plug-in
  // lock. User-interface thread.
  void ArmMidiLearn(bool armed, bool removes);
  // A capture completed learning: the learn switch goes off. May run on the
  // audio thread, so an override must only flag a redraw.
  virtual void OnMidiLearnEnded() {}

  // ---- microtuning ------------------------------------------------------------------
  // This instance's client of the tuning master; null only during construction.
  TuningClient* Tuning() const { return tuningClient.get(); }
  // "Micro Tuning: <scale>" while a master is online, else empty. User-interface thread.
  std::string TuningStatusText() const { return ::TuningStatusText(tuningClient.get()); }

  // ---- messages ----------------------------------------------------------------
  // A modal message box of the editor; type holds the MessageBoxType flags, the
  // result a MessageBoxAnswer. Returns 0 when no box could be shown (no editor
  // attached). User-interface thread.
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type);
  // True while the editor window is open. Any thread.
  bool EditorOpen() const;

  // ---- settings ------------------------------------------------------------------
  bool MidiThru() const { return midiThru.load(std::memory_order_relaxed); }
  bool IgnoreProgramChange() const { return ignoreProgramChange.load(std::memory_order_relaxed); }
  bool DontAskToCommit() const { return dontAskToCommit.load(std::memory_order_relaxed); }

  // The shared INI file's settings, controller map, learn state and templates.
  // Declared before everything that reads it.
  Configuration config;
  // Views of config's switches (assigning one sets the setting, for this
  // instance only, without writing the file). The program library keeps its
  // own copy of saveEnhancedPrograms: change that one through Vornell's
  // ToggleSaveEnhancedPrograms, which updates both and writes the file.
  std::atomic<bool>& midiThru = config.midiThru;
  std::atomic<bool>& ignoreProgramChange = config.ignoreProgramChange;
  std::atomic<bool>& dontAskToCommit = config.dontAskToCommit;
  std::atomic<bool>& saveEnhancedPrograms = config.saveEnhancedPrograms;

 private:
  std::unique_ptr<TuningClient> tuningClient;
};
