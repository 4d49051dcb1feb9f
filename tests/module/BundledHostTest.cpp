// The product path end to end: the bundled host renders the built demo song
// through the built module, as `make demo` does, and moves chunks in and out.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/SignalMeasures.h"
#include "tests/support/ToolRun.h"
#include "tests/support/WavFile.h"

namespace {

ToolRun Execute(const std::string& arguments) {
  // The host unloads the module, and with it the system's graphics libraries,
  // whose start-up allocations a leak check would then report. The module's
  // own memory over unloading is checked in-process (ModuleLifetime).
  return RunCommand("ASAN_OPTIONS=detect_leaks=0 " VORNELL_TOOL_LAUNCHER " " + std::string(VORNELL_HOST_TOOL) + " " +
                    arguments + " 2>&1");
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

TEST_F(BundledHost, TheDemoSongRendersThroughTheModule) {
  const std::string wav = Path("demo.wav");
  const ToolRun run = Execute("render " + module + " " + song + " " + wav + " --rate 48000 --outputs all --state " +
                              state + " --program");
  ASSERT_EQ(run.status, 0) << run.output;
  const WavFile file = ReadWavFile(wav);
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
