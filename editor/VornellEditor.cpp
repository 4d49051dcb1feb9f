#include "editor/VornellEditor.h"

#include <mutex>

#include "editor/PanelControls.h"
#include "editor/ProgramBrowser.h"
#include "editor/SelectorControls.h"
#include "editor/VornellPanelModel.h"
#include "graphics/IControls.h"
#include "graphics/IGraphics.h"
#include "graphics/IWindowSystem.h"
#include "instrument/Vornell.h"
#include "performance/PanelIds.h"
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

constexpr ControlKey Panel(int panelId) {
  return ControlKey::Panel(panelId);
}
constexpr ControlKey Param(int index) {
  return ControlKey::Param(index);
}

// Keys of the configuration page's controls, shown and hidden with it.
constexpr ControlKey kConfigKeys[] = {Panel(panel_id::kTemplateDropDown), Panel(panel_id::kTrackSettingsReset),
                                      Param(kParamLinkPrograms), Panel(panel_id::kTuneTransposeToggle)};

std::unique_ptr<EditorPart> MakeVornellEditor(Vornell& plug) {
  return std::make_unique<VornellEditor>(&plug);
}

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

void InstallVornellEditor() {
  SetEditorPartFactory(&MakeVornellEditor);
}

void VornellEditor::SetWindowSystemFactory(WindowSystemFactory factory) {
  Factory() = std::move(factory);
}

VornellEditor* VornellEditor::Of(Vornell& plug) {
  return dynamic_cast<VornellEditor*>(plug.Editor());
}

VornellEditor::VornellEditor(Vornell* vornell)
    : plug(vornell), model(std::make_unique<VornellPanelModel>(*vornell, *this)) {
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
  browser = std::make_unique<ProgramBrowser>(plug, model.get());
  browser->BuildPage(graphics.get(), [this](int id, int frames) { return Bitmap(id, frames); });
  // The page covers the status line: it shows the same status on a line of its own.
  browserStatusLine = new ITextControl(plug, RectOf(panel::kBrowserStatusLine),
                                       PanelTextStyle(StatusColour(kStatusWhite)), kVersionText);
  browser->AddStatusLine(browserStatusLine);
  BuildTopBar();
  for (int i = 0; i < graphics->NControls(); ++i)
    if (auto* led = dynamic_cast<IKRLED*>(graphics->GetControl(i))) leds.push_back(led);

  plug->DisarmMidiLearn();
  browser->ShowBrowserPage(false);
  // The window is not open yet: the pages are laid out now, so the first
  // picture is right, and again at the first idle tick.
  ApplyConfigPageVisibility();
  {
    // Built without the plug-in lock (the audio thread runs on): what the
    // panel logic holds is read and set under it.
    PluginLock lock(plug->Mutex());
    ApplyEditTrackVisibility(plug->Panel().EditTrack());
    // The panel logic ends latches (a TRACK press, say); the buttons show it.
    plug->Panel().onLatchedButtonsReleased = [this] { ReleaseLatchedKicks(); };
  }
  graphics->SetAllControlsDirty();
  fullRefresh = true;
  plug->MarkPanelDirty();
  plug->AttachGraphics(graphics.get());
}

VornellEditor::~VornellEditor() {
  if (plug->GetGraphics() == graphics.get()) plug->AttachGraphics(nullptr);
  PluginLock lock(plug->Mutex());
  plug->Panel().onLatchedButtonsReleased = nullptr;
}

template <typename C>
C* VornellEditor::Add(C* control, ControlKey key) {
  graphics->AddControl(control);
  AddKeyedControl(key, control);
  return control;
}

void VornellEditor::AddKeyedControl(ControlKey key, IControl* control) {
  keyedControls[key] = control;
  ++keyRegistrations;
}

IControl* VornellEditor::ControlByKey(ControlKey key) const {
  const auto found = keyedControls.find(key);
  return found == keyedControls.end() ? nullptr : found->second;
}

