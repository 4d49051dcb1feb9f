#include "plugin/IPlugBase.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/SampleConversion.h"
#include "plugin/IEditorLink.h"
#include "plugin/ScopedValue.h"

IPlugBase::IPlugBase(int numParams, int numPresets, const char* channelIOConfig)
    : params(static_cast<size_t>(std::max(0, numParams))), presets(static_cast<size_t>(std::max(0, numPresets))) {
  shownValues.resize(params.size());
  ParseChannelIOConfig(channelIOConfig);
}

IPlugBase::~IPlugBase() = default;

void IPlugBase::ParseChannelIOConfig(const char* text) {
  int maxInputs = 0;
  int maxOutputs = 0;
  const char* p = text ? text : "";
  while (*p) {
    while (*p == ' ') ++p;
    if (!*p) break;
    char* end = nullptr;
    long inputs = std::strtol(p, &end, 10);
    if (end == p || *end != '-') break;
    p = end + 1;
    long outputs = std::strtol(p, &end, 10);
    if (end == p) break;
    p = end;
    ChannelIOConfig config;
    config.inputs = static_cast<int>(std::clamp(inputs, 0L, 256L));
    config.outputs = static_cast<int>(std::clamp(outputs, 0L, 256L));
    ioConfigs.push_back(config);
    maxInputs = std::max(maxInputs, config.inputs);
    maxOutputs = std::max(maxOutputs, config.outputs);
  }
  inputChannels.resize(static_cast<size_t>(maxInputs));
  outputChannels.resize(static_cast<size_t>(maxOutputs));
  inputPointers.assign(inputChannels.size(), nullptr);
  outputPointers.assign(outputChannels.size(), nullptr);
}

// --- virtual operations --------------------------------------------------------

void IPlugBase::OnReset() {
  PluginLock lock(mutex);
}

void IPlugBase::OnParamChanged(int /*index*/) {
  PluginLock lock(mutex);
}

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int frames) {
  if (!outputs || frames <= 0) return;
  const size_t count = static_cast<size_t>(frames);
  for (int i = 0; i < NumOutputChannels(); ++i) {
    double* out = outputs[i];
    if (!out) continue;
    const double* in = (inputs && i < NumInputChannels()) ? inputs[i] : nullptr;
    if (in) {
      if (in != out) std::memmove(out, in, count * sizeof(double));
    } else {
      std::fill(out, out + count, 0.0);
    }
  }
}

void IPlugBase::OnActivate(bool /*active*/) {
  PluginLock lock(mutex);
}

void IPlugBase::OnMidiMessage(const MidiMessage& message) {
  SendMidiToHost(message);
}

void IPlugBase::OnSysExMessage(int /*offset*/, int /*size*/, const uint8_t* /*data*/) {}

bool IPlugBase::GetMidiNoteName(int /*note*/, char* text, int size) {
  if (text && size > 0) text[0] = '\0';
  return false;
}

bool IPlugBase::SaveState(DataBlock& block) {
  return SerializeParams(block);
}

int IPlugBase::LoadState(const DataBlock& block, int position) {
  return UnserializeParams(block, position);
}

int IPlugBase::MeasureState(const DataBlock& block, int position) const {
  const int64_t end = static_cast<int64_t>(position) + int64_t{8} * NumParams();
  return position < 0 || end > block.Size() ? -1 : static_cast<int>(end);
}

bool IPlugBase::StateEquals(const DataBlock& block, int position) {
  for (const PlugParam& param : params) {
    double stored = 0.0;
    position = block.GetDouble(&stored, position);
    if (position < 0) return false;
    float a = static_cast<float>(stored);
    float b = static_cast<float>(param.Value());
    if (!(std::fabs(a - b) <= 1e-5f)) return false;
  }
  return true;
}

void IPlugBase::SetParamFromEditor(int index, double normalized) {
  PluginLock lock(mutex);
  const int outerEdit = userEditIndex;
  userEditIndex = index;
  SetParamNormalized(index, normalized);
  userEditIndex = outerEdit;
}

