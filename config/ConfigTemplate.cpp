#include "config/ConfigTemplate.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

constexpr uint8_t kAll = 16;
constexpr uint8_t kOff = 17;
constexpr uint8_t kMonophonic = 0;
constexpr uint8_t kPolyphonic = 1;
constexpr uint8_t kLegato = 2;
constexpr int32_t kNumberCount = 3 * kTemplateTrackCount;

ConfigTemplate Uniform(const char* name, std::array<uint8_t, kTemplateTrackCount> channels, uint8_t mode,
                       uint8_t cycle) {
  ConfigTemplate layout;
  layout.name = name;
  layout.channels = channels;
  layout.modes.fill(mode);
  layout.cycles.fill(cycle);
  return layout;
}

enum class NumberResult { Ok, NotNumber, OutOfRange };

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal integer at the start of the text after optional white space and
// sign; whatever follows the digits is ignored. Independent of the C locale.
NumberResult LeadingInteger(std::string_view text, int32_t& value) {
  size_t position = 0;
  while (position < text.size() && IsSpace(text[position])) ++position;
  if (position < text.size() && text[position] == '+') {
    ++position;
    if (position >= text.size() || text[position] < '0' || text[position] > '9') return NumberResult::NotNumber;
  }
  const char* begin = text.data() + position;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(begin, end, value);
  if (error == std::errc::result_out_of_range) return NumberResult::OutOfRange;
  if (error != std::errc() || stop == begin) return NumberResult::NotNumber;
  return NumberResult::Ok;
}

uint8_t Clamped(int64_t value, int64_t low, int64_t high) {
  return static_cast<uint8_t>(std::clamp(value, low, high));
}

}  // namespace

std::vector<ConfigTemplate> BuiltInConfigTemplates() {
  constexpr std::array<uint8_t, kTemplateTrackCount> all{kAll, kAll, kAll, kAll, kAll, kAll};
  constexpr std::array<uint8_t, kTemplateTrackCount> multi{0, 1, 2, 3, 4, 5};
  constexpr std::array<uint8_t, kTemplateTrackCount> arpeggiated{5, 5, 5, 5, 5, 5};
  return {
      Uniform("Calvara", all, kMonophonic, 1),
      Uniform("Calvara Legato", all, kLegato, 1),
      Uniform("Single Poly", {kAll, kOff, kOff, kOff, kOff, kOff}, kPolyphonic, 0),
      Uniform("Double Poly", {kAll, kAll, kOff, kOff, kOff, kOff}, kPolyphonic, 0),
      Uniform("Multi Mono", multi, kMonophonic, 1),
      Uniform("Multi Poly", multi, kPolyphonic, 0),
      Uniform("Super Stack", all, kPolyphonic, 0),
      Uniform("Double Poly Arpeggiated", {5, 5, kOff, kOff, kOff, kOff}, kPolyphonic, 0),
      Uniform("All Arpeggiated", arpeggiated, kMonophonic, 1),
  };
}

void AddConfigTemplates(const std::vector<std::string>& entries, std::vector<ConfigTemplate>& templates) {
  for (const std::string& entry : entries) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view value = std::string_view(entry).substr(equals + 1);
    size_t comma = value.find(',');
    if (comma == std::string_view::npos) continue;

    std::array<int32_t, kNumberCount> numbers{};
    bool complete = true;
    for (int32_t i = 0; i < kNumberCount; ++i) {
      if (comma == std::string_view::npos) {
        complete = false;
        break;
      }
      // A broken number means the rest of the section cannot be trusted either.
      if (LeadingInteger(value.substr(comma + 1), numbers[static_cast<size_t>(i)]) != NumberResult::Ok) return;
      comma = value.find(',', comma + 1);
    }
    if (!complete) continue;

    ConfigTemplate layout;
    layout.name = std::string(value.substr(0, value.find(',')));
    for (size_t t = 0; t < static_cast<size_t>(kTemplateTrackCount); ++t) {
      layout.channels[t] = Clamped(int64_t{numbers[t]} - 1, 0, kOff);
      layout.modes[t] = Clamped(numbers[t + kTemplateTrackCount], kMonophonic, kLegato);
      layout.cycles[t] = Clamped(numbers[t + 2 * kTemplateTrackCount], 0, 1);
    }
    const auto existing = std::find_if(templates.begin(), templates.end(),
                                       [&](const ConfigTemplate& other) { return other.name == layout.name; });
    if (existing != templates.end()) {
      existing->channels = layout.channels;
      existing->modes = layout.modes;
      existing->cycles = layout.cycles;
    } else {
      templates.push_back(std::move(layout));
    }
  }
}
