#include "plugin/IPlugLV2.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>

#include "engine/MidiMessage.h"
#include "lv2/atom/atom.h"
#include "lv2/atom/forge.h"
#include "lv2/atom/util.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/state/state.h"
#include "lv2/time/time.h"
#include "lv2/urid/urid.h"
#include "plugin/IEditorLink.h"

namespace {

constexpr int kMaxBlockSize = 65536;
constexpr int kInitialBlockSize = 1024;
constexpr double kMaxHostSampleRate = 1536000.0;

// The plug-in whose run() this thread is inside, if any: MIDI sent from
// anywhere else has no output buffer to go to.
thread_local IPlugLV2* runningPlugin = nullptr;

class RunScope {
 public:
  explicit RunScope(IPlugLV2* plugin) : outer(runningPlugin) { runningPlugin = plugin; }
  ~RunScope() { runningPlugin = outer; }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  IPlugLV2* outer;
};

}  // namespace

struct IPlugLV2::Lv2Records {
  LV2_URID_Map* map = nullptr;
  struct {
    LV2_URID atomBlank, atomObject, atomChunk, atomInt, atomLong, atomFloat, atomDouble;
    LV2_URID midiEvent;
    LV2_URID timePosition, timeFrame, timeSpeed, timeBar, timeBarBeat, timeBeatUnit, timeBeatsPerBar,
        timeBeatsPerMinute;
    LV2_URID maxBlockLength, nominalBlockLength;
    LV2_URID chunkKey;
  } uris{};

  const LV2_Atom_Sequence* eventsIn = nullptr;
  LV2_Atom_Sequence* eventsOut = nullptr;
  LV2_Atom_Forge forge{};
  LV2_Atom_Forge_Frame sequenceFrame{};
  bool forgeOpen = false;
  int64_t lastOutFrame = 0;
  uint32_t runFrames = 0;

  // The host's last time position, and the frames rendered since (times the
  // speed). Positions are worked out from there rather than summed block by
  // block, so that no rounding accumulates between the host's updates.
  bool timeKnown = false;
  double frame = 0.0;
  double speed = 0.0;
  double bar = 0.0;
  double barBeat = 0.0;
  double beatsPerBar = 4.0;
  double beatUnit = 4.0;
  double beatsPerMinute = 120.0;
  double elapsed = 0.0;

  // Beats (of the beat unit) since the host's position.
  double BeatsSince(double rate) const { return elapsed / rate * beatsPerMinute / 60.0; }

  // A number atom of any of the four numeric types.
  bool Number(const LV2_Atom* atom, double* value) const {
    if (!atom) return false;
    double v;
    if (atom->type == uris.atomInt && atom->size >= sizeof(int32_t)) {
      v = reinterpret_cast<const LV2_Atom_Int*>(atom)->body;
    } else if (atom->type == uris.atomLong && atom->size >= sizeof(int64_t)) {
      v = static_cast<double>(reinterpret_cast<const LV2_Atom_Long*>(atom)->body);
    } else if (atom->type == uris.atomFloat && atom->size >= sizeof(float)) {
      v = reinterpret_cast<const LV2_Atom_Float*>(atom)->body;
    } else if (atom->type == uris.atomDouble && atom->size >= sizeof(double)) {
      v = reinterpret_cast<const LV2_Atom_Double*>(atom)->body;
    } else {
      return false;
    }
    if (!std::isfinite(v)) return false;
    *value = v;
    return true;
  }
};

IPlugLV2::IPlugLV2(VstHostCallback /*hostCallback*/, int numParams, int numPresets, const char* channelIOConfig)
    : IPlugBase(numParams, numPresets, channelIOConfig),
      lv2(std::make_unique<Lv2Records>()),
      controlPorts(static_cast<size_t>(NumParams()), nullptr),
      lastControl(static_cast<size_t>(NumParams()), 0.0f),
      reportedControl(static_cast<size_t>(NumParams()), std::nanf("")),
      audioPorts(static_cast<size_t>(NumOutputChannels()), nullptr),
      floatOutputs(static_cast<size_t>(NumOutputChannels()), nullptr),
      changedParams(static_cast<size_t>((NumParams() + 31) / 32)) {
  for (auto& word : changedParams) word.store(0, std::memory_order_relaxed);
  for (int i = 0; i < NumOutputChannels(); ++i) SetOutputConnected(i, true);
  IPlugLV2::SetBlockSize(kInitialBlockSize);
}