void IPlugBase::SetParamNormalized(int index, double normalized) {
  PluginLock lock(mutex);
  PlugParam* param = GetParam(index);
  if (!param) return;
  param->SetFromNormalized(normalized);
  NotifyHostParamChange(index, normalized);
  OnParamChanged(index);
}

void IPlugBase::AttachEditor(IEditorLink* newEditor) {
  PluginLock lock(mutex);
  if (newEditor) {
    ShowAllParamValues(*newEditor);
    newEditor->PrepareDrawing();
  }
  editor = newEditor;
}

void IPlugBase::AttachGraphics(IGraphics* graphics) {
  graphicsLink.SetGraphics(graphics);
  AttachEditor(graphics ? &graphicsLink : nullptr);
}

void IPlugBase::SetLatency(int samples) {
  latency = std::max(0, samples);
  latencyDelay.assign(outputChannels.size(), std::vector<double>(static_cast<size_t>(latency), 0.0));
}

void IPlugBase::RefreshParamControls() {
  if (editor && !controlRefreshHeld) ShowAllParamValues(*editor);
}

void IPlugBase::ShowAllParamValues(IEditorLink& link) {
  for (int i = 0; i < NumParams(); ++i)
    shownValues[static_cast<size_t>(i)] = params[static_cast<size_t>(i)].NormalizedValue();
  link.ShowAllParamValues(shownValues.data(), NumParams());
}

void IPlugBase::SetBlockSize(int frames) {
  blockSize = std::max(0, frames);
  scratchFrames = blockSize;
  for (auto* channels : {&inputChannels, &outputChannels}) {
    for (PlugChannel& channel : *channels) {
      channel.scratch.assign(static_cast<size_t>(blockSize), 0.0);
      channel.enginePointer = channel.scratch.data();
      channel.hostFloat = nullptr;
    }
  }
}

void IPlugBase::SetBlockSizeLater(int frames) {
  blockSize = std::max(0, frames);
}

void IPlugBase::PrepareScratch() {
  if (scratchFrames != blockSize) SetBlockSize(blockSize);
}

void IPlugBase::GrowScratch(int frames) {
  // A host that breaks its announced block size, or processes before it
  // resumed, gets a reallocation rather than an overrun.
  if (frames > scratchFrames) SetBlockSize(std::max(frames, blockSize));
}

// --- the editor's view ---------------------------------------------------------------

bool IPlugBase::GetEditorParamInfo(int index, EditorParamInfo* info) const {
  PluginLock lock(mutex);
  const PlugParam* param = GetParam(index);
  if (!param || !info) return false;
  switch (param->Kind()) {
    case ParamKind::None:
      info->kind = EditorParamKind::None;
      break;
    case ParamKind::Switch:
      info->kind = EditorParamKind::Switch;
      break;
    case ParamKind::Integer:
      info->kind = EditorParamKind::Integer;
      break;
    case ParamKind::List:
      info->kind = EditorParamKind::List;
      break;
    case ParamKind::Continuous:
      info->kind = EditorParamKind::Continuous;
      break;
  }
  info->value = param->Value();
  info->min = param->Min();
  info->max = param->Max();
  info->displayPrecision = param->DisplayPrecision();
  info->negateDisplay = param->NegateDisplay();
  info->hasDisplayFunction = param->DisplayFunction() != nullptr;
  info->name = param->Name();
  info->displayTexts.clear();
  for (int i = 0; i < param->NumDisplayTexts(); ++i) {
    int value = 0;
    const char* text = param->GetDisplayTextAt(i, &value);
    info->displayTexts.emplace_back(value, text);
  }
  return true;
}

double IPlugBase::EditorNormalizedValue(int index, double plainValue) const {
  const PlugParam* param = GetParam(index);
  return param ? param->ToNormalized(plainValue) : 0.0;
}

