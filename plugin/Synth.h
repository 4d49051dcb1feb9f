#pragma once
// The instrument's layer between the host adapter and Vornell: the user's MIDI
// handling settings and the extra virtual slots every instrument of this
// framework offers (editor creation, silencing, the startup bank, parameter
// definition, preset initialisation).
//
// The settings are filled from the configuration file by the configuration
// part; until then they hold its defaults. The learn and message-box hooks are
// filled by the configuration and editor parts.
#include <cstdint>
#include <string>

#include "plugin/IPlugBase.h"

class IEditorLink;
struct AEffect;

// The host's callback as the host adapter declares it.
using VstHostCallback = intptr_t (*)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                     float opt);

// Derives from the plug-in base for now; the host adapter slots in between
// (IPlugBase <- IPlugVST <- Synth) by changing the base class here and the
// base initialiser in Synth.cpp.
class Synth : public IPlugBase {
 public:
  // hostCallback may be null (no host services); it goes to the host adapter.
  explicit Synth(VstHostCallback hostCallback = nullptr);
  ~Synth() override;

  // ---- instrument slots --------------------------------------------------------
  // Creates the editor object; the editor part fills it. Construction time.
  virtual void CreateEditor() {}
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

  // ---- MIDI learn (filled by the configuration part) ----------------------------
  // A parameter index 0..302 changed while learning may be armed: true when it
  // was taken as the learn target. Under the plug-in lock.
  virtual bool CaptureLearnParameter(int index) {
    (void)index;
    return false;
  }
  // A controller below 120 arrived from the host: true when learning took it
  // (the message then has no other effect). Audio thread, under the plug-in lock.
  virtual bool CaptureLearnController(int controller) {
    (void)controller;
    return false;
  }
  // Learning ends without a capture (reset). Under the plug-in lock.
  virtual void DisarmMidiLearn() {}

  // ---- messages ----------------------------------------------------------------
  // A modal message box of the editor; type holds the MessageBoxType flags, the
  // result a MessageBoxAnswer. Returns 0 when no box could be shown (no editor
  // attached). User-interface thread.
  virtual int ShowMessage(const std::string& text, const std::string& caption, int type);
  // True while the editor window is open. Any thread.
  bool EditorOpen() const;

  // ---- settings ------------------------------------------------------------------
  bool MidiThru() const { return midiThru; }
  bool IgnoreProgramChange() const { return ignoreProgramChange; }
  bool DontAskToCommit() const { return dontAskToCommit; }

  // Defaults until the configuration file has been read.
  bool midiThru = true;
  bool ignoreProgramChange = true;
  bool dontAskToCommit = false;
};