IPlugLV2::~IPlugLV2() = default;

bool IPlugLV2::AttachHost(double rate, const void* const* featureList) {
  if (!std::isfinite(rate) || rate <= 0.0 || rate > kMaxHostSampleRate) return false;
  const LV2_Feature* const* features = reinterpret_cast<const LV2_Feature* const*>(featureList);
  const LV2_Options_Option* options = nullptr;
  for (int i = 0; features && features[i]; ++i) {
    if (std::strcmp(features[i]->URI, LV2_URID__map) == 0)
      lv2->map = static_cast<LV2_URID_Map*>(features[i]->data);
    else if (std::strcmp(features[i]->URI, LV2_OPTIONS__options) == 0)
      options = static_cast<const LV2_Options_Option*>(features[i]->data);
  }
  LV2_URID_Map* map = lv2->map;
  if (!map || !map->map) return false;
  auto& u = lv2->uris;
  const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  u.atomBlank = id(LV2_ATOM__Blank);
  u.atomObject = id(LV2_ATOM__Object);
  u.atomChunk = id(LV2_ATOM__Chunk);
  u.atomInt = id(LV2_ATOM__Int);
  u.atomLong = id(LV2_ATOM__Long);
  u.atomFloat = id(LV2_ATOM__Float);
  u.atomDouble = id(LV2_ATOM__Double);
  u.midiEvent = id(LV2_MIDI__MidiEvent);
  u.timePosition = id(LV2_TIME__Position);
  u.timeFrame = id(LV2_TIME__frame);
  u.timeSpeed = id(LV2_TIME__speed);
  u.timeBar = id(LV2_TIME__bar);
  u.timeBarBeat = id(LV2_TIME__barBeat);
  u.timeBeatUnit = id(LV2_TIME__beatUnit);
  u.timeBeatsPerBar = id(LV2_TIME__beatsPerBar);
  u.timeBeatsPerMinute = id(LV2_TIME__beatsPerMinute);
  u.maxBlockLength = id(LV2_BUF_SIZE__maxBlockLength);
  u.nominalBlockLength = id(LV2_BUF_SIZE__nominalBlockLength);
  u.chunkKey = id(kLv2ChunkUri);
  lv2_atom_forge_init(&lv2->forge, map);

  // The longest run the host announces (else its usual one) sizes the
  // buffers, so that run() never allocates; longer runs go in pieces.
  int block = 0;
  for (const LV2_Options_Option* o = options; o && o->key; ++o) {
    if (o->type != u.atomInt || o->size != sizeof(int32_t) || !o->value) continue;
    const int32_t value = *static_cast<const int32_t*>(o->value);
    if (o->key == u.maxBlockLength) block = value;
    if (o->key == u.nominalBlockLength && block <= 0) block = value;
  }
  std::lock_guard lock(Mutex());
  SetSampleRate(rate);
  if (block > 0) SetBlockSize(block);
  OnReset();
  OnHostIdentified();
  ApplyAllParams();
  return true;
}

void IPlugLV2::SetBlockSize(int frames) {
  IPlugBase::SetBlockSize(std::clamp(frames, 1, kMaxBlockSize));
}

// ---- plug-in calls -------------------------------------------------------------

void IPlugLV2::ConnectPort(uint32_t port, void* data) {
  const int index = static_cast<int>(std::min<uint32_t>(port, INT32_MAX));
  if (index < NumParams()) {
    controlPorts[static_cast<size_t>(index)] = static_cast<const float*>(data);
  } else if (index < EventInputPort()) {
    audioPorts[static_cast<size_t>(index - FirstAudioPort())] = static_cast<float*>(data);
  } else if (index == EventInputPort()) {
    lv2->eventsIn = static_cast<const LV2_Atom_Sequence*>(data);
  } else if (index == EventOutputPort()) {
    lv2->eventsOut = static_cast<LV2_Atom_Sequence*>(data);
  }
}