std::string IPlugBase::EditorDisplayText(int index, double value, bool normalised) const {
  PluginLock lock(mutex);
  const PlugParam* param = GetParam(index);
  return param ? param->DisplayText(value, normalised) : std::string();
}

std::string IPlugBase::EditorLabelText(int index) const {
  PluginLock lock(mutex);
  const PlugParam* param = GetParam(index);
  return param ? param->LabelText(param->Value()) : std::string();
}

// --- parameters ------------------------------------------------------------------

void IPlugBase::SetParameterFromEngine(int index, double value) {
  PlugParam* param = GetParam(index);
  if (!param) return;
  param->SetValue(value);
  if (stateLoading) return;
  const double normalized = param->NormalizedValue();
  SetParamNormalized(index, normalized);
  if (editor) editor->ShowParamValue(index, normalized, true);
}

void IPlugBase::ApplyAllParams() {
  for (int i = 0; i < NumParams(); ++i) OnParamChanged(i);
}

void IPlugBase::PushParamsToHost() {
  PluginLock lock(mutex);
  for (int i = 0; i < NumParams(); ++i) NotifyHostParamChange(i, params[static_cast<size_t>(i)].NormalizedValue());
}

bool IPlugBase::SerializeParams(DataBlock& block) {
  PluginLock lock(mutex);
  for (const PlugParam& param : params)
    if (!block.PutDouble(param.Value())) return false;
  return true;
}

int IPlugBase::UnserializeParams(const DataBlock& block, int position) {
  PluginLock lock(mutex);
  for (PlugParam& param : params) {
    if (position < 0) break;
    double stored = 0.0;
    position = block.GetDouble(&stored, position);
    // A value that is missing leaves the parameter as it was rather than
    // dropping it to its minimum; NaN is ignored by SetValue the same way.
    if (position >= 0) param.SetValue(stored);
  }
  for (int i = 0; i < NumParams(); ++i) OnParamChanged(i);
  return position;
}

// --- presets ---------------------------------------------------------------------

PlugPreset* IPlugBase::GetPreset(int index) {
  if (index < 0 || index >= NumPresets()) return nullptr;
  return &presets[static_cast<size_t>(index)];
}

const PlugPreset* IPlugBase::GetPreset(int index) const {
  if (index < 0 || index >= NumPresets()) return nullptr;
  return &presets[static_cast<size_t>(index)];
}

bool IPlugBase::SerializePresets(DataBlock& block) {
  for (const PlugPreset& preset : presets) {
    if (!block.PutText(preset.name)) return false;
    if (!block.PutByte(preset.initialized ? 1 : 0)) return false;
    if (preset.initialized && !block.PutBlock(preset.state)) return false;
  }
  return true;
}

int IPlugBase::UnserializePresets(const DataBlock& block, int position) {
  PresetBankImage image;
  ReadPresetBank(block, position, image);
  return ApplyPresetBank(block, image);
}

void IPlugBase::ReadPresetBank(const DataBlock& block, int position, PresetBankImage& image,
                               bool prepareReplays) const {
  image.presets.clear();
  image.replays.clear();
  image.brokenStateAt = -1;
  for (int i = 0; i < NumPresets() && position >= 0; ++i) {
    std::string name;
    uint8_t initialized = 0;
    position = block.GetText(&name, position);
    position = block.GetByte(&initialized, position);
    // A preset whose name or flag is missing, or whose state cannot be read,
    // keeps what it had, and so do all after it.
    if (position < 0) break;
    PlugPreset preset;
    if (initialized) {
      const int start = position;
      position = MeasureState(block, position);
      if (position <= 0) {
        image.brokenStateAt = start;
        break;
      }
      // The preset keeps the bytes it was given. Saving the state again would
      // note the preset current at this moment in it, so an untouched bank
      // would no longer read back as the same bytes. The built-in bank's are
      // shared, not copied, until the preset is written.
      if (!preset.state.AssignRange(block, start, position - start)) {
        image.brokenStateAt = start;
        position = -1;
        break;
      }
    }
    if (name.size() > static_cast<size_t>(kPresetNameLength)) name.resize(kPresetNameLength);
    preset.name = std::move(name);
    preset.initialized = initialized != 0;
    image.replays.push_back(prepareReplays && preset.initialized ? PrepareReplay(preset.state, 0) : nullptr);
    image.presets.push_back(std::move(preset));
  }
  image.end = position;
}

