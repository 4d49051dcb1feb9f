// vornell-host: a small command-line VST2 host for trying the instrument
// without a workstation.
//
//   vornell-host info MODULE
//   vornell-host render MODULE SONG.mid OUT.wav [--preset N] [--rate R] [--block B]
//                [--double] [--outputs sum|all] [--state FILE [--bank|--program]] [--tail S]
//   vornell-host chunk get|set MODULE FILE [--bank|--program]
//   vornell-host editor MODULE [--screenshot FILE] [--seconds S] [--report-edits] [--keep-size]
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/vornell-host/EditorWindow.h"
#include "tools/vornell-host/MidiSong.h"
#include "tools/vornell-host/PluginHost.h"

namespace {

struct Options {
  std::vector<std::string> positional;
  int32_t preset = -1;
  double rate = 44100.0;
  int32_t block = 512;
  bool useDouble = false;
  bool allOutputs = false;
  std::string stateFile;
  bool programChunk = false;
  double tailSeconds = 2.0;
  std::string screenshot;
  double editorSeconds = 0.0;
  bool reportEdits = false;
  bool keepSize = false;
};

void Usage() {
  std::fprintf(stderr,
               "usage:\n"
               "  vornell-host info MODULE\n"
               "  vornell-host render MODULE SONG.mid OUT.wav [--preset N] [--rate R] [--block B]\n"
               "               [--double] [--outputs sum|all] [--state FILE [--bank|--program]] [--tail S]\n"
               "  vornell-host chunk get|set MODULE FILE [--bank|--program]\n"
               "  vornell-host editor MODULE [--screenshot FILE] [--seconds S] [--report-edits] [--keep-size]\n");
}

bool ParseInteger(const char* text, long minimum, long maximum, long* out) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (end == text || *end != 0 || value < minimum || value > maximum) return false;
  *out = value;
  return true;
}

bool ParseNumber(const char* text, double minimum, double maximum, double* out) {
  char* end = nullptr;
  double value = std::strtod(text, &end);
  if (end == text || *end != 0 || !(value >= minimum && value <= maximum)) return false;
  *out = value;
  return true;
}

bool ParseOptions(int argc, char** argv, int first, Options* options) {
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i];
    auto next = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "%s needs %s\n", arg.c_str(), what);
        return nullptr;
      }
      return argv[++i];
    };
    long integer = 0;
    if (arg == "--preset") {
      const char* v = next("a preset number");
      if (!v || !ParseInteger(v, 0, 1 << 20, &integer)) return false;
      options->preset = static_cast<int32_t>(integer);
    } else if (arg == "--rate") {
      const char* v = next("a sample rate");
      if (!v || !ParseNumber(v, 8000.0, 384000.0, &options->rate)) {
        std::fprintf(stderr, "the sample rate must be between 8000 and 384000\n");
        return false;
      }
    } else if (arg == "--block") {
      const char* v = next("a block size");
      if (!v || !ParseInteger(v, 1, 65536, &integer)) {
        std::fprintf(stderr, "the block size must be between 1 and 65536\n");
        return false;
      }
      options->block = static_cast<int32_t>(integer);
    } else if (arg == "--double") {
      options->useDouble = true;
    } else if (arg == "--outputs") {
      const char* v = next("sum or all");
      if (!v) return false;
      if (std::strcmp(v, "sum") == 0) {
        options->allOutputs = false;
      } else if (std::strcmp(v, "all") == 0) {
        options->allOutputs = true;
      } else {
        std::fprintf(stderr, "--outputs takes sum or all\n");
        return false;
      }
    } else if (arg == "--state") {
      const char* v = next("a chunk file");
      if (!v) return false;
      options->stateFile = v;
    } else if (arg == "--bank") {
      options->programChunk = false;
    } else if (arg == "--program") {
      options->programChunk = true;
    } else if (arg == "--tail") {
      const char* v = next("seconds");
      if (!v || !ParseNumber(v, 0.0, 600.0, &options->tailSeconds)) return false;
    } else if (arg == "--screenshot") {
      const char* v = next("a PNG file");
      if (!v) return false;
      options->screenshot = v;
    } else if (arg == "--seconds") {
      const char* v = next("seconds");
      if (!v || !ParseNumber(v, 0.0, 86400.0, &options->editorSeconds)) {
        std::fprintf(stderr, "--seconds takes 0 to 86400\n");
        return false;
      }
    } else if (arg == "--report-edits") {
      options->reportEdits = true;
    } else if (arg == "--keep-size") {
      options->keepSize = true;
    } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      return false;
    } else {
      options->positional.push_back(arg);
    }
  }
  return true;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  uint8_t buffer[65536];
  size_t got;
  bytes->clear();
  while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
    bytes->insert(bytes->end(), buffer, buffer + got);
  return !std::ferror(file.get());
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!file) return false;
  if (size > 0 && std::fwrite(data, 1, size, file.get()) != size) return false;
  return std::fflush(file.get()) == 0;
}