PanelBitmap VornellEditor::Bitmap(int id, int frames) {
  return graphics->LoadPanelBitmap(id, PictureName(id), frames);
}

IKnobMultiControl* VornellEditor::MasterKnob(int i) const {
  return (i >= 0 && i < 4) ? masterKnobs[i] : nullptr;
}

IKRUtilityKick* VornellEditor::Kick(int id) const {
  // SYNC is a panel button filed under its parameter.
  return dynamic_cast<IKRUtilityKick*>(ControlByKey(id < 0 ? Panel(id) : Param(id)));
}

void VornellEditor::ReleaseLatchedKicks() {
  static constexpr int kLatching[] = {panel_id::TrackButton(0), panel_id::TrackButton(1), panel_id::TrackButton(2),
                                      panel_id::TrackButton(3), panel_id::TrackButton(4), panel_id::TrackButton(5),
                                      panel_id::kRecord,        panel_id::kClick,         panel_id::kControlRecord};
  for (int id : kLatching)
    if (IKRUtilityKick* kick = Kick(id)) kick->ReleaseLatch();
}

// --- layout ---------------------------------------------------------------------

void VornellEditor::BuildStatusLine() {
  statusLine =
      Add(new ITextControl(plug, RectOf(panel::kStatusLine), PanelTextStyle(StatusColour(kStatusWhite)), kVersionText),
          Panel(panel_id::kStatusLine));
}

void VornellEditor::BuildMultiTrackController() {
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  for (int i = 0; i < kParamTrackCount; ++i) {
    const panel::Spot spot = panel::TrackLed(i);
    Add(new IKRLED(model.get(), spot.x, spot.y, panel_id::TrackLed(i), led), Panel(panel_id::TrackLed(i)));
  }
  for (int i = 0; i < kParamTrackCount; ++i) {
    const panel::Spot spot = panel::TrackButton(i);
    Add(new IKRUtilityKick(model.get(), spot.x, spot.y, panel_id::TrackButton(i), button),
        Panel(panel_id::TrackButton(i)));
  }
  Add(new IKRKnobControl(model.get(), panel::kTrackVolumeKnob.x, panel::kTrackVolumeKnob.y, panel_id::kTrackVolumeKnob,
                         knob),
      Panel(panel_id::kTrackVolumeKnob));
  Add(new IKRLED(model.get(), panel::kRecordLed.x, panel::kRecordLed.y, panel_id::kRecordLed, led),
      Panel(panel_id::kRecordLed));
  Add(new IKRLED(model.get(), panel::kClickLed.x, panel::kClickLed.y, panel_id::kClickLed, led),
      Panel(panel_id::kClickLed));
  // The SYNC LED shows the parameter the SYNC button below is filed under.
  graphics->AddControl(new IKRLED(model.get(), panel::kSyncLed.x, panel::kSyncLed.y, kParamSyncToHost, led));
  Add(new IKRUtilityKick(model.get(), panel::kRecordButton.x, panel::kRecordButton.y, panel_id::kRecord,
                         Bitmap(kRedButtonPicture, 2)),
      Panel(panel_id::kRecord));
  Add(new IKRUtilityKick(model.get(), panel::kClickButton.x, panel::kClickButton.y, panel_id::kClick, button),
      Panel(panel_id::kClick));
  // SYNC is a panel button that carries its parameter.
  Add(new IKRUtilityKick(model.get(), panel::kSyncButton.x, panel::kSyncButton.y, kParamSyncToHost, button),
      Param(kParamSyncToHost));
  Add(new IKRKnobControl(model.get(), panel::kSpeedKnob.x, panel::kSpeedKnob.y, kParamSpeed, knob, true),
      Param(kParamSpeed));
  for (int i = 0; i < 6; ++i) {
    const panel::Spot spot = panel::ModeLed(i);
    Add(new IKRLED(model.get(), spot.x, spot.y, panel_id::ModeLed(i), led), Panel(panel_id::ModeLed(i)));
  }
  for (int i = 0; i < 6; ++i) {
    const panel::Spot spot = panel::ModeButton(i);
    Add(new IKRUtilityKick(model.get(), spot.x, spot.y, panel_id::ModeButton(i), button),
        Panel(panel_id::ModeButton(i)));
  }
}

