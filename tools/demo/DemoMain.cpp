// vornell-demo OUT.wav: renders the bundled demo song to a 48 kHz stereo WAV file.

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/Engine.h"
#include "tools/demo/DemoSong.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vornell-demo OUT.wav\n");
    return 2;
  }
  const double sampleRate = 48000.0;
  const int32_t blockSize = 256;
  Engine engine;
  DemoSong song(sampleRate);
  song.Prepare(engine);
  engine.OnReset(sampleRate, blockSize);

  const int64_t length = song.LengthInSamples();
  std::vector<float> interleaved(static_cast<size_t>(length) * 2);
  std::vector<double> buffers(static_cast<size_t>(Engine::kOutputCount) * blockSize);
  double* outputs[Engine::kOutputCount];
  for (int32_t k = 0; k < Engine::kOutputCount; ++k) outputs[k] = buffers.data() + static_cast<size_t>(k) * blockSize;

  const auto& events = song.Events();
  size_t next = 0;
  double peak = 0.0;
  std::vector<double> left(static_cast<size_t>(length)), right(static_cast<size_t>(length));
  const auto started = std::chrono::steady_clock::now();
  for (int64_t position = 0; position < length; position += blockSize) {
    int32_t frames = static_cast<int32_t>(std::min<int64_t>(blockSize, length - position));
    while (next < events.size() && events[next].sample < position + frames) {
      MidiMessage message;
      message.offset = static_cast<int32_t>(events[next].sample - position);
      message.status = events[next].status;
      message.data1 = events[next].data1;
      message.data2 = events[next].data2;
      engine.OnMidiMessage(message);
      ++next;
    }
    song.Automate(engine, position);
    engine.ProcessBlock(nullptr, outputs, frames);
    for (int32_t i = 0; i < frames; ++i) {
      left[position + i] = outputs[0][i];
      right[position + i] = outputs[1][i];
      peak = std::max({peak, std::fabs(outputs[0][i]), std::fabs(outputs[1][i])});
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  // The song is mixed to stay below full scale; should a change push it over,
  // it is scaled down rather than clipped.
  const double gain = peak > 0.891 ? 0.891 / peak : 1.0;
  for (int64_t i = 0; i < length; ++i) {
    interleaved[static_cast<size_t>(i) * 2] = static_cast<float>(left[i] * gain);
    interleaved[static_cast<size_t>(i) * 2 + 1] = static_cast<float>(right[i] * gain);
  }

  SF_INFO info = {};
  info.samplerate = static_cast<int>(sampleRate);
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "vornell-demo: cannot write %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  sf_count_t written = sf_writef_float(file, interleaved.data(), length);
  sf_close(file);
  if (written != length) {
    std::fprintf(stderr, "vornell-demo: writing %s failed\n", argv[1]);
    return 1;
  }
  double finalPeak = peak * gain;
  std::printf("%s: %.2f s at %.0f Hz stereo, peak %.3f (%.1f dBFS), rendered in %.2f s\n", argv[1], length / sampleRate,
              sampleRate, finalPeak, 20.0 * std::log10(finalPeak > 0.0 ? finalPeak : 1e-12), seconds);
  return 0;
}
