#include "editor/VornellEditor.h"

#include <mutex>

#include "editor/PanelControls.h"
#include "editor/ProgramBrowser.h"
#include "performance/PanelIds.h"
#include "editor/SelectorControls.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/IWindowSystem.h"
#include "instrument/Vornell.h"
#include "programs/ParameterTable.h"
#include "resources/panel/PanelLayout.h"

namespace {

// Panel pictures (module resources "PNG" 101..118).
enum PictureId : int {
  kBackPicture = 101,
  kButtonPicture = 103,
  kBrowseButtonPicture = 104,
  kConfigButtonPicture = 105,
  kRedButtonPicture = 106,
  kCheckBoxPicture = 107,
  kConfigPicture = 108,
  kDigitsPicture = 109,
  kKnobPicture = 110,
  kSmallKnobPicture = 111,
  kLearnPicture = 112,
  kLedPicture = 113,
  kParamPicture = 114,
  kPolyBoxPicture = 115,
  kUnlearnPicture = 116,
  kPrevPicture = 117,
  kNextPicture = 118,
};

const char* PictureName(int id) {
  static const char* const kNames[] = {
      "back.png",     "browser.png", "button.png",  "button_browse.png", "button_config.png", "button_red.png",
      "checkbox.png", "config.png",  "digits.png",  "knob.png",          "knob_small.png",    "learn.png",
      "led.png",      "param.png",   "polybox.png", "unlearn.png",       "prev.png",          "next.png"};
  return (id >= 101 && id <= 118) ? kNames[id - 101] : "";
}

constexpr const char* kVersionText = "Version 1.0.1.N";

VornellEditor::WindowSystemFactory& Factory() {
  static VornellEditor::WindowSystemFactory factory;
  return factory;
}

Color StatusColour(int colour) {
  switch (colour) {
    case kStatusOrange:
      return Color(192, 255, 160, 48);
    case kStatusGreen:
      return Color(192, 64, 255, 64);
    case kStatusRed:
      return Color(192, 255, 64, 64);
    default:
      return Color(192, 255, 255, 255);
  }
}

Rect RectOf(const panel::Box& box) {
  return Rect(box.left, box.top, box.right, box.bottom);
}

// Keys of the configuration page's controls, shown and hidden with it.
constexpr int kConfigKeys[] = {-panel_id::kTemplateDropDown, -panel_id::kTrackSettingsReset, kParamLinkPrograms,
                               -panel_id::kTuneTransposeToggle};

// The on/off indicators of the voice section: parameter k and its spot.
struct VoiceLed {
  int k;
  panel::Spot spot;
};
constexpr VoiceLed kVoiceLeds[] = {
    {kVoiceLfoToOsc, {111, 372}},    {kVoiceOscSawtooth, {241, 372}},     {kVoiceOscTriangle, {277, 372}},
    {kVoiceOscPulse, {313, 372}},    {kVoiceOscEnvInvert, {111, 436}},    {kVoiceOscLfoToPw, {355, 436}},
    {kVoiceLfoToFilter, {683, 372}}, {kVoiceFilterEnvInvert, {587, 436}},
};

}  // namespace

void VornellEditor::SetWindowSystemFactory(WindowSystemFactory factory) {
  Factory() = std::move(factory);
}

VornellEditor::VornellEditor(Vornell* vornell) : plug(vornell) {
  std::unique_ptr<IWindowSystem> windowSystem = Factory() ? Factory()() : nullptr;
  graphics = std::make_unique<IGraphics>(plug, panel::kPanelWidth, panel::kPanelHeight, 25, std::move(windowSystem));
  graphics->SetWindowName("Vornell");
  // The size the user chose last, in any instance; else what suits the screen.
  const int chosenSize = plug->config.editorSize.load();
  graphics->SetZoom(chosenSize > 0 ? chosenSize : graphics->WindowSystem()->ScreenZoom());
  graphics->HandleMouseOver(true);
  graphics->EnableTooltips(true);
  graphics->SetBackground(kBackPicture, PictureName(kBackPicture));

  BuildStatusLine();
  BuildMultiTrackController();
  BuildControlSection();
  BuildKeypad();
  BuildMasterKnobs();
  BuildConfigPage();
  BuildEditTrackRow();
  BuildVoiceSection();
  browser = std::make_unique<ProgramBrowser>(plug);
  browser->BuildPage(graphics.get(), [this](int id, int frames) { return Bitmap(id, frames); });
  // The page covers the status line: it shows the same status on a line of its own.
  browserStatusLine = new ITextControl(plug, RectOf(panel::kBrowserStatusLine),
                                       PanelTextStyle(StatusColour(kStatusWhite)), kVersionText);
  browser->AddStatusLine(browserStatusLine);
  BuildTopBar();

  plug->DisarmMidiLearn();
  browser->ShowBrowserPage(false);
  // The window is not open yet: the pages are laid out now, so the first
  // picture is right, and again at the first idle tick.
  ApplyConfigPageVisibility();
  ApplyEditTrackVisibility(plug->Panel().EditTrack());
  graphics->SetAllControlsDirty();
  plug->Panel().SetSelectedParamValue(plug->IntParam(VoiceParamIndex(plug->Panel().EditTrack(), 0)));
  plug->fullRefresh = true;
  plug->panelDirty = true;
  // The panel logic ends latches (a TRACK press, say); the buttons show it.
  plug->Panel().onLatchedButtonsReleased = [this] { ReleaseLatchedKicks(); };
}

