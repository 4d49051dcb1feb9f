#include "instrument/Vornell.h"

#include <cmath>
#include <mutex>

#include "engine/MidiMessage.h"
#include "plugin/IEditorLink.h"
#include "programs/ParameterTable.h"

namespace {
// Room for any status text, so that showing one from the audio thread does
// not allocate.
constexpr size_t kStatusCapacity = 256;
EditorPartFactory editorPartFactory = nullptr;
}  // namespace

Vornell::Vornell(VstHostCallback hostCallback, const VornellStartup& startup) : Synth(hostCallback), engine(this) {
  // Nothing is reported to a host or an editor until construction is over.
  stateLoading = true;
  statusText.reserve(kStatusCapacity);
  // Reading a state (also on the audio thread, at a MIDI program change)
  // copies the track program names into this storage.
  for (int t = 0; t < Engine::kTrackCount; ++t) engine.GetTrack(t).programName.reserve(kStateTrackNameLength);

  // The fourteen outputs as hosts list them: the stereo sum, then each track's pair.
  SetOutputLabel(0, "Sum L");
  SetOutputLabel(1, "Sum R");
  for (int t = 0; t < Engine::kTrackCount; ++t) {
    const std::string track = "Track " + std::to_string(t + 1);
    SetOutputLabel(2 + 2 * t, (track + " L").c_str());
    SetOutputLabel(3 + 2 * t, (track + " R").c_str());
  }

  // The engine's tracks and voices exist with the engine; the parameters are
  // defined and every one applied, so every engine field starts from its default.
  DefineParameters();
  ApplyAllParams();

  library.stateLoading = [this]() { return stateLoading; };
  library.saveEnhancedPrograms = saveEnhancedPrograms.load();
  // Restored before the library knows of the tracks: the reload below is the
  // only one (a first, before the names, would set every value the same way
  // again), and the tracks take the programs' names from it.
  library.RestoreFactoryPrograms(-1);
  library.reloadTracks = [this](int program) {
    for (int t = 0; t < Engine::kTrackCount; ++t) {
      const int playing = programs.TrackProgramNumber(t);
      if (program < 0 || playing == program) programs.LoadProgramIntoTrack(t, playing);
    }
  };
  library.reloadTracks(-1);

  // The startup bank or, failing that, the built-in bank fills the presets and
  // the current state.
  startupBankPath = startup.startupBankPath ? *startup.startupBankPath : config.startupBankPath;
  if (startup.loadPresetBank) LoadStartupBank();
  // Without a bank the tracks hold the factory programs now: the engine takes
  // every value as a state read would give it.
  ApplyAllParams();

  // The panel's VALUE reading starts from the edit track's selected parameter.
  panel.ReadSelectedParamValue();
  editorFactory = editorPartFactory;
  if (editorFactory) OfferEditor();
  stateLoading = false;
}

Vornell::~Vornell() {
  editorPart.reset();
  library.reloadTracks = nullptr;
  library.stateLoading = nullptr;
}

// --- editor --------------------------------------------------------------------

void SetEditorPartFactory(EditorPartFactory factory) {
  editorPartFactory = factory;
}

IEditorLink* Vornell::RequireEditor() {
  {
    PluginLock lock(Mutex());
    // The editor being built asks for itself (it is not there yet): no second one.
    if (editorPart || !editorFactory || buildingEditor) return GetEditorLink();
    buildingEditor = true;
  }
  // Built without the lock (unless the caller holds it), so that the audio
  // thread does not wait for a thousand controls: the editor takes the lock
  // for what it reads of the instrument and to attach itself.
  std::unique_ptr<EditorPart> built = editorFactory(*this);
  PluginLock lock(Mutex());
  editorPart = std::move(built);
  buildingEditor = false;
  return GetEditorLink();
}

EditorPart* Vornell::Editor() {
  RequireEditor();
  return editorPart.get();
}

