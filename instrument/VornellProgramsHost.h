#pragma once
// The track-program workflow's view of the instrument (TrackProgramsHost over
// Vornell). User-interface thread, under the plug-in lock (AskYesNo: without
// the workflow's own hold).
#include "programs/TrackProgramsHost.h"

class Vornell;

class VornellProgramsHost final : public TrackProgramsHost {
 public:
  explicit VornellProgramsHost(Vornell& plug) : plug(plug) {}

  PluginMutex& Mutex() override;
  int IntParam(int index) const override;
  double ParamDefault(int index) const override;
  void SetParam(int index, double value) override;
  void ApplyParam(int index) override;
  bool StateLoading() const override;
  bool ExtendedResolution() const override;
  bool LinkProgramsOn() const override;
  int Mode() const override;

  Track& TrackAt(int t) override;
  const Track& TrackAt(int t) const override;
  ProgramLibrary& Library() override;
  const ProgramLibrary& Library() const override;
  int EditTrack() const override;

  void ProgramLoaded() override;
  void EditTrackChanged() override;
  void MarkPanelDirty() override;
  void ShowDone(const char* text) override;
  void ClearStatus() override;
  bool EditorOpen() const override;
  bool DontAskToCommit() const override;
  bool AskYesNo(const std::string& text, const std::string& title) override;

 private:
  Vornell& plug;
};