void IPlugLV2::Activate() {
  std::lock_guard lock(Mutex());
  adoptControlPorts = true;
  OnActivate(true);
}

void IPlugLV2::Deactivate() {
  std::lock_guard lock(Mutex());
  OnActivate(false);
  OnReset();
}

void IPlugLV2::ApplyControlPorts() {
  if (adoptControlPorts.exchange(false)) {
    for (size_t i = 0; i < controlPorts.size(); ++i)
      if (controlPorts[i]) lastControl[i] = *controlPorts[i];
    return;
  }
  for (size_t i = 0; i < controlPorts.size(); ++i) {
    if (!controlPorts[i]) continue;
    const float port = *controlPorts[i];
    if (port == lastControl[i] || !std::isfinite(port)) continue;
    lastControl[i] = port;
    const int index = static_cast<int>(i);
    PlugParam* param = GetParam(index);
    // The UI writing back what the plug-in did itself changes nothing, also
    // when the plug-in has changed the parameter again since (a program
    // change just after another): the port brings an older value.
    const bool reported = port == reportedControl[i];
    reportedControl[i] = std::nanf("");
    if (reported || static_cast<float>(param->Value()) == port) continue;
    double value = port;
    if (param->Kind() != ParamKind::Continuous && param->Step() > 0.0)
      value = param->Min() + std::round((value - param->Min()) / param->Step()) * param->Step();
    param->SetValue(value);
    if (IEditorLink* editor = GetEditorLink()) editor->ShowParamValue(index, param->Value(), false);
    OnParamChanged(index);
  }
}

void IPlugLV2::RenderSegment(uint32_t start, uint32_t frames) {
  for (size_t i = 0; i < audioPorts.size(); ++i) floatOutputs[i] = audioPorts[i] ? audioPorts[i] + start : nullptr;
  const int length = static_cast<int>(frames);
  AttachFloatOutputs(floatOutputs.data(), length);
  RunProcessBlock(length);
  WriteFloatOutputs(length, false);
  // A port the host left unconnected gets nothing; the others are complete.
  segmentStart = start + frames;
  AdvanceTime(frames);
}

void IPlugLV2::AdvanceTime(uint32_t frames) {
  Lv2Records& r = *lv2;
  if (r.timeKnown) r.elapsed += frames * r.speed;
}