void VornellEditor::BuildControlSection() {
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  Add(new IKRNumberDisplay(model.get(), RectOf(panel::kNumberDisplay), panel_id::kNumberDisplay,
                           Bitmap(kDigitsPicture, panel::kDigitFrames)),
      Panel(panel_id::kNumberDisplay));
  for (int i = 0; i < 3; ++i) {
    const panel::Spot spot = panel::ControlLed(i);
    Add(new IKRLED(model.get(), spot.x, spot.y, panel_id::ControlLed(i), led), Panel(panel_id::ControlLed(i)));
  }
  const int buttons[3] = {panel_id::kProgram, panel_id::kParam, panel_id::kValue};
  for (int i = 0; i < 3; ++i) {
    const panel::Spot spot = panel::ControlButton(i);
    Add(new IKRUtilityKick(model.get(), spot.x, spot.y, buttons[i], button), Panel(buttons[i]));
  }
  Add(new IKRKnobControl(model.get(), panel::kValueKnob.x, panel::kValueKnob.y, panel_id::kValueKnob,
                         Bitmap(kKnobPicture, panel::kKnobFrames)),
      Panel(panel_id::kValueKnob));
  Add(new IKRLED(model.get(), panel::kControlRecordLed.x, panel::kControlRecordLed.y, panel_id::kControlRecordLed, led),
      Panel(panel_id::kControlRecordLed));
  Add(new IKRUtilityKick(model.get(), panel::kControlRecordButton.x, panel::kControlRecordButton.y,
                         panel_id::kControlRecord, button),
      Panel(panel_id::kControlRecord));
}

void VornellEditor::BuildKeypad() {
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  for (int digit : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    const panel::Spot spot = panel::KeypadButton(digit);
    const int id = panel_id::KeypadButton(digit);
    Add(new IKRUtilityKick(model.get(), spot.x, spot.y, id, button), Panel(id));
  }
}

void VornellEditor::BuildMasterKnobs() {
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  const int params[4] = {kParamMasterTune, kParamPitchBend, kParamWheelToLfo, kParamMasterVolume};
  for (int i = 0; i < 4; ++i) {
    const panel::Spot spot = panel::MasterKnob(i);
    masterKnobs[i] = Add(new IKRKnobControl(model.get(), spot.x, spot.y, params[i], knob, true), Param(params[i]));
  }
}

