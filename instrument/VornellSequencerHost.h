#pragma once
// The sequencer side's view of the instrument (SequencerHost over Vornell).
// Threads as SequencerHost says: under the plug-in lock, on the audio thread
// for the player and the recorder's note handling.
#include "sequencer/SequencerHost.h"

class Vornell;

class VornellSequencerHost final : public SequencerHost {
 public:
  explicit VornellSequencerHost(Vornell& plug) : plug(plug) {}

  PluginMutex& Mutex() override;
  bool StateLoading() override;
  double SampleRate() override;

  double Speed() override;
  bool SyncToHost() override;
  int ModeParameter() override;
  void SetModeParameter(int mode) override;
  void SetLinkPrograms(bool on) override;
  int TrackChannelSetting(int t) override;
  int SlotProgram(int mode, int t) override;
  void SetSlotProgram(int mode, int t, int program) override;

  void LoadProgramIntoTrack(int t, int program) override;
  void SetTrackProgram(int t, int program) override;
  void SelectOwnProgram(int t) override;
  bool SuspendLinks(bool on) override;
  void ResetAllVoices() override;

  void ShowStatus(const char* text, int colour) override;
  void MarkPanelDirty() override;
  bool PanelRecordMode() override;
  void SetPanelRecordMode(bool on) override;

  double GetHostTempo() override;
  void GetHostTime(SequencerHostTime& time) override;

  bool EditorOpen() override;
  void ModifyCurrentPreset() override;
  std::string ChooseSequenceFile(SequenceFileHost::DialogMode mode, const std::string& folder,
                                 const std::string& extensions, const std::string& fileName,
                                 const std::string& title) override;
  int ShowMessage(const std::string& text, const std::string& caption, int type) override;
  std::string SequencePath() override;
  void StoreSequencePath(const std::string& folder) override;

 private:
  Vornell& plug;
};
