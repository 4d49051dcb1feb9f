// The INI document reader and the configuration built on it (switches, paths,
// controller values and configuration templates). The input is a few short
// texts for an edit (section, key, value) followed by the file's text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/Configuration.h"
#include "fuzz/FuzzSupport.h"
#include "platform/IniDocument.h"

namespace {
// Tracks as the instrument shows them to the templates; records what a template sets.
class TemplateTarget : public ConfigTemplateTarget {
 public:
  int32_t TrackChannel(int32_t track) const override { return track; }
  int32_t TrackModeValue(int32_t track) const override { return track % 3; }
  int32_t TrackCycleValue(int32_t track) const override { return track & 1; }
  bool TrackSequenceDriven(int32_t track) const override { return track == 5; }
  int32_t PerformanceMode() const override { return 0; }
  void SetParameterFromEngine(int32_t index, double value) override {
    FUZZ_CHECK(index >= 0 && index < Configuration::kParameterCount, "a template set a parameter that does not exist");
    FUZZ_CHECK(value >= 0.0 && value <= 127.0, "a template set an unreasonable value");
  }
  void ShowStatus(const std::string&, int32_t) override {}
  void SetPanelDirty() override {}
};

void FuzzDocument(const std::string& text, const std::string& section, const std::string& key,
                  const std::string& value) {
  IniDocument document(text);
  const std::string written = document.Text();
  FUZZ_CHECK(IniDocument(written).Text() == written, "a document's text changed by reading it again");
  document.GetSection(section, 4096);
  document.GetString(section, key, "", 260);
  if (document.SetString(section, key, value)) {
    FUZZ_CHECK(document.GetString(section, key, "-", value.size() + 1) == value, "a value set was not read back");
    IniDocument reread(document.Text());
    FUZZ_CHECK(reread.GetString(section, key, "-", value.size() + 1) == value, "a value written was not read back");
  }
  document.EmptySection(section);
  FUZZ_CHECK(document.GetSection(section, 65536).empty(), "an emptied section kept entries");
}

void FuzzConfiguration(const std::string& text) {
  const std::string folder = FuzzScratchFolder();
  const std::string path = folder + "/" + Configuration::kFolderName + "/" + Configuration::kFileName;
  Configuration(folder, folder);  // makes the folder
  if (!FuzzWriteFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size())) return;

  Configuration configuration(folder, folder);
  for (const auto& entry : configuration.ccMap) {
    const int32_t parameter = entry.load();
    FUZZ_CHECK(
        parameter == Configuration::kNoParameter || (parameter >= 0 && parameter < Configuration::kParameterCount),
        "a controller maps to a parameter that does not exist");
  }
  for (int32_t c = 0; c < 128; ++c) {
    const int32_t parameter = configuration.ParameterForController(c);
    FUZZ_CHECK(parameter >= -1 && parameter < Configuration::kParameterCount, "a controller drives no real parameter");
  }
  TemplateTarget target;
  const int32_t count = static_cast<int32_t>(configuration.configTemplates.size());
  const int32_t match = configuration.MatchingConfigTemplate(target);
  FUZZ_CHECK(match >= 0 && match <= count + 1, "template match out of range");
  configuration.ConfigTemplateName(match);
  for (int32_t i = -1; i <= count; ++i) configuration.ApplyConfigTemplate(i, target);

  // What was read is written and read back unchanged.
  if (!configuration.WriteConfiguration(ConfigSetting::All)) return;
  Configuration again(folder, folder);
  for (size_t c = 0; c < configuration.ccMap.size(); ++c) {
    FUZZ_CHECK(again.ccMap[c].load() == configuration.ccMap[c].load(), "a controller value changed by a write");
  }
  FUZZ_CHECK(again.startupBankPath == configuration.startupBankPath, "the startup bank changed by a write");
  FUZZ_CHECK(again.midiThru == configuration.midiThru && again.receiveParamCCs == configuration.receiveParamCCs &&
                 again.ignoreProgramChange == configuration.ignoreProgramChange &&
                 again.dontAskToCommit == configuration.dontAskToCommit &&
                 again.showConfigAtStartup == configuration.showConfigAtStartup,
             "a switch changed by a write");
  FUZZ_CHECK(again.configTemplates.size() == configuration.configTemplates.size(), "templates changed by a write");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  FuzzedDataProvider provider(data, size);
  const bool configuration = provider.ConsumeBool();
  const std::string section = provider.ConsumeRandomLengthString(40);
  const std::string key = provider.ConsumeRandomLengthString(40);
  const std::string value = provider.ConsumeRandomLengthString(80);
  const std::string text = provider.ConsumeRemainingBytesAsString();
  if (configuration) {
    FuzzConfiguration(text);
  } else {
    FuzzDocument(text, section, key, value);
  }
  return 0;
}
