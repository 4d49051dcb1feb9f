#pragma once
// Configuration templates: named layouts of the six tracks' MIDI channel,
// mode and Cycle flag, offered by the configuration page's drop-down.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kTemplateTrackCount = 6;

struct ConfigTemplate {
  std::string name;
  // Values of "Track %i MIDI Channel": 0..15 MIDI channel 1..16, 16 all, 17 off.
  std::array<uint8_t, kTemplateTrackCount> channels{};
  // Values of "Track %i Mode": 0 Monophonic, 1 Polyphonic, 2 Legato.
  std::array<uint8_t, kTemplateTrackCount> modes{};
  // Values of "Track %i Cycle": 0 or 1.
  std::array<uint8_t, kTemplateTrackCount> cycles{};

  bool SameLayout(const ConfigTemplate& other) const {
    return channels == other.channels && modes == other.modes && cycles == other.cycles;
  }
};

// The nine templates every list starts with, in their fixed order.
std::vector<ConfigTemplate> BuiltInConfigTemplates();

// Adds the templates of the INI section's entries ("key=value", the key unused)
// to the list. The value is "Name,c1..c6,m1..m6,y1..y6": channels as MIDI
// channel 1..16, 17 for all and 18 for off; modes and cycles as stored. A
// template whose name is already in the list (exact case) replaces that one's
// values in place; others are appended. Entries without "=", without a comma
// after the name or with fewer than eighteen numbers are skipped; a field that
// is not a decimal number in the int range ends the reading of the section.
// Numbers outside a parameter's range are clamped into it, as setting the
// parameter would.
void AddConfigTemplates(const std::vector<std::string>& entries, std::vector<ConfigTemplate>& templates);

// The plug-in side that templates are matched against and applied to. All
// calls from the user-interface thread, with the plug-in lock held by the caller.
class ConfigTemplateTarget {
 public:
  virtual ~ConfigTemplateTarget() = default;
  // The track's current channel byte (0..15, 16 all, 17 none; a sequence-driven
  // track holds its own index).
  virtual int32_t TrackChannel(int32_t track) const = 0;
  // The plain values of "Track %i Mode" and "Track %i Cycle".
  virtual int32_t TrackModeValue(int32_t track) const = 0;
  virtual int32_t TrackCycleValue(int32_t track) const = 0;
  virtual bool TrackSequenceDriven(int32_t track) const = 0;
  // The performance Mode, 0..6.
  virtual int32_t PerformanceMode() const = 0;
  // The plug-in's own change of a parameter to a plain value (clamped by the parameter).
  virtual void SetParameterFromEngine(int32_t index, double value) = 0;
  virtual void ShowStatus(const std::string& text, int32_t colour) = 0;
  // Asks the editor to refresh its panel displays at the next idle tick.
  virtual void SetPanelDirty() = 0;
};