std::string FourChars(VstInt32 code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = static_cast<char>((static_cast<uint32_t>(code) >> shift) & 0xFF);
    text += (c >= 32 && c < 127) ? c : '?';
  }
  return text;
}

// Loads the module and brings it to the opened state the way hosts do:
// rate and block size first, then effOpen.
bool OpenPlugin(PluginHost& host, const std::string& path, const Options& options) {
  host.SetSampleRate(options.rate);
  host.SetBlockSize(options.block);
  if (!host.Load(path)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), host.Error().c_str());
    return false;
  }
  host.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(options.rate));
  host.Dispatch(effSetBlockSize, 0, options.block);
  host.Dispatch(effOpen);
  return true;
}

bool RestoreState(PluginHost& host, const Options& options) {
  if (options.stateFile.empty()) return true;
  std::vector<uint8_t> bytes;
  if (!ReadFile(options.stateFile, &bytes)) {
    std::fprintf(stderr, "cannot read %s\n", options.stateFile.c_str());
    return false;
  }
  if (!(host.Effect()->flags & effFlagsProgramChunks)) {
    std::fprintf(stderr, "the plug-in does not exchange its state as chunks\n");
    return false;
  }
  VstIntPtr result = host.Dispatch(effSetChunk, options.programChunk ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                                   bytes.empty() ? nullptr : bytes.data());
  if (result == 0) {
    std::fprintf(stderr, "the plug-in rejected the state in %s\n", options.stateFile.c_str());
    return false;
  }
  return true;
}

bool SelectPreset(PluginHost& host, const Options& options) {
  if (options.preset < 0) return true;
  if (options.preset >= host.Effect()->numPrograms) {
    std::fprintf(stderr, "preset %d does not exist (the plug-in has %d)\n", options.preset, host.Effect()->numPrograms);
    return false;
  }
  host.Dispatch(effSetProgram, 0, options.preset);
  return true;
}

