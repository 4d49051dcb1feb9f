#pragma once
// The panel model over the instrument and its editor: what the panel's
// controls may see and do (see PanelModel). User-interface thread.
#include "editor/PanelModel.h"

class Vornell;
class VornellEditor;

class VornellPanelModel final : public PanelModel {
 public:
  VornellPanelModel(Vornell& plug, VornellEditor& editor) : plug(plug), editor(editor) {}

  IEditorDelegate* Delegate() override;
  PluginMutex& Mutex() override;
  FrontPanel& Panel() override;

  int Mode() const override;
  void SetParam(int index, double value) override;
  TrackFacts Track(int t) const override;
  bool SequenceFilled(int which) const override;
  bool ProgramsLinked() const override;

  int ConfirmModifiedProgram(int t) override;
  void SelectTrackProgram(int t, int p) override;
  void RenameTrackProgram(int t, const std::string& name) override;
  int ChooseProgramFromList(IGraphics& graphics, int t, const Rect& at) override;

  int CurrentPreset() const override;
  std::string CurrentPresetName() const override;
  bool ChoosePresetFromList(IGraphics& graphics, const Rect& at) override;
  void RenameCurrentPreset(const std::string& name) override;

  bool ConfigPageShown() const override;
  std::vector<std::string> TemplateNames() const override;
  int MatchingTemplate() override;
  std::string MatchingTemplateName() override;
  void ApplyTemplate(int index) override;
  std::string TuningStatusText() const override;
  void ArmMidiLearn(bool armed, bool removes) override;

  void ShowConfigPage(bool on) override;
  void ToggleBrowserPage() override;
  bool TransposeView() const override;
  void ShowTuneOrTranspose(bool transpose) override;

  void RunOptionMenu(IGraphics& graphics, int x, int y) override;
  void RunProgramButtonMenu(IGraphics& graphics, int x, int y) override;
  void RunSequenceMenu(IGraphics& graphics, int which, int x, int y) override;

 private:
  Vornell& plug;
  VornellEditor& editor;
};