VornellEditor::~VornellEditor() {
  plug->Panel().onLatchedButtonsReleased = nullptr;
}

template <typename C>
C* VornellEditor::Add(C* control, int key) {
  graphics->AddControl(control);
  if (key >= 0) plug->AddKeyedControl(key, control);
  return control;
}

PanelBitmap VornellEditor::Bitmap(int id, int frames) {
  return graphics->LoadPanelBitmap(id, PictureName(id), frames);
}

IKnobMultiControl* VornellEditor::MasterKnob(int i) const {
  return (i >= 0 && i < 4) ? masterKnobs[i] : nullptr;
}

IKRUtilityKick* VornellEditor::Kick(int id) const {
  return dynamic_cast<IKRUtilityKick*>(plug->ControlByKey(id < 0 ? -id : id));
}

void VornellEditor::ReleaseLatchedKicks() {
  static constexpr int kLatching[] = {
      panel_id::TrackButton(0), panel_id::TrackButton(1), panel_id::TrackButton(2),
      panel_id::TrackButton(3), panel_id::TrackButton(4), panel_id::TrackButton(5),
      panel_id::kRecord,  panel_id::kClick,   panel_id::kControlRecord};
  for (int id : kLatching)
    if (IKRUtilityKick* kick = Kick(id)) kick->ReleaseLatch();
}

// --- layout ---------------------------------------------------------------------

void VornellEditor::BuildStatusLine() {
  statusLine =
      Add(new ITextControl(plug, RectOf(panel::kStatusLine), PanelTextStyle(StatusColour(kStatusWhite)), kVersionText),
          -panel_id::kStatusLine);
}

void VornellEditor::BuildMultiTrackController() {
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  for (int i = 0; i < kParamTrackCount; ++i) {
    const panel::Spot spot = panel::TrackLed(i);
    Add(new IKRLED(plug, spot.x, spot.y, panel_id::TrackLed(i), led), -panel_id::TrackLed(i));
  }
  for (int i = 0; i < kParamTrackCount; ++i) {
    const panel::Spot spot = panel::TrackButton(i);
    Add(new IKRUtilityKick(plug, spot.x, spot.y, panel_id::TrackButton(i), button), -panel_id::TrackButton(i));
  }
  Add(new IKRKnobControl(plug, panel::kTrackVolumeKnob.x, panel::kTrackVolumeKnob.y, panel_id::kTrackVolumeKnob, knob),
      -panel_id::kTrackVolumeKnob);
  Add(new IKRLED(plug, panel::kRecordLed.x, panel::kRecordLed.y, panel_id::kRecordLed, led), -panel_id::kRecordLed);
  Add(new IKRLED(plug, panel::kClickLed.x, panel::kClickLed.y, panel_id::kClickLed, led), -panel_id::kClickLed);
  Add(new IKRLED(plug, panel::kSyncLed.x, panel::kSyncLed.y, kParamSyncToHost, led), kParamSyncToHost);
  Add(new IKRUtilityKick(plug, panel::kRecordButton.x, panel::kRecordButton.y, panel_id::kRecord,
                         Bitmap(kRedButtonPicture, 2)),
      -panel_id::kRecord);
  Add(new IKRUtilityKick(plug, panel::kClickButton.x, panel::kClickButton.y, panel_id::kClick, button),
      -panel_id::kClick);
  // SYNC is a panel button that carries its parameter; it replaces the LED's key.
  Add(new IKRUtilityKick(plug, panel::kSyncButton.x, panel::kSyncButton.y, kParamSyncToHost, button), kParamSyncToHost);
  Add(new IKRKnobControl(plug, panel::kSpeedKnob.x, panel::kSpeedKnob.y, kParamSpeed, knob, true), kParamSpeed);
  for (int i = 0; i < 6; ++i) {
    const panel::Spot spot = panel::ModeLed(i);
    Add(new IKRLED(plug, spot.x, spot.y, panel_id::ModeLed(i), led), -panel_id::ModeLed(i));
  }
  for (int i = 0; i < 6; ++i) {
    const panel::Spot spot = panel::ModeButton(i);
    Add(new IKRUtilityKick(plug, spot.x, spot.y, panel_id::ModeButton(i), button), -panel_id::ModeButton(i));
  }
}