int Info(const Options& options) {
  if (options.positional.size() != 2) {
    Usage();
    return 2;
  }
  PluginHost host;
  if (!OpenPlugin(host, options.positional[1], options)) return 1;
  AEffect* effect = host.Effect();
  std::printf("Module: %s\n", options.positional[1].c_str());
  std::printf("Effect: %s\n", host.DispatchText(effGetEffectName).c_str());
  std::printf("Vendor: %s\n", host.DispatchText(effGetVendorString).c_str());
  std::printf("Product: %s\n", host.DispatchText(effGetProductString).c_str());
  std::printf("Unique ID: '%s' (0x%08X)\n", FourChars(effect->uniqueID).c_str(),
              static_cast<uint32_t>(effect->uniqueID));
  std::printf("Version: %d\n", effect->version);
  std::printf("Vendor version: %ld\n", static_cast<long>(host.Dispatch(effGetVendorVersion)));
  std::printf("VST version: %ld\n", static_cast<long>(host.Dispatch(effGetVstVersion)));
  std::printf("Category: %ld\n", static_cast<long>(host.Dispatch(effGetPlugCategory)));
  std::printf("Flags: 0x%X%s%s%s%s%s\n", static_cast<uint32_t>(effect->flags),
              effect->flags & effFlagsHasEditor ? " editor" : "",
              effect->flags & effFlagsCanReplacing ? " replacing" : "",
              effect->flags & effFlagsProgramChunks ? " chunks" : "", effect->flags & effFlagsIsSynth ? " synth" : "",
              effect->flags & effFlagsCanDoubleReplacing ? " double" : "");
  std::printf("Inputs: %d\nOutputs: %d\nLatency: %d\n", effect->numInputs, effect->numOutputs, effect->initialDelay);

  std::printf("Parameters: %d\n", effect->numParams);
  for (VstInt32 i = 0; i < effect->numParams; ++i) {
    std::string name = host.DispatchText(effGetParamName, i);
    std::string display = host.DispatchText(effGetParamDisplay, i);
    std::string label = host.DispatchText(effGetParamLabel, i);
    float value = effect->getParameter(effect, i);
    std::printf("  %3d  %-24s %s%s%s  (%.4f)\n", i, name.c_str(), display.c_str(), label.empty() ? "" : " ",
                label.c_str(), static_cast<double>(value));
  }
  std::printf("Presets: %d (current %ld)\n", effect->numPrograms, static_cast<long>(host.Dispatch(effGetProgram)));
  for (VstInt32 i = 0; i < effect->numPrograms; ++i) {
    char name[264] = {};
    host.Dispatch(effGetProgramNameIndexed, i, -1, name);
    name[sizeof(name) - 1] = 0;
    std::printf("  %3d  %s\n", i, name);
  }
  std::printf("Output pins:\n");
  for (VstInt32 i = 0; i < effect->numOutputs; ++i) {
    VstPinProperties pin{};
    if (!host.Dispatch(effGetOutputProperties, i, 0, &pin)) {
      std::printf("  %3d  (no properties)\n", i);
      continue;
    }
    pin.label[sizeof(pin.label) - 1] = 0;
    std::printf("  %3d  %-16s%s%s\n", i, pin.label, pin.flags & kVstPinIsActive ? " active" : "",
                pin.flags & kVstPinIsStereo ? " stereo" : "");
  }
  std::printf("canDo:\n");
  const char* questions[] = {"sendVstEvents",      "sendVstMidiEvent", "receiveVstEvents", "receiveVstMidiEvent",
                             "receiveVstTimeInfo", "offline",          "midiProgramNames", "bypass",
                             "hasCockosExtensions"};
  for (const char* question : questions) {
    VstIntPtr answer = host.Dispatch(effCanDo, 0, 0, const_cast<char*>(question));
    std::printf("  %-22s %ld (0x%lX)\n", question, static_cast<long>(answer), static_cast<unsigned long>(answer));
  }
  std::printf("Host callbacks used:");
  for (int32_t opcode : host.OpcodesSeen()) std::printf(" %d", opcode);
  std::printf("\n");
  return 0;
}

int Chunk(const Options& options) {
  if (options.positional.size() != 4 || (options.positional[1] != "get" && options.positional[1] != "set")) {
    Usage();
    return 2;
  }
  const std::string& file = options.positional[3];
  PluginHost host;
  if (!OpenPlugin(host, options.positional[2], options)) return 1;
  if (!(host.Effect()->flags & effFlagsProgramChunks)) {
    std::fprintf(stderr, "the plug-in does not exchange its state as chunks\n");
    return 1;
  }
  VstInt32 index = options.programChunk ? 1 : 0;
  if (options.positional[1] == "get") {
    if (!SelectPreset(host, options)) return 1;
    void* data = nullptr;
    VstIntPtr size = host.Dispatch(effGetChunk, index, 0, &data);
    if (size <= 0 || !data) {
      std::fprintf(stderr, "the plug-in gave no chunk\n");
      return 1;
    }
    if (!WriteFile(file, data, static_cast<size_t>(size))) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
    std::printf("%s chunk of %ld bytes written to %s\n", index ? "program" : "bank", static_cast<long>(size),
                file.c_str());
    return 0;
  }
  std::vector<uint8_t> bytes;
  if (!ReadFile(file, &bytes)) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  VstIntPtr result =
      host.Dispatch(effSetChunk, index, static_cast<VstIntPtr>(bytes.size()), bytes.empty() ? nullptr : bytes.data());
  std::printf("effSetChunk(%s, %zu bytes) returned %ld\n", index ? "program" : "bank", bytes.size(),
              static_cast<long>(result));
  return result ? 0 : 1;
}