// The bank's states reach the live state in turn, as they always did, and the
// current preset's state last. Only what a state leaves behind for a later one
// is observable, so every state that a whole state read follows is replayed
// (ReplayState) rather than loaded; the last one is loaded whole when the
// current preset will not be (it is uninitialized, or its state is not whole).
// Likewise the current preset's own state, when the preset selected next loads
// a whole one.
int IPlugBase::ApplyPresetBank(const DataBlock& block, PresetBankImage& image, int thenSelect) {
  return ApplyPresetBankImage(block, image, &image, thenSelect);
}

int IPlugBase::ApplySharedPresetBank(const DataBlock& block, const PresetBankImage& image) {
  return ApplyPresetBankImage(block, image, nullptr, -1);
}

int IPlugBase::ApplyPresetBankImage(const DataBlock& block, const PresetBankImage& image, PresetBankImage* given,
                                    int thenSelect) {
  const int count = std::min(static_cast<int>(image.presets.size()), NumPresets());
  const PlugPreset* target =
      currentPreset < count ? &image.presets[static_cast<size_t>(currentPreset)] : GetPreset(currentPreset);
  const bool targetWhole = target && target->initialized && MeasureState(target->state, 0) > 0;
  // The loads from this index on are whole ones: none when the current
  // preset's state follows whole; otherwise the last, or all when a state cut
  // short comes after them (it leaves the library half-read, which only whole
  // reads before it fill as they did).
  int firstWhole = count;
  if (!targetWhole) {
    if (image.brokenStateAt >= 0)
      firstWhole = 0;
    else
      for (int i = count - 1; i >= 0 && firstWhole == count; --i)
        if (image.presets[static_cast<size_t>(i)].initialized) firstWhole = i;
  }
  for (int i = 0; i < count; ++i) {
    const PlugPreset& read = image.presets[static_cast<size_t>(i)];
    PlugPreset& slot = presets[static_cast<size_t>(i)];
    if (read.initialized) {
      if (i >= firstWhole)
        LoadState(read.state, 0);
      else
        Replay(read.state, image, i);
    }
    if (given) {
      PlugPreset& taken = given->presets[static_cast<size_t>(i)];
      if (read.initialized) std::swap(slot.state, taken.state);
      std::swap(slot.name, taken.name);
    } else {
      // A copy swapped in rather than assigned: assignment would keep the
      // slot's old bytes allocated beside the shared ones.
      if (read.initialized) {
        DataBlock copy = read.state;
        std::swap(slot.state, copy);
      }
      slot.name = read.name;
    }
    slot.initialized = read.initialized;
  }
  if (image.brokenStateAt >= 0) LoadState(block, image.brokenStateAt);
  const PlugPreset* next = GetPreset(thenSelect);
  const bool nextWhole = next && next->initialized && MeasureState(next->state, 0) > 0;
  const PlugPreset* current = GetPreset(currentPreset);
  if (nextWhole && current && current->initialized && MeasureState(current->state, 0) > 0) {
    // What SelectPreset(currentPreset) does, but for the load.
    Replay(current->state, image, currentPreset);
    OnPresetsChanged();
    RefreshParamControls();
  } else {
    SelectPreset(currentPreset);
  }
  return image.end;
}

void IPlugBase::Replay(const DataBlock& state, const PresetBankImage& image, int index) {
  // The image's presets and states went to the slots, but their decoded forms stayed.
  const PreparedReplay* prepared = index >= 0 && index < static_cast<int>(image.replays.size())
                                       ? image.replays[static_cast<size_t>(index)].get()
                                       : nullptr;
  if (prepared)
    ReplayPrepared(*prepared);
  else
    ReplayState(state, 0);
}