void VornellEditor::BuildControlSection() {
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  Add(new IKRNumberDisplay(plug, RectOf(panel::kNumberDisplay), panel_id::kNumberDisplay,
                           Bitmap(kDigitsPicture, panel::kDigitFrames)),
      -panel_id::kNumberDisplay);
  for (int i = 0; i < 3; ++i) {
    const panel::Spot spot = panel::ControlLed(i);
    Add(new IKRLED(plug, spot.x, spot.y, panel_id::ControlLed(i), led), -panel_id::ControlLed(i));
  }
  const int buttons[3] = {panel_id::kProgram, panel_id::kParam, panel_id::kValue};
  for (int i = 0; i < 3; ++i) {
    const panel::Spot spot = panel::ControlButton(i);
    Add(new IKRUtilityKick(plug, spot.x, spot.y, buttons[i], button), -buttons[i]);
  }
  Add(new IKRKnobControl(plug, panel::kValueKnob.x, panel::kValueKnob.y, panel_id::kValueKnob,
                         Bitmap(kKnobPicture, panel::kKnobFrames)),
      -panel_id::kValueKnob);
  Add(new IKRLED(plug, panel::kControlRecordLed.x, panel::kControlRecordLed.y, panel_id::kControlRecordLed, led),
      -panel_id::kControlRecordLed);
  Add(new IKRUtilityKick(plug, panel::kControlRecordButton.x, panel::kControlRecordButton.y,
                         panel_id::kControlRecord, button),
      -panel_id::kControlRecord);
}

void VornellEditor::BuildKeypad() {
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  for (int digit : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    const panel::Spot spot = panel::KeypadButton(digit);
    const int id = panel_id::KeypadButton(digit);
    Add(new IKRUtilityKick(plug, spot.x, spot.y, id, button), -id);
  }
}

void VornellEditor::BuildMasterKnobs() {
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  const int params[4] = {kParamMasterTune, kParamPitchBend, kParamWheelToLfo, kParamMasterVolume};
  for (int i = 0; i < 4; ++i) {
    const panel::Spot spot = panel::MasterKnob(i);
    masterKnobs[i] = Add(new IKRKnobControl(plug, spot.x, spot.y, params[i], knob, true), params[i]);
  }
}

