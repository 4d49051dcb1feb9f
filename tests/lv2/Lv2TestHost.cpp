#include "tests/lv2/Lv2TestHost.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "lv2/atom/forge.h"
#include "lv2/atom/util.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/midi/midi.h"
#include "lv2/options/options.h"
#include "lv2/time/time.h"

namespace {

std::vector<std::string>& Uris() {
  static std::vector<std::string> uris;
  return uris;
}

LV2_URID MapUri(LV2_URID_Map_Handle, const char* uri) {
  auto& uris = Uris();
  for (size_t i = 0; i < uris.size(); ++i)
    if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
  uris.emplace_back(uri);
  return static_cast<LV2_URID>(uris.size());
}

const char* UnmapUri(LV2_URID_Unmap_Handle, LV2_URID urid) {
  auto& uris = Uris();
  return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

struct StoredChunk {
  std::vector<uint8_t> bytes;
  uint32_t type = 0;
};

LV2_State_Status Store(LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t type, uint32_t) {
  auto* stored = static_cast<StoredChunk*>(handle);
  const auto* bytes = static_cast<const uint8_t*>(value);
  stored->bytes.assign(bytes, bytes + size);
  stored->type = type;
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, uint32_t, size_t* size, uint32_t* type, uint32_t* flags) {
  auto* stored = static_cast<StoredChunk*>(handle);
  *size = stored->bytes.size();
  *type = stored->type;
  *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
  return stored->bytes.data();
}

}  // namespace

ScopedSettings::ScopedSettings(const std::string& text) {
  const char* home = std::getenv("XDG_CONFIG_HOME");
  if (!home) return;
  const std::filesystem::path folder = std::filesystem::path(home) / "KestruneMusic";
  std::filesystem::create_directories(folder);
  path = (folder / "vornell.ini").string();
  std::ofstream(path) << text;
}

ScopedSettings::~ScopedSettings() {
  if (!path.empty()) std::filesystem::remove(path);
}

Lv2Bundle& Lv2Bundle::Get() {
  static Lv2Bundle bundle = [] {
    Lv2Bundle b;
    b.map = {nullptr, MapUri};
    b.unmap = {nullptr, UnmapUri};
    b.world = lilv_world_new();
    LilvNode* uri = lilv_new_file_uri(b.world, nullptr, VORNELL_LV2_BUNDLE "/");
    lilv_world_load_bundle(b.world, uri);
    lilv_node_free(uri);
    LilvNode* pluginUri = lilv_new_uri(b.world, "urn:kestrune:vornell");
    b.plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(b.world), pluginUri);
    lilv_node_free(pluginUri);
    return b;
  }();
  return bundle;
}