void VornellEditor::BuildConfigPage() {
  const PanelBitmap checkBox = Bitmap(kCheckBoxPicture, 2);
  const PanelBitmap smallKnob = Bitmap(kSmallKnobPicture, panel::kKnobFrames);
  const panel::Spot page = panel::kPageOrigin;
  Add(new IBitmapControl(plug, page.x, page.y, panel_id::kConfigOverlay, Bitmap(kConfigPicture)),
      Panel(panel_id::kConfigOverlay));
  Add(new IBitmapControl(plug, page.x, page.y, panel_id::kParamOverlay, Bitmap(kParamPicture)),
      Panel(panel_id::kParamOverlay));
  Add(new IKRDropDown(model.get(), RectOf(panel::kTemplateDropDown), panel_id::kTemplateDropDown),
      Panel(panel_id::kTemplateDropDown));
  Add(new IKRUtilityKick(model.get(), panel::kResetButton.x, panel::kResetButton.y, panel_id::kTrackSettingsReset,
                         Bitmap(kButtonPicture, 2)),
      Panel(panel_id::kTrackSettingsReset));
  Add(new IKRSwitchControl(model.get(), panel::kConfigLinkCheck.x, panel::kConfigLinkCheck.y, kParamLinkPrograms,
                           checkBox),
      Param(kParamLinkPrograms));
  Add(new IKRTextToggle(model.get(), RectOf(panel::kTuneTransposeToggle), panel_id::kTuneTransposeToggle),
      Panel(panel_id::kTuneTransposeToggle));
  const PanelBitmap polyBox = Bitmap(kPolyBoxPicture, 3);
  for (int t = 0; t < kParamTrackCount; ++t) {
    const int channel = TrackParamIndex(t, kTrackChannel);
    const int mode = TrackParamIndex(t, kTrackMode);
    Add(new IKRChannelControl(model.get(), RectOf(panel::ChannelBox(t)), channel), Param(channel));
    Add(new IKRSwitchControl(model.get(), panel::ModeBox(t).x, panel::ModeBox(t).y, mode, polyBox), Param(mode));
    Add(new IKRSwitchControl(model.get(), panel::CycleCheck(t).x, panel::CycleCheck(t).y, panel_id::CycleSwitch(t),
                             checkBox),
        Panel(panel_id::CycleSwitch(t)));
    // A name may run on to the row's knobs, not over them.
    Add(new IKRPrgControl(model.get(), RectOf(panel::ProgramNumberBox(t)), RectOf(panel::ProgramNameBox(t)), t, false,
                          panel_id::ProgramSelector(t), panel::TuneKnob(t).x - 1),
        Panel(panel_id::ProgramSelector(t)));
    for (int j : {kTrackTune, kTrackTranspose}) {
      const int index = TrackParamIndex(t, j);
      Add(new IKRKnobControl(model.get(), panel::TuneKnob(t).x, panel::TuneKnob(t).y, index, smallKnob), Param(index));
    }
    const int volume = TrackParamIndex(t, kTrackVolume);
    const int pan = TrackParamIndex(t, kTrackPanorama);
    Add(new IKRKnobControl(model.get(), panel::VolumeKnob(t).x, panel::VolumeKnob(t).y, volume, smallKnob),
        Param(volume));
    Add(new IKRKnobControl(model.get(), panel::PanKnob(t).x, panel::PanKnob(t).y, pan, smallKnob), Param(pan));
  }
}

void VornellEditor::BuildEditTrackRow() {
  const PanelBitmap prev = Bitmap(kPrevPicture, 2);
  const PanelBitmap next = Bitmap(kNextPicture, 2);
  Add(new IKRUtilityKick(model.get(), panel::kEditTrackDown.x, panel::kEditTrackDown.y, panel_id::kEditTrackDown, prev),
      Panel(panel_id::kEditTrackDown));
  Add(new IKRUtilityKick(model.get(), panel::kEditTrackUp.x, panel::kEditTrackUp.y, panel_id::kEditTrackUp, next),
      Panel(panel_id::kEditTrackUp));
  Add(new IKRNumberDisplay(model.get(), RectOf(panel::kEditTrackDisplay), panel_id::kEditTrackDisplay,
                           Bitmap(kDigitsPicture, panel::kDigitFrames)),
      Panel(panel_id::kEditTrackDisplay));
  graphics->AddControl(new IKRPrgControl(model.get(), RectOf(panel::kEditProgramNumber),
                                         RectOf(panel::kEditProgramName), -1, true, -1, panel::kRowLinkCheck.x - 1));
  Add(new IKRUtilityKick(model.get(), panel::kEditProgramDown.x, panel::kEditProgramDown.y, panel_id::kProgramDown,
                         prev),
      Panel(panel_id::kProgramDown));
  Add(new IKRUtilityKick(model.get(), panel::kEditProgramUp.x, panel::kEditProgramUp.y, panel_id::kProgramUp, next),
      Panel(panel_id::kProgramUp));
  // The row's own "Link Programs" box; the registry files the configuration page's.
  graphics->AddControl(new IKRSwitchControl(model.get(), panel::kRowLinkCheck.x, panel::kRowLinkCheck.y,
                                            kParamLinkPrograms, Bitmap(kCheckBoxPicture, 2)));
  Add(new IKRDropDown(model.get(), RectOf(panel::kResolutionDropDown), kParamResolution), Param(kParamResolution));
}

