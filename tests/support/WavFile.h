#pragma once
// A WAV file as the bundled host writes it, read with libsndfile (the test
// program links PkgConfig::SNDFILE).
#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

struct WavFile {
  int channels = 0;  // 0 when the file could not be read
  int rate = 0;
  int64_t frames = 0;
  std::vector<float> samples;  // interleaved

  // One channel's samples.
  std::vector<float> Channel(int channel) const {
    std::vector<float> one;
    one.reserve(static_cast<size_t>(frames));
    for (size_t i = static_cast<size_t>(channel); i < samples.size(); i += static_cast<size_t>(channels))
      one.push_back(samples[i]);
    return one;
  }
};

inline WavFile ReadWavFile(const std::string& path) {
  WavFile wav;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return wav;
  wav.channels = info.channels;
  wav.rate = info.samplerate;
  wav.frames = info.frames;
  wav.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(file, wav.samples.data(), info.frames);
  sf_close(file);
  return wav;
}