void VornellEditor::BuildConfigPage() {
  const PanelBitmap checkBox = Bitmap(kCheckBoxPicture, 2);
  const PanelBitmap smallKnob = Bitmap(kSmallKnobPicture, panel::kKnobFrames);
  const panel::Spot page = panel::kPageOrigin;
  Add(new IBitmapControl(plug, page.x, page.y, panel_id::kConfigOverlay, Bitmap(kConfigPicture)),
      -panel_id::kConfigOverlay);
  Add(new IBitmapControl(plug, page.x, page.y, panel_id::kParamOverlay, Bitmap(kParamPicture)),
      -panel_id::kParamOverlay);
  Add(new IKRDropDown(plug, RectOf(panel::kTemplateDropDown), panel_id::kTemplateDropDown),
      -panel_id::kTemplateDropDown);
  Add(new IKRUtilityKick(plug, panel::kResetButton.x, panel::kResetButton.y, panel_id::kTrackSettingsReset,
                         Bitmap(kButtonPicture, 2)),
      -panel_id::kTrackSettingsReset);
  Add(new IKRSwitchControl(plug, panel::kConfigLinkCheck.x, panel::kConfigLinkCheck.y, kParamLinkPrograms, checkBox),
      kParamLinkPrograms);
  Add(new IKRTextToggle(plug, RectOf(panel::kTuneTransposeToggle), panel_id::kTuneTransposeToggle),
      -panel_id::kTuneTransposeToggle);
  const PanelBitmap polyBox = Bitmap(kPolyBoxPicture, 3);
  for (int t = 0; t < kParamTrackCount; ++t) {
    const int channel = TrackParamIndex(t, kTrackChannel);
    const int mode = TrackParamIndex(t, kTrackMode);
    Add(new IKRChannelControl(plug, RectOf(panel::ChannelBox(t)), channel), channel);
    Add(new IKRSwitchControl(plug, panel::ModeBox(t).x, panel::ModeBox(t).y, mode, polyBox), mode);
    Add(new IKRSwitchControl(plug, panel::CycleCheck(t).x, panel::CycleCheck(t).y, panel_id::CycleSwitch(t), checkBox),
        -panel_id::CycleSwitch(t));
    Add(new IKRPrgControl(plug, RectOf(panel::ProgramNumberBox(t)), RectOf(panel::ProgramNameBox(t)), t, false),
        panel_id::ProgramSelectorKey(t));
    for (int j : {kTrackTune, kTrackTranspose}) {
      const int index = TrackParamIndex(t, j);
      Add(new IKRKnobControl(plug, panel::TuneKnob(t).x, panel::TuneKnob(t).y, index, smallKnob), index);
    }
    const int volume = TrackParamIndex(t, kTrackVolume);
    const int pan = TrackParamIndex(t, kTrackPanorama);
    Add(new IKRKnobControl(plug, panel::VolumeKnob(t).x, panel::VolumeKnob(t).y, volume, smallKnob), volume);
    Add(new IKRKnobControl(plug, panel::PanKnob(t).x, panel::PanKnob(t).y, pan, smallKnob), pan);
  }
}

void VornellEditor::BuildEditTrackRow() {
  const PanelBitmap prev = Bitmap(kPrevPicture, 2);
  const PanelBitmap next = Bitmap(kNextPicture, 2);
  Add(new IKRUtilityKick(plug, panel::kEditTrackDown.x, panel::kEditTrackDown.y, panel_id::kEditTrackDown, prev),
      -panel_id::kEditTrackDown);
  Add(new IKRUtilityKick(plug, panel::kEditTrackUp.x, panel::kEditTrackUp.y, panel_id::kEditTrackUp, next),
      -panel_id::kEditTrackUp);
  Add(new IKRNumberDisplay(plug, RectOf(panel::kEditTrackDisplay), panel_id::kEditTrackDisplay,
                           Bitmap(kDigitsPicture, panel::kDigitFrames)),
      -panel_id::kEditTrackDisplay);
  graphics->AddControl(
      new IKRPrgControl(plug, RectOf(panel::kEditProgramNumber), RectOf(panel::kEditProgramName), -1, true));
  Add(new IKRUtilityKick(plug, panel::kEditProgramDown.x, panel::kEditProgramDown.y, panel_id::kProgramDown, prev),
      -panel_id::kProgramDown);
  Add(new IKRUtilityKick(plug, panel::kEditProgramUp.x, panel::kEditProgramUp.y, panel_id::kProgramUp, next),
      -panel_id::kProgramUp);
  // The row's own "Link Programs" box; the registry keeps the configuration page's.
  graphics->AddControl(new IKRSwitchControl(plug, panel::kRowLinkCheck.x, panel::kRowLinkCheck.y, kParamLinkPrograms,
                                            Bitmap(kCheckBoxPicture, 2)));
  Add(new IKRDropDown(plug, RectOf(panel::kResolutionDropDown), kParamResolution), kParamResolution);
}

void VornellEditor::BuildVoiceSection() {
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  for (const panel::VoiceSwitch& voiceSwitch : panel::kVoiceSwitches)
    Add(new IKRUtilityKick(plug, voiceSwitch.button.x, voiceSwitch.button.y, voiceSwitch.id, button), -voiceSwitch.id);
  Add(new IKRLED(plug, 473, 372, panel_id::kLfoTriangleLed, led), -panel_id::kLfoTriangleLed);
  Add(new IKRLED(plug, 473, 436, panel_id::kLfoSquareLed, led), -panel_id::kLfoSquareLed);
  for (int t = 0; t < kParamTrackCount; ++t) {
    const int voiceMode = VoiceParamIndex(t, kVoiceMode);
    Add(new IKRDropDown(plug, RectOf(panel::kVoiceModeDropDown), voiceMode), voiceMode);
    for (int k : panel::kVoiceKnobParams) {
      const panel::Spot spot = panel::VoiceKnob(k);
      const int index = VoiceParamIndex(t, k);
      Add(new IKRKnobControl(plug, spot.x, spot.y, index, knob, true), index);
    }
    for (const VoiceLed& voiceLed : kVoiceLeds) {
      const int index = VoiceParamIndex(t, voiceLed.k);
      Add(new IKRSwitchControl(plug, voiceLed.spot.x, voiceLed.spot.y, index, led), index);
    }
  }
}