void VornellEditor::BuildVoiceSection() {
  const PanelBitmap button = Bitmap(kButtonPicture, 2);
  const PanelBitmap led = Bitmap(kLedPicture, 2);
  const PanelBitmap knob = Bitmap(kKnobPicture, panel::kKnobFrames);
  for (const panel::VoiceSwitch& voiceSwitch : panel::kVoiceSwitches)
    Add(new IKRUtilityKick(model.get(), voiceSwitch.button.x, voiceSwitch.button.y, voiceSwitch.id, button),
        Panel(voiceSwitch.id));
  Add(new IKRLED(model.get(), 473, 372, panel_id::kLfoTriangleLed, led), Panel(panel_id::kLfoTriangleLed));
  Add(new IKRLED(model.get(), 473, 436, panel_id::kLfoSquareLed, led), Panel(panel_id::kLfoSquareLed));
  for (int t = 0; t < kParamTrackCount; ++t) {
    const int voiceMode = VoiceParamIndex(t, kVoiceMode);
    Add(new IKRDropDown(model.get(), RectOf(panel::kVoiceModeDropDown), voiceMode), Param(voiceMode));
    for (int k : panel::kVoiceKnobParams) {
      const panel::Spot spot = panel::VoiceKnob(k);
      const int index = VoiceParamIndex(t, k);
      Add(new IKRKnobControl(model.get(), spot.x, spot.y, index, knob, true), Param(index));
    }
    for (const VoiceLed& voiceLed : kVoiceLeds) {
      const int index = VoiceParamIndex(t, voiceLed.k);
      Add(new IKRSwitchControl(model.get(), voiceLed.spot.x, voiceLed.spot.y, index, led), Param(index));
    }
  }
}

