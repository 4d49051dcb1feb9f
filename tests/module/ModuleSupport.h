#pragma once
// Helpers for driving the built module: an opened instance, parameters by
// name and display text, and rendering a list of timed MIDI messages in
// blocks of any pattern.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/SignalMeasures.h"
#include "tests/vst/TestHost.h"

// A MIDI message at an absolute frame of the rendering.
struct TimedMidi {
  int64_t frame;
  uint8_t status, data1, data2;
};

// Audio indexed [pin][frame].
using Channels = std::vector<std::vector<float>>;
using DoubleChannels = std::vector<std::vector<double>>;

// Creates an instance through VSTPluginMain and brings it to the playing
// state the way hosts do: rate, block size, effOpen, resume.
std::unique_ptr<TestHost> OpenInstance(double rate = 44100.0, int32_t blockSize = 512);

// The parameter with this name, or -1.
int32_t ParamIndex(TestHost& host, const std::string& name);
// effString2Parameter on the named parameter; true when it took the value.
bool SetByText(TestHost& host, const std::string& name, const std::string& value);
// The parameter's display text.
std::string Display(TestHost& host, const std::string& name);

// Tracks 1..6 on channels 1..6 with their own programs, none following another.
void GiveEachTrackItsChannel(TestHost& host);

// Renders total frames; the block lengths repeat from the list. Events are
// handed over before the block they fall in.
Channels Render(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                const std::vector<int32_t>& blocks = {512});
// The same, but every event is handed over before the first block, each
// with its frame as the offset.
Channels RenderAllEventsFirst(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                              const std::vector<int32_t>& blocks);
DoubleChannels RenderDouble(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                            const std::vector<int32_t>& blocks = {512});

bool AllFinite(const Channels& channels);