void VornellEditor::BuildTopBar() {
  graphics->AddControl(new IKRPresetMenu(plug, RectOf(panel::kPresetNumber), RectOf(panel::kPresetName)));
  Add(new IKRUtilityKick(plug, panel::kPresetPrev.x, panel::kPresetPrev.y, panel_id::kPresetPrevious,
                         Bitmap(kPrevPicture, 2)),
      -panel_id::kPresetPrevious);
  Add(new IKRUtilityKick(plug, panel::kPresetNext.x, panel::kPresetNext.y, panel_id::kPresetNext,
                         Bitmap(kNextPicture, 2)),
      -panel_id::kPresetNext);
  graphics->AddControl(new IKROptionMenu(plug, RectOf(panel::kOptionMenu)));
  Add(new IKRSwitchControl(plug, panel::kConfigSwitch.x, panel::kConfigSwitch.y, panel_id::kConfigPageSwitch,
                           Bitmap(kConfigButtonPicture, 2)),
      -panel_id::kConfigPageSwitch);
  Add(new IKRSwitchControl(plug, panel::kBrowserSwitch.x, panel::kBrowserSwitch.y, panel_id::kBrowserPageSwitch,
                           Bitmap(kBrowseButtonPicture, 2)),
      -panel_id::kBrowserPageSwitch);
  learnButton = new IKRSwitchMidiLearn(plug, panel::kLearnButton.x, panel::kLearnButton.y, Bitmap(kLearnPicture, 2),
                                       Bitmap(kUnlearnPicture, 2));
  graphics->AddControl(learnButton);
}

// --- pages ----------------------------------------------------------------------

void VornellEditor::ShowBrowserPage(bool on) {
  browser->ShowBrowserPage(on);
}

bool VornellEditor::BrowserPageShown() const {
  return browser->PageVisible();
}

void VornellEditor::ApplyConfigPageVisibility() {
  const bool on = plug->config.configPanelShown.load();
  const bool transpose = plug->transposeView;
  if (IControl* pageSwitch = plug->ControlByKey(-panel_id::kConfigPageSwitch)) {
    pageSwitch->SetValue(on ? 1.0 : 0.0);
    pageSwitch->MarkDirty(false);
  }
  if (IControl* overlay = plug->ControlByKey(-panel_id::kConfigOverlay)) overlay->SetHidden(!on);
  if (IControl* overlay = plug->ControlByKey(-panel_id::kParamOverlay)) overlay->SetHidden(on);
  auto show = [this](int key, bool visible) {
    if (IControl* control = plug->ControlByKey(key)) control->SetHidden(!visible);
  };
  for (int key : kConfigKeys) show(key, on);
  for (int t = 0; t < kParamTrackCount; ++t) {
    show(TrackParamIndex(t, kTrackChannel), on);
    show(TrackParamIndex(t, kTrackMode), on);
    show(-panel_id::CycleSwitch(t), on);
    show(panel_id::ProgramSelectorKey(t), on);
    show(TrackParamIndex(t, kTrackVolume), on);
    show(TrackParamIndex(t, kTrackPanorama), on);
    show(TrackParamIndex(t, kTrackTune), on && !transpose);
    show(TrackParamIndex(t, kTrackTranspose), on && transpose);
    if (IControl* channel = plug->ControlByKey(TrackParamIndex(t, kTrackChannel))) {
      PluginLock lock(plug->Mutex());
      channel->SetGrayed(plug->engine.GetTrack(t).sequenceDriven);
    }
  }
}

void VornellEditor::ApplyEditTrackVisibility(int t) {
  for (int i = 0; i < graphics->NControls(); ++i) {
    IControl* control = graphics->GetControl(i);
    const int index = control->ParamIdx();
    if (IsVoiceParam(index)) control->SetHidden(VoiceParamTrack(index) != t);
  }
}

// --- idle -------------------------------------------------------------------------