void IPlugLV2::Run(uint32_t frames) {
  std::lock_guard lock(Mutex());
  const RunScope scope(this);
  Lv2Records& r = *lv2;
  const auto& u = r.uris;
  segmentStart = 0;
  r.runFrames = frames;
  r.lastOutFrame = 0;
  r.forgeOpen = false;
  if (r.eventsOut) {
    // The host gives the buffer's capacity as the atom's size.
    const uint32_t capacity = r.eventsOut->atom.size;
    lv2_atom_forge_set_buffer(&r.forge, reinterpret_cast<uint8_t*>(r.eventsOut), capacity);
    r.forgeOpen = capacity >= sizeof(LV2_Atom_Sequence) && lv2_atom_forge_sequence_head(&r.forge, &r.sequenceFrame, 0);
  }

  ApplyControlPorts();

  const uint32_t piece = static_cast<uint32_t>(std::max(1, GetBlockSize()));
  const auto renderUpTo = [&](uint32_t end) {
    while (segmentStart < end) RenderSegment(segmentStart, std::min(piece, end - segmentStart));
  };

  if (r.eventsIn && r.eventsIn->atom.size >= sizeof(LV2_Atom_Sequence_Body)) {
    LV2_ATOM_SEQUENCE_FOREACH(r.eventsIn, event) {
      const int64_t when = std::clamp<int64_t>(event->time.frames, segmentStart, frames);
      const uint32_t at = static_cast<uint32_t>(when);
      const LV2_Atom& body = event->body;
      if (body.type == u.midiEvent && body.size > 0) {
        // Messages are queued up to one block ahead of the segment's start.
        while (at - segmentStart >= piece) RenderSegment(segmentStart, piece);
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&body));
        const int offset = static_cast<int>(at - segmentStart);
        if (bytes[0] == 0xF0) {
          OnSysExMessage(offset, static_cast<int>(body.size), bytes);
        } else if (bytes[0] >= 0x80) {
          MidiMessage message;
          message.offset = offset;
          message.status = bytes[0];
          message.data1 = body.size > 1 ? bytes[1] : 0;
          message.data2 = body.size > 2 ? bytes[2] : 0;
          OnMidiMessage(message);
        }
      } else if ((body.type == u.atomObject || body.type == u.atomBlank) &&
                 reinterpret_cast<const LV2_Atom_Object*>(&body)->body.otype == u.timePosition) {
        // A new position holds from its frame on: what lies before it renders first.
        renderUpTo(at);
        const LV2_Atom *frame = nullptr, *speed = nullptr, *bar = nullptr, *barBeat = nullptr, *beatUnit = nullptr,
                       *beatsPerBar = nullptr, *bpm = nullptr;
        lv2_atom_object_get(reinterpret_cast<const LV2_Atom_Object*>(&body), u.timeFrame, &frame, u.timeSpeed, &speed,
                            u.timeBar, &bar, u.timeBarBeat, &barBeat, u.timeBeatUnit, &beatUnit, u.timeBeatsPerBar,
                            &beatsPerBar, u.timeBeatsPerMinute, &bpm, 0);
        double value = 0.0;
        if (r.Number(frame, &value)) r.frame = value;
        if (r.Number(speed, &value)) r.speed = value;
        if (r.Number(bar, &value)) r.bar = std::max(0.0, value);
        if (r.Number(barBeat, &value)) r.barBeat = std::max(0.0, value);
        if (r.Number(beatUnit, &value) && value >= 1.0) r.beatUnit = value;
        if (r.Number(beatsPerBar, &value) && value > 0.0) r.beatsPerBar = value;
        if (r.Number(bpm, &value) && value > 0.0) r.beatsPerMinute = value;
        r.elapsed = 0.0;
        r.timeKnown = true;
      }
    }
  }
  renderUpTo(frames);

  if (r.forgeOpen) lv2_atom_forge_pop(&r.forge, &r.sequenceFrame);
  r.forgeOpen = false;
}

// ---- MIDI out -------------------------------------------------------------------

bool IPlugLV2::WriteMidiEvent(int offset, const uint8_t* bytes, uint32_t size) {
  Lv2Records& r = *lv2;
  if (runningPlugin != this || !r.forgeOpen || !bytes || size == 0 || r.runFrames == 0) return false;
  // Events go out in time order within this run.
  int64_t at = static_cast<int64_t>(segmentStart) + std::max(0, offset);
  at = std::clamp<int64_t>(at, r.lastOutFrame, r.runFrames - 1);
  if (!lv2_atom_forge_frame_time(&r.forge, at)) return false;
  if (!lv2_atom_forge_atom(&r.forge, size, r.uris.midiEvent) || !lv2_atom_forge_write(&r.forge, bytes, size)) {
    // The buffer is full: nothing more goes into this run's output.
    r.forgeOpen = false;
    return false;
  }
  r.lastOutFrame = at;
  return true;
}

bool IPlugLV2::SendMidiToHost(const MidiMessage& message) {
  const uint8_t bytes[3] = {message.status, message.data1, message.data2};
  const int kind = message.status >> 4;
  const uint32_t size = (kind == 0xC || kind == 0xD) ? 2 : 3;
  return message.status >= 0x80 && WriteMidiEvent(message.offset, bytes, size);
}

bool IPlugLV2::SendSysExToHost(int offset, int size, const uint8_t* data) {
  return size > 0 && WriteMidiEvent(offset, data, static_cast<uint32_t>(size));
}