void IPlugBase::ReadBankChunk(const DataBlock& chunk, int position, HostChunkImage& image) const {
  image.bank = true;
  ReadPresetBank(chunk, position, image.presets, true);
  image.end = image.presets.end;
  image.selectIndex = -1;
  // The index of the preset the bank was saved on may follow the presets.
  int32_t tag = 0, index = 0;
  if (image.end < 0 || chunk.GetInt32(&tag, image.end) < 0 || tag != kCurrentPresetTag) return;
  const int next = chunk.GetInt32(&index, image.end + 4);
  if (next < 0) return;
  if (index >= 0 && index < NumPresets()) image.selectIndex = index;
  image.end = next;
}

void IPlugBase::ReadProgramChunk(const DataBlock& chunk, int position, HostChunkImage& image) const {
  image.bank = false;
  image.stateAt = position;
  image.stateEnd = MeasureState(chunk, position);
  image.named = image.stateEnd >= 0 && image.stateEnd < chunk.Size();
  image.name.clear();
  image.end = image.named ? chunk.GetText(&image.name, image.stateEnd) : image.stateEnd;
}

void IPlugBase::ApplyHostChunk(const DataBlock& chunk, HostChunkImage& image) {
  // Each preset selected on the way would show every value on the controls;
  // the adapter shows the values once, when the chunk is applied.
  ScopedValue<bool> held(controlRefreshHeld, true);
  if (image.bank) {
    ApplyPresetBank(chunk, image.presets, image.selectIndex);
    if (image.selectIndex >= 0) SelectPreset(image.selectIndex);
  } else {
    LoadState(chunk, image.stateAt);
    if (image.stateEnd >= 0) ModifyCurrentPreset(image.named ? image.name.c_str() : nullptr);
  }
}

void IPlugBase::ModifyCurrentPreset(const char* name) {
  PlugPreset* preset = GetPreset(currentPreset);
  if (!preset) return;
  preset->state.Clear();
  // Holding a state now, the slot counts as initialized; otherwise selecting it
  // again would replace the name just given with a "user preset" one.
  preset->initialized = SaveState(preset->state) || preset->initialized;
  if (name && *name) preset->name.assign(name, strnlen(name, kPresetNameLength));
}

bool IPlugBase::SelectPreset(int index) {
  PlugPreset* preset = GetPreset(index);
  if (!preset) return false;
  bool result;
  if (preset->initialized) {
    result = LoadState(preset->state, 0) > 0;
  } else {
    preset->name = UserPresetName(presets);
    preset->initialized = true;
    preset->state.Clear();
    result = SaveState(preset->state);
  }
  if (result) {
    currentPreset = index;
    OnPresetsChanged();
    RefreshParamControls();
  }
  return result;
}

std::string IPlugBase::UserPresetName(const std::vector<PlugPreset>& presets) {
  int userPresets = 0;
  for (const PlugPreset& preset : presets)
    if (preset.name.find("user preset") != std::string::npos) ++userPresets;
  return "user preset " + std::to_string(userPresets + 1);
}

std::string IPlugBase::GetPresetName(int index) const {
  const PlugPreset* preset = GetPreset(index);
  return preset ? preset->name : std::string();
}

void IPlugBase::MakeDefaultPresets(int count) {
  for (int n = 0; n < count; ++n) {
    auto it = std::find_if(presets.begin(), presets.end(), [](const PlugPreset& p) { return !p.initialized; });
    if (it == presets.end()) break;
    it->initialized = true;
    it->name = "Empty";
    it->state.Clear();
    SaveState(it->state);
  }
}

// --- channels --------------------------------------------------------------------

bool IPlugBase::LegalIO(int inputs) const {
  return std::any_of(ioConfigs.begin(), ioConfigs.end(),
                     [inputs](const ChannelIOConfig& c) { return c.inputs == inputs; });
}

PlugChannel* IPlugBase::GetInputChannel(int index) {
  if (index < 0 || index >= NumInputChannels()) return nullptr;
  return &inputChannels[static_cast<size_t>(index)];
}

