#include "tests/module/ModuleSupport.h"

#include <algorithm>
#include <cmath>

std::unique_ptr<TestHost> OpenInstance(double rate, int32_t blockSize) {
  auto host = std::make_unique<TestHost>();
  host->config.time.sampleRate = rate;
  if (!host->Create()) return nullptr;
  host->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  host->Dispatch(effSetBlockSize, 0, blockSize);
  host->Dispatch(effOpen);
  host->Dispatch(effMainsChanged, 0, 1);
  return host;
}

int32_t ParamIndex(TestHost& host, const std::string& name) {
  for (int32_t i = 0; i < host.Effect()->numParams; ++i)
    if (host.Text(effGetParamName, i) == name) return i;
  return -1;
}

bool SetByText(TestHost& host, const std::string& name, const std::string& value) {
  const int32_t index = ParamIndex(host, name);
  if (index < 0) return false;
  std::vector<char> text(value.begin(), value.end());
  text.push_back(0);
  return host.Dispatch(effString2Parameter, index, 0, text.data()) == 1;
}

std::string Display(TestHost& host, const std::string& name) {
  const int32_t index = ParamIndex(host, name);
  return index < 0 ? std::string("(no such parameter)") : host.Text(effGetParamDisplay, index);
}

void GiveEachTrackItsChannel(TestHost& host) {
  SetByText(host, "Link Programs", "off");
  for (int t = 1; t <= 6; ++t) SetByText(host, "Track " + std::to_string(t) + " MIDI Channel", std::to_string(t));
}

namespace {

template <class Sample, class Process>
std::vector<std::vector<Sample>> RenderWith(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                                            const std::vector<int32_t>& blocks, Process process) {
  std::vector<std::vector<Sample>> result(static_cast<size_t>(host.Effect()->numOutputs));
  size_t next = 0;
  size_t pattern = 0;
  for (int64_t start = 0; start < total;) {
    const int32_t frames = static_cast<int32_t>(std::min<int64_t>(blocks[pattern % blocks.size()], total - start));
    ++pattern;
    std::vector<TestHost::Midi> midi;
    while (next < events.size() && events[next].frame < start + frames) {
      const TimedMidi& e = events[next++];
      midi.push_back({e.status, e.data1, e.data2, static_cast<int32_t>(std::max<int64_t>(0, e.frame - start))});
    }
    if (!midi.empty()) host.SendMidi(midi);
    auto out = process(frames);
    for (size_t pin = 0; pin < result.size(); ++pin)
      result[pin].insert(result[pin].end(), out[pin].begin(), out[pin].end());
    start += frames;
  }
  return result;
}

}  // namespace

Channels Render(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                const std::vector<int32_t>& blocks) {
  return RenderWith<float>(host, events, total, blocks, [&host](int32_t frames) { return host.ProcessFloat(frames); });
}

Channels RenderAllEventsFirst(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                              const std::vector<int32_t>& blocks) {
  std::vector<TestHost::Midi> midi;
  for (const TimedMidi& e : events) midi.push_back({e.status, e.data1, e.data2, static_cast<int32_t>(e.frame)});
  host.SendMidi(midi);
  return Render(host, {}, total, blocks);
}

DoubleChannels RenderDouble(TestHost& host, const std::vector<TimedMidi>& events, int64_t total,
                            const std::vector<int32_t>& blocks) {
  return RenderWith<double>(host, events, total, blocks,
                            [&host](int32_t frames) { return host.ProcessDouble(frames); });
}

bool AllFinite(const Channels& channels) {
  for (const auto& channel : channels)
    for (float s : channel)
      if (!std::isfinite(s)) return false;
  return true;
}