// ---- time -----------------------------------------------------------------------

double IPlugLV2::GetSamplePosition() {
  return lv2->timeKnown ? lv2->frame + lv2->elapsed : 0.0;
}

double IPlugLV2::GetHostTempo() {
  // The host counts beats of its beat unit; the instrument counts quarter notes.
  return lv2->timeKnown ? lv2->beatsPerMinute * 4.0 / lv2->beatUnit : 0.0;
}

bool IPlugLV2::GetTimeSignature(int* numerator, int* denominator) {
  const Lv2Records& r = *lv2;
  if (!r.timeKnown) return false;
  if (numerator) *numerator = std::max(1, static_cast<int>(std::lround(std::min(r.beatsPerBar, 1024.0))));
  if (denominator) *denominator = static_cast<int>(std::lround(std::min(r.beatUnit, 1024.0)));
  return true;
}

void IPlugLV2::GetHostTime(HostTimeInfo& info) {
  const Lv2Records& r = *lv2;
  if (!r.timeKnown) return;
  const double quartersPerBeat = 4.0 / r.beatUnit;
  const double beats = r.bar * r.beatsPerBar + r.barBeat + r.BeatsSince(GetSampleRate());
  info.samplePos = r.frame + r.elapsed;
  info.tempo = r.beatsPerMinute * quartersPerBeat;
  info.ppqPos = beats * quartersPerBeat;
  info.lastBar = std::floor(beats / r.beatsPerBar) * r.beatsPerBar * quartersPerBeat;
  GetTimeSignature(&info.numerator, &info.denominator);
  info.transportRunning = r.speed != 0.0;
}

// ---- parameters and the UI ----------------------------------------------------

void IPlugLV2::NotifyHostParamChange(int index, double /*normalized*/) {
  if (index < 0 || index >= NumParams()) return;
  changedParams[static_cast<size_t>(index / 32)].fetch_or(uint32_t{1} << (index % 32), std::memory_order_relaxed);
}

void IPlugLV2::NotifyHostProgramChange() {
  for (int i = 0; i < NumParams(); ++i) NotifyHostParamChange(i, 0.0);
}

void IPlugLV2::TakeChangedParams(void (*write)(void* context, uint32_t port, float value), void* context) {
  if (!write) return;
  for (size_t word = 0; word < changedParams.size(); ++word) {
    uint32_t bits = changedParams[word].exchange(0, std::memory_order_relaxed);
    while (bits) {
      const int index = static_cast<int>(word * 32) + __builtin_ctz(bits);
      bits &= bits - 1;
      float value = 0.0f;
      {
        std::lock_guard lock(Mutex());
        value = static_cast<float>(GetParam(index)->Value());
        reportedControl[static_cast<size_t>(index)] = value;
      }
      write(context, static_cast<uint32_t>(index), value);
    }
  }
}

void IPlugLV2::SetUiHost(const UiHost& host) {
  uiHost = host;
}

void IPlugLV2::BeginHostParamGesture(int index) {
  if (uiHost.touch && index >= 0 && index < NumParams())
    uiHost.touch(uiHost.touchHandle, static_cast<uint32_t>(index), true);
}

void IPlugLV2::EndHostParamGesture(int index) {
  if (uiHost.touch && index >= 0 && index < NumParams())
    uiHost.touch(uiHost.touchHandle, static_cast<uint32_t>(index), false);
}

bool IPlugLV2::NotifyHostEditorResized(int width, int height) {
  return uiHost.resize && uiHost.resize(uiHost.resizeHandle, width, height) == 0;
}

// ---- state ------------------------------------------------------------------------

bool IPlugLV2::MakeStateChunk(DataBlock& chunk) {
  std::lock_guard lock(Mutex());
  chunk.Clear();
  if (!WriteChunkHeader(chunk)) return false;
  ModifyCurrentPreset(nullptr);
  return SerializePresets(chunk) && chunk.PutInt32(kCurrentPresetTag) && chunk.PutInt32(GetCurrentPresetIndex());
}