PlugChannel* IPlugBase::GetOutputChannel(int index) {
  if (index < 0 || index >= NumOutputChannels()) return nullptr;
  return &outputChannels[static_cast<size_t>(index)];
}

void IPlugBase::SetInputConnected(int index, bool connected) {
  if (PlugChannel* channel = GetInputChannel(index)) {
    channel->connected = connected;
    if (!connected) channel->enginePointer = channel->scratch.data();
  }
}

void IPlugBase::SetOutputConnected(int index, bool connected) {
  if (PlugChannel* channel = GetOutputChannel(index)) {
    channel->connected = connected;
    if (!connected) channel->enginePointer = channel->scratch.data();
  }
}

void IPlugBase::SetOutputLabel(int index, const char* label) {
  if (PlugChannel* channel = GetOutputChannel(index)) channel->label = label ? label : "";
}

void IPlugBase::AttachFloatInputs(float** inputs, int frames) {
  GrowScratch(frames);
  int next = 0;
  for (PlugChannel& channel : inputChannels) {
    channel.enginePointer = channel.scratch.data();
    channel.hostFloat = nullptr;
    if (!channel.connected) continue;
    float* source = inputs ? inputs[next] : nullptr;
    ++next;
    channel.hostFloat = source;
    if (source) {
      for (int i = 0; i < frames; ++i) channel.scratch[static_cast<size_t>(i)] = source[i];
    } else {
      std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
    }
  }
}

void IPlugBase::AttachFloatOutputs(float** outputs, int frames) {
  GrowScratch(frames);
  int next = 0;
  for (PlugChannel& channel : outputChannels) {
    channel.enginePointer = channel.scratch.data();
    channel.hostFloat = nullptr;
    if (!channel.connected) continue;
    channel.hostFloat = outputs ? outputs[next] : nullptr;
    ++next;
  }
}

void IPlugBase::AttachDoubleInputs(double** inputs, int frames) {
  GrowScratch(frames);
  int next = 0;
  for (PlugChannel& channel : inputChannels) {
    channel.hostFloat = nullptr;
    channel.enginePointer = channel.scratch.data();
    if (!channel.connected) continue;
    double* source = inputs ? inputs[next] : nullptr;
    ++next;
    if (source) channel.enginePointer = source;
  }
}

void IPlugBase::AttachDoubleOutputs(double** outputs, int frames) {
  GrowScratch(frames);
  int next = 0;
  for (PlugChannel& channel : outputChannels) {
    channel.hostFloat = nullptr;
    channel.enginePointer = channel.scratch.data();
    if (!channel.connected) continue;
    double* destination = outputs ? outputs[next] : nullptr;
    ++next;
    if (destination) channel.enginePointer = destination;
  }
}

void IPlugBase::RunProcessBlock(int frames) {
  if (frames <= 0) return;
  GrowScratch(frames);
  for (size_t i = 0; i < inputChannels.size(); ++i)
    inputPointers[i] =
        inputChannels[i].enginePointer ? inputChannels[i].enginePointer : inputChannels[i].scratch.data();
  for (size_t i = 0; i < outputChannels.size(); ++i)
    outputPointers[i] =
        outputChannels[i].enginePointer ? outputChannels[i].enginePointer : outputChannels[i].scratch.data();
  ProcessBlock(inputPointers.data(), outputPointers.data(), frames);
}

void IPlugBase::WriteFloatOutputs(int frames, bool accumulate) {
  frames = std::min(frames, scratchFrames);
  for (PlugChannel& channel : outputChannels) {
    if (!channel.connected || !channel.hostFloat || !channel.enginePointer) continue;
    // The engine's vector conversion: the same rounding as a scalar cast.
    if (accumulate)
      AddAsFloat(channel.enginePointer, channel.hostFloat, frames);
    else
      StoreAsFloat(channel.enginePointer, channel.hostFloat, frames);
  }
}