void VornellEditor::BuildTopBar() {
  graphics->AddControl(new IKRPresetMenu(model.get(), RectOf(panel::kPresetNumber), RectOf(panel::kPresetName)));
  Add(new IKRUtilityKick(model.get(), panel::kPresetPrev.x, panel::kPresetPrev.y, panel_id::kPresetPrevious,
                         Bitmap(kPrevPicture, 2)),
      Panel(panel_id::kPresetPrevious));
  Add(new IKRUtilityKick(model.get(), panel::kPresetNext.x, panel::kPresetNext.y, panel_id::kPresetNext,
                         Bitmap(kNextPicture, 2)),
      Panel(panel_id::kPresetNext));
  graphics->AddControl(new IKROptionMenu(model.get(), RectOf(panel::kOptionMenu)));
  Add(new IKRSwitchControl(model.get(), panel::kConfigSwitch.x, panel::kConfigSwitch.y, panel_id::kConfigPageSwitch,
                           Bitmap(kConfigButtonPicture, 2)),
      Panel(panel_id::kConfigPageSwitch));
  Add(new IKRSwitchControl(model.get(), panel::kBrowserSwitch.x, panel::kBrowserSwitch.y, panel_id::kBrowserPageSwitch,
                           Bitmap(kBrowseButtonPicture, 2)),
      Panel(panel_id::kBrowserPageSwitch));
  learnButton = new IKRSwitchMidiLearn(model.get(), panel::kLearnButton.x, panel::kLearnButton.y,
                                       Bitmap(kLearnPicture, 2), Bitmap(kUnlearnPicture, 2));
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
  const bool transpose = transposeView;
  if (IControl* pageSwitch = ControlByKey(Panel(panel_id::kConfigPageSwitch))) {
    pageSwitch->SetValue(on ? 1.0 : 0.0);
    pageSwitch->MarkDirty(false);
  }
  if (IControl* overlay = ControlByKey(Panel(panel_id::kConfigOverlay))) overlay->SetHidden(!on);
  if (IControl* overlay = ControlByKey(Panel(panel_id::kParamOverlay))) overlay->SetHidden(on);
  auto show = [this](ControlKey key, bool visible) {
    if (IControl* control = ControlByKey(key)) control->SetHidden(!visible);
  };
  for (ControlKey key : kConfigKeys) show(key, on);
  for (int t = 0; t < kParamTrackCount; ++t) {
    show(Param(TrackParamIndex(t, kTrackChannel)), on);
    show(Param(TrackParamIndex(t, kTrackMode)), on);
    show(Panel(panel_id::CycleSwitch(t)), on);
    show(Panel(panel_id::ProgramSelector(t)), on);
    show(Param(TrackParamIndex(t, kTrackVolume)), on);
    show(Param(TrackParamIndex(t, kTrackPanorama)), on);
    show(Param(TrackParamIndex(t, kTrackTune)), on && !transpose);
    show(Param(TrackParamIndex(t, kTrackTranspose)), on && transpose);
    if (IControl* channel = ControlByKey(Param(TrackParamIndex(t, kTrackChannel)))) {
      PluginLock lock(plug->Mutex());
      channel->SetGrayed(plug->GetEngine().GetTrack(t).sequenceDriven);
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
    if (IControl* led = ControlByKey(Panel(panel_id::TrackLed(t)))) led->MarkDirty(false);
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
  for (IKRLED* led : leds) led->FollowState();
  if (!plug->TakePanelDirty()) return;
  if (fullRefresh.exchange(false)) {
    RefreshEditTrackControls(plug->Panel().EditTrack());
    plug->RefreshParamControls();
  }
  ShowConfigPage(plug->config.configPanelShown.load());
  UpdateProgramSelectorGrayState();
  browser->FollowInstrument();
  graphics->SetAllControlsDirty();
}

// --- state the instrument tells of ---------------------------------------------

void VornellEditor::OnEditorOpened() {
  fullRefresh = true;
  plug->MarkPanelDirty();
}

void VornellEditor::EditTrackSoundChanged() {
  // Called from the program workflow: the idle tick does the work.
  fullRefresh = true;
  plug->MarkPanelDirty();
}

void VornellEditor::ShowConfigPage(bool on) {
  if (!plug->EditorOpen()) return;
  plug->config.configPanelShown = on;
  ApplyConfigPageVisibility();
  graphics->SetAllControlsDirty();
}

void VornellEditor::ShowTuneOrTranspose(bool transpose) {
  transposeView = transpose;
  if (!plug->config.configPanelShown.load()) return;
  ApplyConfigPageVisibility();
  graphics->SetAllControlsDirty();
}

void VornellEditor::RefreshEditTrackControls(int t) {
  if (!plug->EditorOpen()) return;
  plug->RefreshParamControls();
  ApplyEditTrackVisibility(t);
  graphics->SetAllControlsDirty();
}

void VornellEditor::UpdateProgramSelectorGrayState() {
  PluginLock lock(plug->Mutex());
  const bool link = plug->LinkProgramsOn() && !plug->stateLoading;
  bool ordinaryTaken = false;
  bool armedTaken = false;
  auto visit = [&](int t) {
    plug->Programs().UpdateProgramModified(t);
    IControl* selector = ControlByKey(Panel(panel_id::ProgramSelector(t)));
    if (!selector) return;
    const Track& track = plug->GetEngine().GetTrack(t);
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
  const int editTrack = plug->Panel().EditTrack();
  visit(editTrack);
  for (int t = 0; t < Engine::kTrackCount; ++t)
    if (t != editTrack) visit(t);
}