void Vornell::OnIdleTick() {
  if (editorPart) editorPart->OnIdleTick();
}

void Vornell::OnEditorOpened() {
  if (editorPart) editorPart->OnEditorOpened();
}

void Vornell::RefreshEditTrackControls() {
  panelDirty = true;
  if (editorPart) editorPart->EditTrackSoundChanged();
}

// --- audio -----------------------------------------------------------------------

void Vornell::OnReset() {
  PluginLock lock(Mutex());
  DisarmMidiLearn();
  engine.OnReset(GetSampleRate(), GetBlockSize());
  // A playing loop keeps its tempo at a new sample rate.
  sequencer.UpdateTickDuration();
}

void Vornell::ProcessBlock(double** inputs, double** outputs, int frames) {
  if (!outputs || frames < 0) return;
  RefreshControllerSettings();
  engine.ProcessBlock(inputs, outputs, frames);
}

void Vornell::OnMidiMessage(const MidiMessage& message) {
  PluginLock lock(Mutex());
  if (MidiThru()) SendMidiToHost(message);
  engine.OnMidiMessage(message);
}

void Vornell::OnActivate(bool active) {
  PluginLock lock(Mutex());
  if (active) return;
  // What the host handed over for blocks that will not come must not play
  // when processing resumes.
  engine.DropQueuedMessages();
  // Keys and pedals let go while no blocks run are never heard of: nothing
  // sounding now may hold on when processing resumes.
  engine.ResetAllVoices();
}

void Vornell::ResetAllVoices() {
  engine.ResetAllVoices();
}

void Vornell::ApplyAllParams() {
  PluginLock lock(Mutex());
  // Reapplying what the tracks already hold is no edit: were linking active,
  // the first track's voice values would overwrite those of every linked track.
  const bool wasSuspended = programs.LinkSuspended();
  programs.SetLinkSuspended(true);
  IPlugBase::ApplyAllParams();
  programs.SetLinkSuspended(wasSuspended);
}

// --- engine hooks ------------------------------------------------------------------

bool Vornell::CaptureMidiLearn(int32_t controller) {
  return CaptureLearnController(controller);
}

void Vornell::OnProgramChange(int32_t program) {
  // The host's preset display follows (told later: this is the audio thread).
  if (!IgnoreProgramChange() && SelectPreset(program)) NotifyHostProgramChange();
}

double Vornell::GetParameterNormalized(int32_t index) {
  const PlugParam* param = GetParam(index);
  return param ? param->NormalizedValue() : -1.0;
}

void Vornell::SetParameterFromController(int32_t index, double normalized) {
  if (!GetParam(index)) return;
  SetParamNormalized(index, normalized);
  if (IEditorLink* editor = GetEditorLink()) editor->ShowParamValue(index, normalized, true);
}

// --- status line ---------------------------------------------------------------------

void Vornell::ShowStatus(const char* text, int colour) {
  if (!EditorOpen()) return;
  PluginLock lock(Mutex());
  const char* shown = (text && *text) ? text : "Version 1.0.1.N";
  size_t length = 0;
  while (length < kStatusCapacity - 1 && shown[length]) ++length;
  statusText.assign(shown, length);
  statusColour = (colour >= kStatusWhite && colour <= kStatusRed) ? colour : kStatusWhite;
  ++statusSerial;
}

// --- helpers ---------------------------------------------------------------------------

int Vornell::ModeValue() const {
  return ValidPerformanceMode(IntParam(kParamMode));
}

bool Vornell::LinkProgramsOn() const {
  const PlugParam* link = GetParam(kParamLinkPrograms);
  return link && link->Value() >= 0.5;
}

int Vornell::IntParam(int index) const {
  const PlugParam* param = GetParam(index);
  if (!param) return 0;
  const double value = std::trunc(param->Value());
  if (!(value > -2147483648.0 && value < 2147483647.0)) return 0;
  return static_cast<int>(value);
}