bool IPlugLV2::LoadStateChunk(const uint8_t* data, int size) {
  if (!data || size <= 0) return false;
  // Read and checked without the lock, so that the audio thread runs on
  // meanwhile; a refused chunk changes nothing.
  DataBlock chunk;
  if (!chunk.PutBytes(data, size)) return false;
  int position = 0;
  HostChunkImage image;
  if (ReadChunkHeader(chunk, &position) >= kChunkVersion)
    ReadBankChunk(chunk, position, image);
  else
    // A program chunk of the VST2 module's older form: one state and its name.
    ReadProgramChunk(chunk, position, image);
  if (image.end < 0) return false;

  std::lock_guard lock(Mutex());
  ApplyHostChunk(chunk, image);
  RefreshParamControls();
  // The ports still hold the values from before: they must not undo what was
  // just read. The UI's host hears of every parameter.
  adoptControlPorts = true;
  NotifyHostProgramChange();
  return true;
}

// ---- the descriptor -----------------------------------------------------------------

namespace {

std::mutex& ConstructionLock() {
  static std::mutex lock;
  return lock;
}

IPlugLV2* PluginOf(LV2_Handle instance) {
  return static_cast<IPlugLV2*>(instance);
}

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
  std::lock_guard<std::mutex> lock(ConstructionLock());
  IPlugLV2* plugin = nullptr;
  try {
    plugin = CreateVornellLV2();
    if (!plugin) return nullptr;
    plugin->MakeDefaultPresets(plugin->NumPresets());
    if (!plugin->AttachHost(rate, reinterpret_cast<const void* const*>(features))) {
      delete plugin;
      return nullptr;
    }
  } catch (...) {
    // No exception may cross into the host: a failed construction gives null.
    delete plugin;
    return nullptr;
  }
  return plugin;
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
  PluginOf(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance) {
  PluginOf(instance)->Activate();
}

void Run(LV2_Handle instance, uint32_t frames) {
  PluginOf(instance)->Run(frames);
}

void Deactivate(LV2_Handle instance) {
  PluginOf(instance)->Deactivate();
}

void Cleanup(LV2_Handle instance) {
  delete PluginOf(instance);
}

LV2_State_Status SaveState(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                           uint32_t /*flags*/, const LV2_Feature* const* /*features*/) {
  IPlugLV2* plugin = PluginOf(instance);
  DataBlock chunk;
  if (!plugin->MakeStateChunk(chunk)) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, plugin->ChunkKey(), chunk.Data(), static_cast<size_t>(chunk.Size()), plugin->ChunkType(),
               LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status RestoreState(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                              uint32_t /*flags*/, const LV2_Feature* const* /*features*/) {
  IPlugLV2* plugin = PluginOf(instance);
  size_t size = 0;
  uint32_t type = 0, valueFlags = 0;
  const void* data = retrieve(handle, plugin->ChunkKey(), &size, &type, &valueFlags);
  if (!data) return LV2_STATE_ERR_NO_PROPERTY;
  if (type != plugin->ChunkType()) return LV2_STATE_ERR_BAD_TYPE;
  if (size > static_cast<size_t>(INT32_MAX)) return LV2_STATE_ERR_UNKNOWN;
  return plugin->LoadStateChunk(static_cast<const uint8_t*>(data), static_cast<int>(size)) ? LV2_STATE_SUCCESS
                                                                                           : LV2_STATE_ERR_UNKNOWN;
}

const void* ExtensionData(const char* uri) {
  static const LV2_State_Interface state = {SaveState, RestoreState};
  if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
  return nullptr;
}

}  // namespace

uint32_t IPlugLV2::ChunkKey() const {
  return lv2->uris.chunkKey;
}

uint32_t IPlugLV2::ChunkType() const {
  return lv2->uris.atomChunk;
}

const void* IPlugLV2::Descriptor() {
  static const LV2_Descriptor descriptor = {kLv2PluginUri, Instantiate,  ::ConnectPort, ::Activate,
                                            ::Run,         ::Deactivate, Cleanup,       ExtensionData};
  return &descriptor;
}
