// The product path end to end: the bundled host renders the built demo song
// through the built module, as `make demo` does, and moves chunks in and out.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/VectorPath.h"
#include "tests/support/SignalMeasures.h"
#include "tests/support/ToolRun.h"
#include "tests/support/WavFile.h"

namespace {

// `environment` goes before the command (NAME=value settings).
ToolRun Execute(const std::string& arguments, const std::string& environment = "") {
  // The host unloads the module, and with it the system's graphics libraries,
  // whose start-up allocations a leak check would then report. The module's
  // own memory over unloading is checked in-process (ModuleLifetime).
  return RunCommand("ASAN_OPTIONS=detect_leaks=0 " + environment + VORNELL_TOOL_LAUNCHER " " +
                    std::string(VORNELL_HOST_TOOL) + " " + arguments + " 2>&1");
}

class BundledHost : public PrivateFolderTest {
 protected:
  const std::string module = VST_TEST_MODULE;
  const std::string song = std::string(VORNELL_DEMO_OUTPUT) + "/demo.mid";
  const std::string state = std::string(VORNELL_DEMO_OUTPUT) + "/demo.state";
};

TEST_F(BundledHost, InfoShowsTheInstrument) {
  const ToolRun run = Execute("info " + module);
  ASSERT_EQ(run.status, 0) << run.output;
  for (const char* expected : {"Effect: Vornell", "Vendor: Kestrune Music", "Unique ID: 'vnl4'", "Parameters: 303",
                               "Presets: 64", "Inputs: 0", "Outputs: 14", "Sum L", "Track 6 R", "Master Volume"})
    EXPECT_NE(run.output.find(expected), std::string::npos) << expected;
}

// FNV-1a over the interleaved samples (every channel, frame by frame).
uint64_t HashSamples(const std::vector<float>& samples) {
  uint64_t hash = 14695981039346656037ull;
  for (float sample : samples) {
    unsigned char bytes[sizeof(float)];
    std::memcpy(bytes, &sample, sizeof(float));
    for (unsigned char b : bytes) hash = (hash ^ b) * 1099511628211ull;
  }
  return hash;
}

TEST_F(BundledHost, TheDemoSongRendersThroughTheModule) {
  const std::string wav = Path("demo.wav");
  const std::string arguments =
      " " + module + " " + song + " " + wav + " --rate 48000 --outputs all --state " + state + " --program";
  const ToolRun run = Execute("render" + arguments);
  ASSERT_EQ(run.status, 0) << run.output;
  const WavFile file = ReadWavFile(wav);
  // The samples of the per-sample reference rendering, on every vector path
  // this processor has, in single and double precision.
  const uint64_t recorded = 0x35d61bd2a50df8f4ull;
  EXPECT_EQ(HashSamples(file.samples), recorded);
  for (VectorPath path : {VectorPath::kBaseline, VectorPath::kAvx2, VectorPath::kAvx512}) {
    if (!VectorPathSupported(path)) continue;
    for (const char* precision : {"", " --double"}) {
      const std::string prefix = std::string("VORNELL_VECTOR_PATH=") + VectorPathName(path) + " ";
      const ToolRun again = Execute("render" + arguments + precision, prefix);
      ASSERT_EQ(again.status, 0) << again.output;
      EXPECT_EQ(HashSamples(ReadWavFile(wav).samples), recorded) << VectorPathName(path) << precision;
    }
  }
  ASSERT_EQ(file.channels, 14);
  EXPECT_EQ(file.rate, 48000);
  const double seconds = static_cast<double>(file.frames) / file.rate;
  EXPECT_GT(seconds, 18.0);
  EXPECT_LT(seconds, 26.0);
  EXPECT_LT(Peak(file.samples), 1.0);
  // The state put each part on its own track: every pair sounds.
  for (int track = 1; track <= 6; ++track) EXPECT_GT(Rms(file.Channel(2 * track)), 1e-3) << "track " << track;
  EXPECT_GT(Rms(file.Channel(0)), 0.03);
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
