#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/ConfigTemplate.h"
#include "config/Configuration.h"
#include "tests/support/TempFolder.h"

namespace {

using Bytes = std::array<uint8_t, 6>;

std::vector<std::string> Names(const std::vector<ConfigTemplate>& templates) {
  std::vector<std::string> names;
  for (const ConfigTemplate& layout : templates) names.push_back(layout.name);
  return names;
}

// The plug-in's side as a template sees it, applying parameter changes the way
// the track parameters do: a sequence-driven track keeps its own index as channel.
class FakeTracks : public ConfigTemplateTarget {
 public:
  struct Track {
    int32_t channel = 16;
    int32_t mode = 0;
    int32_t cycle = 1;
    bool sequenceDriven = false;
  };

  int32_t TrackChannel(int32_t t) const override { return tracks[static_cast<size_t>(t)].channel; }
  int32_t TrackModeValue(int32_t t) const override { return tracks[static_cast<size_t>(t)].mode; }
  int32_t TrackCycleValue(int32_t t) const override { return tracks[static_cast<size_t>(t)].cycle; }
  bool TrackSequenceDriven(int32_t t) const override { return tracks[static_cast<size_t>(t)].sequenceDriven; }
  int32_t PerformanceMode() const override { return mode; }
  void SetParameterFromEngine(int32_t index, double value) override {
    changed.push_back(index);
    const int32_t t = (index - 39) / 7;
    Track& track = tracks[static_cast<size_t>(t)];
    switch ((index - 39) % 7) {
      case 0:
        track.channel = track.sequenceDriven ? t : static_cast<int32_t>(value);
        break;
      case 1:
        track.mode = static_cast<int32_t>(value);
        break;
      case 2:
        track.cycle = static_cast<int32_t>(value);
        break;
    }
  }
  void ShowStatus(const std::string& text, int32_t colour) override {
    status = text;
    statusColour = colour;
  }
  void SetPanelDirty() override { panelDirty = true; }

  void Set(const ConfigTemplate& layout) {
    for (size_t t = 0; t < 6; ++t) {
      tracks[t].channel = layout.channels[t];
      tracks[t].mode = layout.modes[t];
      tracks[t].cycle = layout.cycles[t];
    }
  }

  std::array<Track, 6> tracks;
  int32_t mode = 0;
  std::vector<int32_t> changed;
  std::string status;
  int32_t statusColour = -1;
  bool panelDirty = false;
};

class TemplateFixture : public ::testing::Test {
 protected:
  TempFolder folder;
  Configuration config{folder.Path(), folder / "docs"};
};

}  // namespace