void VornellEditor::UpdateStatusLine() {
  const uint32_t serial = plug->StatusSerial();
  if (serial == statusSerialShown) return;
  statusSerialShown = serial;
  for (ITextControl* line : {statusLine, browserStatusLine}) {
    line->SetTextStyle(PanelTextStyle(StatusColour(plug->StatusColour())));
    line->MarkDirty(false);
    line->SetTextFromPlug(plug->StatusText());
    // The page not shown takes the text but draws it only when it is shown.
    if (line->IsHidden()) line->MarkClean();
  }
}

void VornellEditor::UpdateBlinking() {
  if (!plug->Panel().AdvanceBlink(graphics->FPS())) return;
  for (int t = 0; t < kParamTrackCount; ++t)
    if (IControl* led = plug->ControlByKey(-panel_id::TrackLed(t))) led->MarkDirty(false);
}

void VornellEditor::OnIdleTick() {
  UpdateStatusLine();
  if (!graphics->IsEditorOpen()) return;
  // Learning ended on a capture: the learn switch goes off.
  if (learnButton->GetValue() >= 0.5 && !plug->config.learnArmed.load()) {
    learnButton->SetValue(0.0);
    learnButton->MarkDirty(false);
  }
  UpdateBlinking();
  if (!plug->panelDirty.exchange(false)) return;
  if (plug->fullRefresh.exchange(false)) {
    plug->RefreshEditTrackControls(plug->Panel().EditTrack());
    plug->RefreshParamControls();
  }
  plug->ShowConfigPage(plug->config.configPanelShown.load());
  plug->UpdateProgramSelectorGrayState();
  graphics->SetAllControlsDirty();
}

// --- the instrument's editor part ---------------------------------------------

void VornellEditorDeleter::operator()(VornellEditor* editor) const {
  delete editor;
}

void Vornell::CreateEditor() {
  editorPart.reset(new VornellEditor(this));
  AttachGraphics(editorPart->Graphics());
}

void Vornell::OnIdleTick() {
  if (editorPart) editorPart->OnIdleTick();
}

void Vornell::OnEditorOpened() {
  fullRefresh = true;
  panelDirty = true;
}

void Vornell::DestroyEditor() {
  if (!editorPart) return;
  if (GetGraphics() == editorPart->Graphics()) AttachGraphics(nullptr);
  editorPart.reset();
  keyedControls.clear();
}

void Vornell::AddKeyedControl(int key, IControl* control) {
  keyedControls[key] = control;
}

IControl* Vornell::ControlByKey(int key) const {
  const auto found = keyedControls.find(key);
  return found == keyedControls.end() ? nullptr : found->second;
}

void Vornell::ShowConfigPage(bool on) {
  if (!editorPart || !EditorOpen()) return;
  config.configPanelShown = on;
  editorPart->ApplyConfigPageVisibility();
  editorPart->Graphics()->SetAllControlsDirty();
}

void Vornell::ShowTuneOrTranspose(bool transpose) {
  transposeView = transpose;
  if (!editorPart || !config.configPanelShown.load()) return;
  editorPart->ApplyConfigPageVisibility();
  editorPart->Graphics()->SetAllControlsDirty();
}

void Vornell::RefreshEditTrackControls(int t) {
  if (!editorPart || !EditorOpen()) return;
  RefreshParamControls();
  editorPart->ApplyEditTrackVisibility(t);
  editorPart->Graphics()->SetAllControlsDirty();
}

void Vornell::RefreshEditTrackControls() {
  // Called from the program workflow: the idle tick does the work.
  fullRefresh = true;
  panelDirty = true;
}

void Vornell::UpdateProgramSelectorGrayState() {
  PluginLock lock(Mutex());
  const bool link = LinkProgramsOn() && !stateLoading;
  bool ordinaryTaken = false;
  bool armedTaken = false;
  auto visit = [&](int t) {
    programs.UpdateProgramModified(t);
    IControl* selector = ControlByKey(313 + t);
    if (!selector) return;
    const Track& track = engine.GetTrack(t);
    if (track.armed) {
      selector->SetGrayed(armedTaken);
      if (!armedTaken) armedTaken = link;
    } else if (track.sequenceDriven) {
      selector->SetGrayed(false);
    } else {
      selector->SetGrayed(ordinaryTaken);
      if (!ordinaryTaken) ordinaryTaken = link;
    }
  };
  const int editTrack = panel.EditTrack();
  visit(editTrack);
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (t != editTrack) visit(t);
}
