// make-demo-song SONG.txt OUT.mid [MODULE OUT.state]
//
// Turns the demo song's text form into a Standard MIDI File and, given the
// built plug-in module, into the instrument state the song plays on: the
// module is loaded like a host loads it, every "set" line goes through the
// host's text-to-parameter call, and the resulting program chunk is saved.
// Any setting the instrument refuses fails the build.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/VstAbi.h"
#include "resources/demo/DemoScore.h"

namespace {

VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

bool WriteBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out.flush());
}

std::string Text(AEffect* effect, VstInt32 opcode, VstInt32 index) {
  char buffer[256] = {};
  effect->dispatcher(effect, opcode, index, 0, buffer, 0.0f);
  buffer[sizeof(buffer) - 1] = 0;
  return buffer;
}

// The instance lives between load and the chunk copy; closed on every path.
class Instance {
 public:
  ~Instance() {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    if (module) dlclose(module);
  }
  bool Load(const std::string& path, std::string* error) {
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      *error = dlerror();
      return false;
    }
    using Entry = AEffect* (*)(audioMasterCallback);
    Entry entry = reinterpret_cast<Entry>(dlsym(module, "VSTPluginMain"));
    if (!entry) {
      *error = "no VSTPluginMain";
      return false;
    }
    effect = entry(&Callback);
    if (!effect || effect->magic != kEffectMagic) {
      effect = nullptr;
      *error = "the entry point gave no effect";
      return false;
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return true;
  }
  AEffect* effect = nullptr;

 private:
  void* module = nullptr;
};

bool MakeState(const DemoScore& song, const std::string& modulePath, const std::string& statePath) {
  Instance instance;
  std::string error;
  if (!instance.Load(modulePath, &error)) {
    std::fprintf(stderr, "%s: %s\n", modulePath.c_str(), error.c_str());
    return false;
  }
  AEffect* effect = instance.effect;
  for (const DemoSetting& setting : song.settings) {
    VstInt32 index = -1;
    for (VstInt32 i = 0; i < effect->numParams && index < 0; ++i)
      if (Text(effect, effGetParamName, i) == setting.parameter) index = i;
    if (index < 0) {
      std::fprintf(stderr, "the instrument has no parameter \"%s\"\n", setting.parameter.c_str());
      return false;
    }
    std::vector<char> value(setting.value.begin(), setting.value.end());
    value.push_back(0);
    if (effect->dispatcher(effect, effString2Parameter, index, 0, value.data(), 0.0f) != 1) {
      std::fprintf(stderr, "\"%s\" does not take the value %s\n", setting.parameter.c_str(), setting.value.c_str());
      return false;
    }
  }
  if (!song.title.empty()) {
    std::vector<char> name(song.title.begin(), song.title.end());
    name.push_back(0);
    effect->dispatcher(effect, effSetProgramName, 0, 0, name.data(), 0.0f);
  }
  void* data = nullptr;
  const VstIntPtr size = effect->dispatcher(effect, effGetChunk, 1, 0, &data, 0.0f);
  if (size <= 0 || !data) {
    std::fprintf(stderr, "the instrument gave no state chunk\n");
    return false;
  }
  if (!WriteBytes(statePath, data, static_cast<size_t>(size))) {
    std::fprintf(stderr, "cannot write %s\n", statePath.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: make-demo-song SONG.txt OUT.mid [MODULE OUT.state]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  DemoScore song;
  std::string error;
  if (!song.Parse(text.str(), &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  const std::vector<uint8_t> midi = song.MidiFile();
  if (!WriteBytes(argv[2], midi.data(), midi.size())) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  if (argc == 5 && !MakeState(song, argv[3], argv[4])) return 1;
  return 0;
}