int Render(const Options& options) {
  if (options.positional.size() != 4) {
    Usage();
    return 2;
  }
  const std::string& songPath = options.positional[2];
  const std::string& outPath = options.positional[3];
  MidiSong song;
  if (!song.Load(songPath)) {
    std::fprintf(stderr, "%s: %s\n", songPath.c_str(), song.Error().c_str());
    return 1;
  }
  PluginHost host;
  if (!OpenPlugin(host, options.positional[1], options)) return 1;
  AEffect* effect = host.Effect();
  if (effect->numOutputs <= 0) {
    std::fprintf(stderr, "the plug-in has no outputs\n");
    return 1;
  }
  bool useDouble = options.useDouble;
  if (useDouble && (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing)) {
    std::fprintf(stderr, "the plug-in has no double-precision path\n");
    return 1;
  }
  if (!useDouble && (!(effect->flags & effFlagsCanReplacing) || !effect->processReplacing)) {
    std::fprintf(stderr, "the plug-in has no replacing path\n");
    return 1;
  }
  if (!RestoreState(host, options) || !SelectPreset(host, options)) return 1;
  host.Dispatch(effSetProcessPrecision, 0, useDouble ? kVstProcessPrecision64 : kVstProcessPrecision32);
  host.Resume();

  const int32_t outputs = effect->numOutputs;
  const int32_t inputs = std::max(0, effect->numInputs);
  const int32_t channels = options.allOutputs ? outputs : std::min(outputs, 2);
  const int32_t block = options.block;
  const double rate = options.rate;
  const int64_t totalFrames = static_cast<int64_t>(std::ceil((song.LengthSeconds() + options.tailSeconds) * rate));

  SF_INFO info{};
  info.samplerate = static_cast<int>(rate);
  info.channels = channels;
  // The double path keeps its precision in the file: 64-bit samples.
  info.format = SF_FORMAT_WAV | (useDouble ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT);
  SNDFILE* out = sf_open(outPath.c_str(), SFM_WRITE, &info);
  if (!out) {
    std::fprintf(stderr, "cannot write %s: %s\n", outPath.c_str(), sf_strerror(nullptr));
    return 1;
  }
  // No PEAK chunk: it holds the time of writing, and the same rendering should
  // give the same file.
  sf_command(out, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);

  std::vector<std::vector<float>> floatOut(outputs, std::vector<float>(block));
  std::vector<std::vector<float>> floatIn(std::max(inputs, 1), std::vector<float>(block));
  std::vector<std::vector<double>> doubleOut(outputs, std::vector<double>(block));
  std::vector<std::vector<double>> doubleIn(std::max(inputs, 1), std::vector<double>(block));
  std::vector<float*> floatOutPtr, floatInPtr;
  std::vector<double*> doubleOutPtr, doubleInPtr;
  for (auto& b : floatOut) floatOutPtr.push_back(b.data());
  for (auto& b : floatIn) floatInPtr.push_back(b.data());
  for (auto& b : doubleOut) doubleOutPtr.push_back(b.data());
  for (auto& b : doubleIn) doubleInPtr.push_back(b.data());
  std::vector<float> interleaved(static_cast<size_t>(block) * channels);
  std::vector<double> interleavedDouble(useDouble ? interleaved.size() : 0);

  // The event list: a VstEvents header followed by as many pointers as needed.
  const std::vector<SongEvent>& songEvents = song.Events();
  std::vector<VstMidiEvent> midiEvents;
  std::vector<uint8_t> eventStorage;
  size_t nextEvent = 0;
  double peak = 0.0;
  std::chrono::steady_clock::duration processing{};

  for (int64_t start = 0; start < totalFrames; start += block) {
    const int32_t frames = static_cast<int32_t>(std::min<int64_t>(block, totalFrames - start));
    midiEvents.clear();
    while (nextEvent < songEvents.size()) {
      const SongEvent& e = songEvents[nextEvent];
      int64_t at = std::llround(e.seconds * rate);
      if (at >= start + frames) break;
      VstMidiEvent m{};
      m.type = kVstMidiType;
      m.byteSize = sizeof(VstMidiEvent);
      m.deltaFrames = static_cast<VstInt32>(std::max<int64_t>(0, at - start));
      m.midiData[0] = static_cast<char>(e.status);
      m.midiData[1] = static_cast<char>(e.data1);
      m.midiData[2] = static_cast<char>(e.data2);
      midiEvents.push_back(m);
      ++nextEvent;
    }
    double seconds = double(start) / rate;
    host.SetTransport(double(start), song.TempoAt(seconds), song.QuarterNotesAt(seconds));

    auto began = std::chrono::steady_clock::now();
    if (!midiEvents.empty()) {
      size_t bytes = offsetof(VstEvents, events) + sizeof(VstEvent*) * std::max<size_t>(2, midiEvents.size());
      eventStorage.assign(bytes, 0);
      VstEvents* list = reinterpret_cast<VstEvents*>(eventStorage.data());
      list->numEvents = static_cast<VstInt32>(midiEvents.size());
      VstEvent** pointers = reinterpret_cast<VstEvent**>(eventStorage.data() + offsetof(VstEvents, events));
      for (size_t i = 0; i < midiEvents.size(); ++i) pointers[i] = reinterpret_cast<VstEvent*>(&midiEvents[i]);
      host.Dispatch(effProcessEvents, 0, 0, list);
    }
    if (useDouble) {
      effect->processDoubleReplacing(effect, doubleInPtr.data(), doubleOutPtr.data(), frames);
    } else {
      effect->processReplacing(effect, floatInPtr.data(), floatOutPtr.data(), frames);
    }
    processing += std::chrono::steady_clock::now() - began;

    for (int32_t f = 0; f < frames; ++f) {
      for (int32_t c = 0; c < channels; ++c) {
        const size_t at = static_cast<size_t>(f) * channels + c;
        if (useDouble) {
          interleavedDouble[at] = doubleOut[c][f];
          peak = std::max(peak, std::fabs(doubleOut[c][f]));
        } else {
          interleaved[at] = floatOut[c][f];
          peak = std::max(peak, std::fabs(static_cast<double>(floatOut[c][f])));
        }
      }
    }
    const sf_count_t written = useDouble ? sf_writef_double(out, interleavedDouble.data(), frames)
                                         : sf_writef_float(out, interleaved.data(), frames);
    if (written != frames) {
      std::fprintf(stderr, "cannot write %s: %s\n", outPath.c_str(), sf_strerror(out));
      sf_close(out);
      return 1;
    }
  }
  sf_close(out);
  host.Suspend();

  double audioSeconds = double(totalFrames) / rate;
  double wallSeconds = std::chrono::duration<double>(processing).count();
  std::printf("%s: %lld frames, %d channel(s), %.3f s of audio at %.0f Hz, %zu MIDI events\n", outPath.c_str(),
              static_cast<long long>(totalFrames), channels, audioSeconds, rate, songEvents.size());
  std::printf("peak %.1f dBFS\n", peak > 0.0 ? 20.0 * std::log10(peak) : -INFINITY);
  std::printf("the plug-in sent %d MIDI event(s) and %d automation change(s) to the host\n", host.MidiOutCount(),
              host.AutomateCount());
  if (wallSeconds > 0.0) {
    std::printf("processing took %.3f s: real-time factor %.1f\n", wallSeconds, audioSeconds / wallSeconds);
  } else {
    std::printf("processing took no measurable time\n");
  }
  return 0;
}

// Opens the editor in a window of its own, as a host would, until the user
// closes it or the seconds are over; the screenshot is taken just before closing.
int Editor(const Options& options) {
  if (options.positional.size() != 2) {
    Usage();
    return 2;
  }
  if (!options.screenshot.empty() && options.editorSeconds <= 0.0) {
    std::fprintf(stderr, "--screenshot needs --seconds\n");
    return 2;
  }
  PluginHost host;
  if (options.reportEdits) host.ReportEdits(stdout);
  if (!OpenPlugin(host, options.positional[1], options)) return 1;
  host.Resume();
  EditorRunOptions run;
  run.seconds = options.editorSeconds;
  run.screenshot = options.screenshot;
  run.keepSize = options.keepSize;
  const int result = RunEditorWindow(host, run);
  host.Suspend();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    Usage();
    return 2;
  }
  Options options;
  if (!ParseOptions(argc, argv, 1, &options)) return 2;
  if (options.positional.empty()) {
    Usage();
    return 2;
  }
  const std::string& command = options.positional[0];
  if (command == "info") return Info(options);
  if (command == "render") return Render(options);
  if (command == "chunk") return Chunk(options);
  if (command == "editor") return Editor(options);
  Usage();
  return 2;
}