TEST(ConfigTemplates, NineBuiltInsInTheirOrder) {
  const std::vector<ConfigTemplate> builtIns = BuiltInConfigTemplates();
  EXPECT_EQ(Names(builtIns),
            (std::vector<std::string>{"Calvara", "Calvara Legato", "Single Poly", "Double Poly", "Multi Mono",
                                      "Multi Poly", "Super Stack", "Double Poly Arpeggiated", "All Arpeggiated"}));
  EXPECT_EQ(builtIns[0].channels, (Bytes{16, 16, 16, 16, 16, 16}));
  EXPECT_EQ(builtIns[0].modes, (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(builtIns[0].cycles, (Bytes{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(builtIns[1].modes, (Bytes{2, 2, 2, 2, 2, 2}));
  EXPECT_EQ(builtIns[2].channels, (Bytes{16, 17, 17, 17, 17, 17}));
  EXPECT_EQ(builtIns[2].cycles, (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(builtIns[3].channels, (Bytes{16, 16, 17, 17, 17, 17}));
  EXPECT_EQ(builtIns[4].channels, (Bytes{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(builtIns[4].cycles, (Bytes{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(builtIns[5].modes, (Bytes{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(builtIns[6].channels, (Bytes{16, 16, 16, 16, 16, 16}));
  EXPECT_EQ(builtIns[6].modes, (Bytes{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(builtIns[7].channels, (Bytes{5, 5, 17, 17, 17, 17}));
  EXPECT_EQ(builtIns[8].channels, (Bytes{5, 5, 5, 5, 5, 5}));
  EXPECT_EQ(builtIns[8].modes, (Bytes{0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(builtIns[8].cycles, (Bytes{1, 1, 1, 1, 1, 1}));
}

TEST(ConfigTemplates, ReadsATemplateUnderAnyKey) {
  std::vector<ConfigTemplate> templates = BuiltInConfigTemplates();
  AddConfigTemplates({"whatever=Bass and Lead,1,2,17,18,18,18,0,1,1,1,1,1,1,0,0,0,0,0"}, templates);
  ASSERT_EQ(templates.size(), 10u);
  const ConfigTemplate& layout = templates.back();
  EXPECT_EQ(layout.name, "Bass and Lead");
  EXPECT_EQ(layout.channels, (Bytes{0, 1, 16, 17, 17, 17}));
  EXPECT_EQ(layout.modes, (Bytes{0, 1, 1, 1, 1, 1}));
  EXPECT_EQ(layout.cycles, (Bytes{1, 0, 0, 0, 0, 0}));
}

TEST(ConfigTemplates, AUserTemplateOfABuiltInNameReplacesItInPlace) {
  std::vector<ConfigTemplate> templates = BuiltInConfigTemplates();
  AddConfigTemplates(
      {"a=Single Poly,2,2,2,18,18,18,2,2,2,0,0,0,1,1,1,0,0,0", "b=single poly,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0"},
      templates);
  // The exact name replaces; another case of it is a template of its own.
  ASSERT_EQ(templates.size(), 10u);
  EXPECT_EQ(templates[2].name, "Single Poly");
  EXPECT_EQ(templates[2].channels, (Bytes{1, 1, 1, 17, 17, 17}));
  EXPECT_EQ(templates[2].modes, (Bytes{2, 2, 2, 0, 0, 0}));
  EXPECT_EQ(templates[2].cycles, (Bytes{1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(templates[9].name, "single poly");
}

TEST(ConfigTemplates, SkipsEntriesWithoutValueOrNumbersAndKeepsReading) {
  std::vector<ConfigTemplate> templates;
  AddConfigTemplates({"no equals sign at all", "only=A name", "short=Short,1,2,3",
                      "empty=", "good=Good,1,1,1,1,1,1,0,0,0,0,0,0,1,1,1,1,1,1"},
                     templates);
  EXPECT_EQ(Names(templates), std::vector<std::string>{"Good"});
}

TEST(ConfigTemplates, ANonNumberEndsTheSectionButKeepsWhatWasRead) {
  std::vector<ConfigTemplate> templates;
  AddConfigTemplates({"1=First,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0", "2=Broken,1,2,x,4,5,6,0,0,0,0,0,0,0,0,0,0,0,0",
                      "3=Never,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0"},
                     templates);
  EXPECT_EQ(Names(templates), std::vector<std::string>{"First"});

  templates.clear();
  AddConfigTemplates(
      {"1=Huge,1,99999999999,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0", "2=Never,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0"},
      templates);
  EXPECT_TRUE(templates.empty());

  // Nor is a value that is only a separator.
  templates.clear();
  AddConfigTemplates({"1=,", "2=Never,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0"}, templates);
  EXPECT_TRUE(templates.empty());

  // An empty eighteenth field is not a number either.
  templates.clear();
  AddConfigTemplates({"1=Trailing,1,1,1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,"}, templates);
  EXPECT_TRUE(templates.empty());
}

TEST(ConfigTemplates, NumbersReadLikeDecimalIntegers) {
  std::vector<ConfigTemplate> templates;
  // Blanks before a number, a plus sign and text after the digits are accepted;
  // a nineteenth field is ignored.
  AddConfigTemplates({"k= Spaced Name , 1,\t2,+3,4x,5 ,6,0,1,2,0,1,2,1,0,1,0,1,0,extra,stuff"}, templates);
  ASSERT_EQ(templates.size(), 1u);
  EXPECT_EQ(templates[0].name, " Spaced Name ");
  EXPECT_EQ(templates[0].channels, (Bytes{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(templates[0].modes, (Bytes{0, 1, 2, 0, 1, 2}));
  EXPECT_EQ(templates[0].cycles, (Bytes{1, 0, 1, 0, 1, 0}));
}

TEST(ConfigTemplates, OutOfRangeNumbersAreClampedToTheParameterRanges) {
  std::vector<ConfigTemplate> templates;
  AddConfigTemplates({"k=Wild,0,-7,19,257,18,1,-1,3,99,0,1,2,-4,2,1,0,1,0"}, templates);
  ASSERT_EQ(templates.size(), 1u);
  EXPECT_EQ(templates[0].channels, (Bytes{0, 0, 17, 17, 17, 0}));
  EXPECT_EQ(templates[0].modes, (Bytes{0, 2, 2, 0, 1, 2}));
  EXPECT_EQ(templates[0].cycles, (Bytes{0, 1, 1, 0, 1, 0}));
}

TEST_F(TemplateFixture, TheFileSectionIsReadAfterTheBuiltIns) {
  WriteFileText(config.iniPath,
                "[Config Templates]\n"
                "T1 = Bass and Lead,1,2,17,18,18,18,0,1,1,1,1,1,1,0,0,0,0,0\n"
                "T2=Single Poly,1,18,18,18,18,18,1,1,1,1,1,1,0,0,0,0,0,0\n");
  config.LoadConfigTemplates();
  ASSERT_EQ(config.configTemplates.size(), 10u);
  EXPECT_EQ(config.configTemplates[9].name, "Bass and Lead");
  EXPECT_EQ(config.configTemplates[2].channels, (Bytes{0, 17, 17, 17, 17, 17}));
  // Reading again does not duplicate anything.
  config.LoadConfigTemplates();
  EXPECT_EQ(config.configTemplates.size(), 10u);
}

TEST_F(TemplateFixture, AHugeSectionIsReadUpToItsBufferWithoutHarm) {
  std::string text = "[Config Templates]\n";
  for (int i = 0; i < 5000; ++i) {
    text += "K" + std::to_string(i) + "=Template " + std::to_string(i) + ",1,2,3,4,5,6,0,0,0,1,1,1,1,1,1,0,0,0\n";
  }
  WriteFileText(config.iniPath, text);
  config.LoadConfigTemplates();
  const size_t count = config.configTemplates.size();
  EXPECT_GT(count, 9u + 100u);
  EXPECT_LT(count, 9u + 5000u);
  // Every one read is whole.
  for (size_t i = 9; i < count; ++i) {
    EXPECT_EQ(config.configTemplates[i].channels, (Bytes{0, 1, 2, 3, 4, 5})) << i;
    EXPECT_EQ(config.configTemplates[i].cycles, (Bytes{1, 1, 1, 0, 0, 0})) << i;
  }
}

TEST_F(TemplateFixture, MatchingFindsTheFirstTemplateTheLiveTracksFollow) {
  FakeTracks tracks;
  tracks.Set(config.configTemplates[5]);  // Multi Poly
  EXPECT_EQ(config.MatchingConfigTemplate(tracks), 5);
  EXPECT_EQ(config.ConfigTemplateName(5), "Multi Poly");

  // Calvara and Super Stack differ only in mode and cycle; the first match wins.
  tracks.Set(config.configTemplates[0]);
  EXPECT_EQ(config.MatchingConfigTemplate(tracks), 0);

  // Sequence-driven tracks are not compared.
  tracks.Set(config.configTemplates[4]);
  tracks.tracks[0].sequenceDriven = true;
  tracks.tracks[0].channel = 0;
  tracks.tracks[0].mode = 2;
  EXPECT_EQ(config.MatchingConfigTemplate(tracks), 4);

  // No template: beyond the list, shown as the user's own configuration.
  tracks.tracks[1].mode = 2;
  const int32_t none = config.MatchingConfigTemplate(tracks);
  EXPECT_EQ(none, static_cast<int32_t>(config.configTemplates.size()) + 1);
  EXPECT_EQ(config.ConfigTemplateName(none), "User Configuration");
  EXPECT_EQ(config.ConfigTemplateName(-1), "User Configuration");
}

TEST_F(TemplateFixture, ApplyingSetsTheThreeTrackParametersOfEveryLiveTrack) {
  FakeTracks tracks;
  config.ApplyConfigTemplate(5, tracks);  // Multi Poly
  for (size_t t = 0; t < 6; ++t) {
    EXPECT_EQ(tracks.tracks[t].channel, static_cast<int32_t>(t));
    EXPECT_EQ(tracks.tracks[t].mode, 1);
    EXPECT_EQ(tracks.tracks[t].cycle, 0);
  }
  EXPECT_EQ(tracks.changed.size(), 18u);
  EXPECT_EQ(tracks.changed[0], 39);
  EXPECT_EQ(tracks.changed[17], 41 + 7 * 5);
  EXPECT_EQ(tracks.status, "Configuration applied.");
  EXPECT_EQ(tracks.statusColour, 2);
  EXPECT_TRUE(tracks.panelDirty);
  EXPECT_EQ(config.MatchingConfigTemplate(tracks), 5);
}

TEST_F(TemplateFixture, ApplyingWhileSequencesPlayChangesSequenceTracksOnlyWithoutChannelSix) {
  // Seq A plays tracks 1 and 2; no track is on MIDI channel 6: all six change.
  FakeTracks tracks;
  tracks.mode = 1;
  tracks.tracks[0] = {0, 0, 1, true};
  tracks.tracks[1] = {1, 0, 1, true};
  config.ApplyConfigTemplate(5, tracks);
  EXPECT_EQ(tracks.changed.size(), 18u);
  EXPECT_EQ(tracks.tracks[1].mode, 1);

  // A track on MIDI channel 6 protects the sequence-driven tracks.
  FakeTracks busy;
  busy.mode = 1;
  busy.tracks[0] = {0, 0, 1, true};
  busy.tracks[3].channel = 5;
  config.ApplyConfigTemplate(6, busy);  // Super Stack
  EXPECT_EQ(busy.changed.size(), 15u);
  EXPECT_EQ(busy.tracks[0].mode, 0);
  EXPECT_EQ(busy.tracks[3].channel, 16);

  // In an arpeggiator Mode a sequence-driven track 6 stays as it is.
  FakeTracks arpeggio;
  arpeggio.mode = 3;
  arpeggio.tracks[5] = {16, 0, 1, true};
  arpeggio.tracks[0] = {16, 0, 1, true};
  config.ApplyConfigTemplate(2, arpeggio);  // Single Poly
  EXPECT_EQ(arpeggio.tracks[5].mode, 0);
  EXPECT_EQ(arpeggio.tracks[0].mode, 1);
  EXPECT_EQ(arpeggio.changed.size(), 15u);
}

TEST_F(TemplateFixture, ApplyingAnIndexBeyondTheListDoesNothing) {
  FakeTracks tracks;
  config.ApplyConfigTemplate(static_cast<int32_t>(config.configTemplates.size()), tracks);
  config.ApplyConfigTemplate(-1, tracks);
  config.ApplyConfigTemplate(1000, tracks);
  EXPECT_TRUE(tracks.changed.empty());
  EXPECT_TRUE(tracks.status.empty());
  EXPECT_FALSE(tracks.panelDirty);
}
