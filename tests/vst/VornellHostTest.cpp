// The bundled command-line host, run as a program against the test instrument.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/SignalMeasures.h"
#include "tests/support/ToolRun.h"
#include "tests/support/WavFile.h"

namespace {

ToolRun Execute(const std::string& arguments) {
  return RunCommand(std::string(VORNELL_HOST_TOOL) + " " + arguments + " 2>&1");
}

class VornellHost : public PrivateFolderTest {
 protected:
  // One note on channel 1 from 0.5 s to 1.0 s at 120 BPM (division 96), and a
  // second on channel 2 from 1.0 s to 1.5 s.
  std::string WriteSong() {
    const unsigned char bytes[] = {
        'M',  'T',  'h', 'd', 0,    0,    0,    6,    0,    0,    0,  1,   0, 96,  //
        'M',  'T',  'r', 'k', 0,    0,    0,    20,                                //
        0x60, 0x90, 69,  100, 0x60, 0x80, 69,   0,    0x00, 0x91, 76, 100,         //
        0x60, 0x81, 76,  0,   0x00, 0xFF, 0x2F, 0x00,
    };
    std::string path = Path("song.mid");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof(bytes));
    return path;
  }

  const std::string module = VST_TEST_MODULE;
};

// Seconds [from, to) of one channel.
double RmsBetween(const WavFile& wav, int channel, double from, double to) {
  return Rms(wav.Channel(channel), static_cast<size_t>(from * wav.rate), static_cast<size_t>(to * wav.rate));
}

}  // namespace

TEST_F(VornellHost, InfoListsIdentityParametersPresetsAndPins) {
  ToolRun run = Execute("info " + module);
  ASSERT_EQ(run.status, 0) << run.output;
  for (const char* expected : {"Effect: Vornell",
                               "Vendor: Kestrune Music",
                               "Unique ID: 'vnl4'",
                               "Version: 10001",
                               "VST version: 2400",
                               "Category: 2",
                               "Outputs: 14",
                               "Parameters: 4",
                               "Gain",
                               "0.500 amp",
                               "Transpose",
                               "Mute",
                               "off",
                               "Wave",
                               "sine",
                               "Presets: 8",
                               "Empty",
                               "Sum L",
                               "Track 6 R",
                               "receiveVstTimeInfo",
                               "0xBEEF0000"}) {
    EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;
  }
}

TEST_F(VornellHost, RenderWritesTheSongWithItsTailAtTheRequestedRate) {
  std::string song = WriteSong();
  std::string wavPath = Path("out.wav");
  ToolRun run = Execute("render " + module + " " + song + " " + wavPath + " --rate 48000 --block 300 --tail 0.5");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("real-time factor"), std::string::npos) << run.output;
  WavFile wav = ReadWavFile(wavPath);
  ASSERT_EQ(wav.channels, 2);
  EXPECT_EQ(wav.rate, 48000);
  EXPECT_EQ(wav.frames, 48000 * 2);  // 1.5 s of song and 0.5 s of tail
  // Silence before the first note, sound while notes hold, silence after.
  EXPECT_EQ(RmsBetween(wav, 0, 0.0, 0.49), 0.0);
  EXPECT_NEAR(RmsBetween(wav, 0, 0.55, 0.95), 0.5 * 100 / 127.0 / std::sqrt(2.0), 0.01);
  EXPECT_GT(RmsBetween(wav, 1, 1.05, 1.45), 0.2);
  EXPECT_EQ(RmsBetween(wav, 0, 1.51, 2.0), 0.0);
  // The note starts on its sample: 0.5 s at 48 kHz is frame 24000.
  EXPECT_EQ(wav.samples[24000 * 2], 0.0f);
  EXPECT_NE(wav.samples[24001 * 2], 0.0f);
}

