// The product path end to end: the bundled host renders the built demo song
// through the built module, as `make demo` does, and moves chunks in and out.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/VectorPath.h"

namespace {

struct ToolRun {
  int status = -1;
  std::string output;
};

// `environment` goes before the command (NAME=value settings).
ToolRun Execute(const std::string& arguments, const std::string& environment = "") {
  // The host unloads the module, and with it the system's graphics libraries,
  // whose start-up allocations a leak check would then report. The module's
  // own memory over unloading is checked in-process (ModuleLifetime).
  const std::string command =
      "ASAN_OPTIONS=detect_leaks=0 " + environment + VORNELL_TOOL_LAUNCHER " " + std::string(VORNELL_HOST_TOOL) + " " +
      arguments + " 2>&1";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class BundledHost : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vornell-module-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
  }
  void TearDown() override {
    for (const std::string& file : created) std::remove(file.c_str());
    rmdir(directory.c_str());
  }
  std::string Path(const std::string& name) {
    created.push_back(directory + "/" + name);
    return created.back();
  }
  const std::string module = VST_TEST_MODULE;
  const std::string song = std::string(VORNELL_DEMO_OUTPUT) + "/demo.mid";
  const std::string state = std::string(VORNELL_DEMO_OUTPUT) + "/demo.state";
  std::string directory;
  std::vector<std::string> created;
};

// Channels of a float WAV file, [channel][frame].
std::vector<std::vector<float>> ReadWav(const std::string& path, int* rate) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return {};
  std::vector<float> interleaved(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, interleaved.data(), info.frames);
  sf_close(file);
  *rate = info.samplerate;
  std::vector<std::vector<float>> channels(static_cast<size_t>(info.channels));
  for (size_t i = 0; i < interleaved.size(); ++i) channels[i % channels.size()].push_back(interleaved[i]);
  return channels;
}

double Rms(const std::vector<float>& x) {
  double sum = 0.0;
  for (float s : x) sum += static_cast<double>(s) * s;
  return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

TEST_F(BundledHost, InfoShowsTheInstrument) {
  const ToolRun run = Execute("info " + module);
  ASSERT_EQ(run.status, 0) << run.output;
  for (const char* expected : {"Effect: Vornell", "Vendor: Kestrune Music", "Unique ID: 'vnl4'", "Parameters: 303",
                               "Presets: 64", "Inputs: 0", "Outputs: 14", "Sum L", "Track 6 R", "Master Volume"})
    EXPECT_NE(run.output.find(expected), std::string::npos) << expected;
}

// FNV-1a over the samples of every channel, frame by frame.
uint64_t HashSamples(const std::vector<std::vector<float>>& channels) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t frame = 0; !channels.empty() && frame < channels[0].size(); ++frame) {
    for (const auto& channel : channels) {
      unsigned char bytes[sizeof(float)];
      std::memcpy(bytes, &channel[frame], sizeof(float));
      for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
    }
  }
  return hash;
}

TEST_F(BundledHost, TheDemoSongRendersThroughTheModule) {
  const std::string wav = Path("demo.wav");
  const std::string arguments =
      " " + module + " " + song + " " + wav + " --rate 48000 --outputs all --state " + state + " --program";
  const ToolRun run = Execute("render" + arguments);
  ASSERT_EQ(run.status, 0) << run.output;
  int rate = 0;
  const auto channels = ReadWav(wav, &rate);
  // The samples rendered before the renderer was vectorised, on every vector
  // path this processor has, in single and double precision.
  const uint64_t recorded = 0xcc07df305a7991f2ull;
  EXPECT_EQ(HashSamples(channels), recorded);
  for (VectorPath path : {VectorPath::kBaseline, VectorPath::kAvx2, VectorPath::kAvx512}) {
    if (!VectorPathSupported(path)) continue;
    for (const char* precision : {"", " --double"}) {
      const std::string prefix = std::string("VORNELL_VECTOR_PATH=") + VectorPathName(path) + " ";
      const ToolRun again = Execute("render" + arguments + precision, prefix);
      ASSERT_EQ(again.status, 0) << again.output;
      int againRate = 0;
      EXPECT_EQ(HashSamples(ReadWav(wav, &againRate)), recorded) << VectorPathName(path) << precision;
    }
  }
  ASSERT_EQ(channels.size(), 14u);
  EXPECT_EQ(rate, 48000);
  const double seconds = static_cast<double>(channels[0].size()) / rate;
  EXPECT_GT(seconds, 18.0);
  EXPECT_LT(seconds, 26.0);
  float peak = 0.0f;
  for (const auto& c : channels)
    for (float s : c) peak = std::max(peak, std::fabs(s));
  EXPECT_LT(peak, 1.0f);
  // The state put each part on its own track: every pair sounds.
  for (int track = 1; track <= 6; ++track) EXPECT_GT(Rms(channels[2 * track]), 1e-3) << "track " << track;
  EXPECT_GT(Rms(channels[0]), 0.03);
}

TEST_F(BundledHost, ChunksGoOutAndComeBack) {
  const std::string bank = Path("bank.chunk");
  ToolRun run = Execute("chunk get " + module + " " + bank);
  ASSERT_EQ(run.status, 0) << run.output;
  std::ifstream in(bank, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 64u * 100u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "tffp");
  run = Execute("chunk set " + module + " " + bank);
  EXPECT_EQ(run.status, 0) << run.output;
  // The demo's program chunk is taken as a program, and refused as nothing else.
  run = Execute("chunk set " + module + " " + state + " --program");
  EXPECT_EQ(run.status, 0) << run.output;
  const std::string junk = Path("junk.chunk");
  std::ofstream(junk, std::ios::binary) << "tffp\x01\x02 not a state at all";
  run = Execute("chunk set " + module + " " + junk + " --program");
  EXPECT_NE(run.status, 0) << run.output;
}

}  // namespace