Lv2TestInstance::Lv2TestInstance(double rate, int32_t maxBlock) : maxBlock(maxBlock) {
  Lv2Bundle& b = Lv2Bundle::Get();
  if (!b.plugin) return;
  optionsBlock = maxBlock;
  static LV2_Feature mapFeature{LV2_URID__map, nullptr};
  static LV2_Feature unmapFeature{LV2_URID__unmap, nullptr};
  mapFeature.data = &b.map;
  unmapFeature.data = &b.unmap;
  const LV2_Options_Option options[] = {{LV2_OPTIONS_INSTANCE, 0, b.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                                         b.Map(LV2_ATOM__Int), &optionsBlock},
                                        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  const LV2_Feature* features[] = {&mapFeature, &unmapFeature, &optionsFeature, nullptr};
  instance = lilv_plugin_instantiate(b.plugin, rate, features);
  if (!instance) return;

  const uint32_t ports = lilv_plugin_get_num_ports(b.plugin);
  LilvNode* audioClass = lilv_new_uri(b.world, LV2_CORE__AudioPort);
  LilvNode* controlClass = lilv_new_uri(b.world, LV2_CORE__ControlPort);
  LilvNode* atomClass = lilv_new_uri(b.world, LV2_ATOM__AtomPort);
  LilvNode* inputClass = lilv_new_uri(b.world, LV2_CORE__InputPort);
  std::vector<float> mins(ports), maxs(ports), defaults(ports);
  lilv_plugin_get_port_ranges_float(b.plugin, mins.data(), maxs.data(), defaults.data());
  inBuffer.assign(8192, 0);
  outBuffer.assign(8192, 0);
  for (uint32_t p = 0; p < ports; ++p) {
    const LilvPort* port = lilv_plugin_get_port_by_index(b.plugin, p);
    if (lilv_port_is_a(b.plugin, port, controlClass)) {
      controls.resize(std::max<size_t>(controls.size(), p + 1), 0.0f);
      controls[p] = defaults[p];
    } else if (lilv_port_is_a(b.plugin, port, audioClass)) {
      if (audioPorts++ == 0) firstAudio = p;
    } else if (lilv_port_is_a(b.plugin, port, atomClass)) {
      (lilv_port_is_a(b.plugin, port, inputClass) ? eventsIn : eventsOut) = p;
    }
  }
  lilv_node_free(audioClass);
  lilv_node_free(controlClass);
  lilv_node_free(atomClass);
  lilv_node_free(inputClass);
  for (uint32_t p = 0; p < controls.size(); ++p) lilv_instance_connect_port(instance, p, &controls[p]);
  audio.assign(audioPorts, std::vector<float>(static_cast<size_t>(maxBlock), 0.0f));
  for (uint32_t i = 0; i < audioPorts; ++i) lilv_instance_connect_port(instance, firstAudio + i, audio[i].data());
  lilv_instance_connect_port(instance, eventsIn, inBuffer.data());
  lilv_instance_connect_port(instance, eventsOut, outBuffer.data());
  lilv_instance_activate(instance);
}

Lv2TestInstance::~Lv2TestInstance() {
  if (!instance) return;
  lilv_instance_deactivate(instance);
  lilv_instance_free(instance);
}

void Lv2TestInstance::QueueMidi(uint32_t frame, std::vector<uint8_t> bytes) {
  queued.push_back({frame, false, std::move(bytes), {}});
}

void Lv2TestInstance::QueuePosition(uint32_t frame, const Lv2Position& position) {
  queued.push_back({frame, true, {}, position});
}

std::vector<std::vector<float>> Lv2TestInstance::Run(uint32_t frames) {
  frames = std::min<uint32_t>(frames, static_cast<uint32_t>(maxBlock));
  PrepareRun();
  RunPlugin(frames);
  return FinishRun(frames);
}

void Lv2TestInstance::PrepareRun() {
  Lv2Bundle& b = Lv2Bundle::Get();
  std::stable_sort(queued.begin(), queued.end(), [](const Queued& x, const Queued& y) { return x.frame < y.frame; });
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &b.map);
  lv2_atom_forge_set_buffer(&forge, reinterpret_cast<uint8_t*>(inBuffer.data()), inBuffer.size() * 8);
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&forge, &sequence, 0);
  for (const Queued& q : queued) {
    lv2_atom_forge_frame_time(&forge, q.frame);
    if (!q.position) {
      lv2_atom_forge_atom(&forge, static_cast<uint32_t>(q.bytes.size()), b.Map(LV2_MIDI__MidiEvent));
      lv2_atom_forge_write(&forge, q.bytes.data(), static_cast<uint32_t>(q.bytes.size()));
      continue;
    }
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_object(&forge, &object, 0, b.Map(LV2_TIME__Position));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__frame));
    lv2_atom_forge_long(&forge, q.time.frame);
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__speed));
    lv2_atom_forge_float(&forge, static_cast<float>(q.time.speed));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__bar));
    lv2_atom_forge_long(&forge, static_cast<int64_t>(q.time.bar));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__barBeat));
    lv2_atom_forge_float(&forge, static_cast<float>(q.time.barBeat));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__beatUnit));
    lv2_atom_forge_int(&forge, static_cast<int32_t>(q.time.beatUnit));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__beatsPerBar));
    lv2_atom_forge_float(&forge, static_cast<float>(q.time.beatsPerBar));
    lv2_atom_forge_key(&forge, b.Map(LV2_TIME__beatsPerMinute));
    lv2_atom_forge_float(&forge, static_cast<float>(q.time.beatsPerMinute));
    lv2_atom_forge_pop(&forge, &object);
  }
  lv2_atom_forge_pop(&forge, &sequence);
  queued.clear();

  // The output port's capacity, as hosts hand it over.
  auto* out = reinterpret_cast<LV2_Atom_Sequence*>(outBuffer.data());
  out->atom.type = b.Map(LV2_ATOM__Chunk);
  out->atom.size = static_cast<uint32_t>(outBuffer.size() * 8 - sizeof(LV2_Atom));
  for (auto& channel : audio) std::fill(channel.begin(), channel.end(), 12345.0f);
}

void Lv2TestInstance::RunPlugin(uint32_t frames) {
  lilv_instance_run(instance, frames);
}

std::vector<std::vector<float>> Lv2TestInstance::FinishRun(uint32_t frames) {
  Lv2Bundle& b = Lv2Bundle::Get();
  auto* out = reinterpret_cast<LV2_Atom_Sequence*>(outBuffer.data());
  if (out->atom.type == b.Map(LV2_ATOM__Sequence)) {
    LV2_ATOM_SEQUENCE_FOREACH(out, event) {
      const auto* bytes = static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&event->body));
      midiOut.push_back({rendered + event->time.frames, std::vector<uint8_t>(bytes, bytes + event->body.size)});
    }
  }
  std::vector<std::vector<float>> result;
  for (const auto& channel : audio) result.emplace_back(channel.begin(), channel.begin() + frames);
  rendered += frames;
  return result;
}

std::vector<uint8_t> Lv2TestInstance::SaveChunk() {
  const auto* state =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  StoredChunk stored;
  if (!state || state->save(lilv_instance_get_handle(instance), Store, &stored, 0, nullptr) != LV2_STATE_SUCCESS)
    return {};
  return stored.bytes;
}

LV2_State_Status Lv2TestInstance::RestoreChunk(const std::vector<uint8_t>& chunk) {
  const auto* state =
      static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  if (!state) return LV2_STATE_ERR_UNKNOWN;
  StoredChunk stored{chunk, Lv2Bundle::Get().Map(LV2_ATOM__Chunk)};
  return state->restore(lilv_instance_get_handle(instance), Retrieve, &stored, 0, nullptr);
}