TEST_F(VornellHost, RenderAllOutputsAndTheDoublePathAgree) {
  std::string song = WriteSong();
  std::string single = Path("single.wav"), twice = Path("double.wav");
  ASSERT_EQ(Execute("render " + module + " " + song + " " + single + " --outputs all --tail 0").status, 0);
  ASSERT_EQ(Execute("render " + module + " " + song + " " + twice + " --outputs all --tail 0 --double").status, 0);
  WavFile a = ReadWavFile(single), b = ReadWavFile(twice);
  ASSERT_EQ(a.channels, 14);
  ASSERT_EQ(b.channels, 14);
  EXPECT_EQ(a.samples, b.samples);
  // Channel 1 plays on track 1 (pins 2 and 3), channel 2 on track 2 (pins 4 and 5).
  EXPECT_GT(RmsBetween(a, 2, 0.55, 0.95), 0.2);
  EXPECT_EQ(RmsBetween(a, 4, 0.55, 0.95), 0.0);
  EXPECT_GT(RmsBetween(a, 4, 1.05, 1.45), 0.2);
  EXPECT_EQ(RmsBetween(a, 2, 1.05, 1.45), 0.0);
}

TEST_F(VornellHost, ChunkGetSetAndStateRestore) {
  std::string bank = Path("bank.chunk");
  ToolRun get = Execute("chunk get " + module + " " + bank + " --bank");
  ASSERT_EQ(get.status, 0) << get.output;
  EXPECT_NE(get.output.find("bank chunk of"), std::string::npos);
  ToolRun set = Execute("chunk set " + module + " " + bank + " --bank");
  EXPECT_EQ(set.status, 0) << set.output;
  EXPECT_NE(set.output.find("returned 1"), std::string::npos) << set.output;

  // A state with the Mute switch on renders silence.
  std::string program = Path("program.chunk");
  ASSERT_EQ(Execute("chunk get " + module + " " + program + " --program").status, 0);
  std::vector<char> bytes;
  {
    std::ifstream in(program, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  ASSERT_GE(bytes.size(), 8u + 32u);
  const double on = 1.0;
  std::memcpy(bytes.data() + 8 + 2 * 8, &on, 8);  // the third value: Mute
  std::ofstream(program, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::string song = WriteSong();
  std::string wavPath = Path("muted.wav");
  ToolRun render = Execute("render " + module + " " + song + " " + wavPath + " --state " + program + " --program");
  ASSERT_EQ(render.status, 0) << render.output;
  WavFile wav = ReadWavFile(wavPath);
  EXPECT_EQ(RmsBetween(wav, 0, 0.55, 0.95), 0.0);

  // Garbage is refused, and the render does not go on with it.
  std::string junk = Path("junk.chunk");
  std::ofstream(junk, std::ios::binary).write("tffp\x00\x00\x01\x00zz", 10);
  EXPECT_EQ(Execute("chunk set " + module + " " + junk + " --bank").status, 1);
  EXPECT_NE(Execute("render " + module + " " + song + " " + Path("no.wav") + " --state " + junk).status, 0);
}

TEST_F(VornellHost, BadArgumentsAndFilesFailCleanly) {
  std::string song = WriteSong();
  EXPECT_EQ(Execute("").status, 2);
  EXPECT_EQ(Execute("frobnicate").status, 2);
  EXPECT_EQ(Execute("info").status, 2);
  EXPECT_EQ(Execute("render " + module + " " + song + " " + Path("x.wav") + " --rate 0").status, 2);
  EXPECT_EQ(Execute("render " + module + " " + song + " " + Path("x.wav") + " --block -1").status, 2);
  EXPECT_EQ(Execute("render " + module + " " + song + " " + Path("x.wav") + " --outputs some").status, 2);
  ToolRun missing = Execute("info " + Path("missing.so"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.output.find("cannot open module"), std::string::npos);
  EXPECT_EQ(Execute("render " + module + " " + Path("none.mid") + " " + Path("x.wav")).status, 1);
  EXPECT_EQ(Execute("render " + module + " " + song + " " + Path("x.wav") + " --preset 8").status, 1);
  // Not a module at all.
  EXPECT_EQ(Execute("info " + song).status, 1);
}
