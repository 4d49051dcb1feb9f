#pragma once
// A small plug-in for the base's tests: four parameters, a tagged state
// (so a garbage block is recognised, as the instrument's is), and a log of
// what the base asks of the host and of the instrument.
#include <string>
#include <vector>

#include "plugin/IEditorLink.h"
#include "plugin/IPlugBase.h"

class TestPlug : public IPlugBase {
 public:
  static constexpr int32_t kStateTag = 0x54534554;  // "TEST"

  explicit TestPlug(int numParams = 4, int numPresets = 4) : IPlugBase(numParams, numPresets) {
    const char* const colours[] = {"red", "green", "blue"};
    if (numParams > 0) GetParam(0)->DefineContinuous("Level", 0.5, 0.0, 1.0, 0.01);
    if (numParams > 1) GetParam(1)->DefineInteger("Steps", 4, -12, 12);
    if (numParams > 2) GetParam(2)->DefineSwitch("Switch", 0);
    if (numParams > 3) GetParam(3)->DefineList("Colour", 1, 3, colours);
    for (int i = 4; i < numParams; ++i) GetParam(i)->DefineInteger("Extra", 0, 0, 255);
  }

  bool SaveState(DataBlock& block) override {
    ++saves;
    return block.PutInt32(kStateTag) && SerializeParams(block);
  }
  int LoadState(const DataBlock& block, int position) override {
    ++loads;
    int32_t tag = 0;
    position = block.GetInt32(&tag, position);
    if (position < 0 || tag != kStateTag) return -1;
    return UnserializeParams(block, position);
  }
  int MeasureState(const DataBlock& block, int position) const override {
    int32_t tag = 0;
    position = block.GetInt32(&tag, position);
    if (position < 0 || tag != kStateTag) return -1;
    return IPlugBase::MeasureState(block, position);
  }
  void OnParamChanged(int index) override { changed.push_back(index); }
  void NotifyHostParamChange(int index, double normalized) override { automated.emplace_back(index, normalized); }
  void NotifyHostProgramChange() override { ++programChanges; }
  void OnPresetsChanged() override { ++presetsChanged; }

  std::vector<double> Values() const {
    std::vector<double> values;
    for (int i = 0; i < NumParams(); ++i) values.push_back(GetParam(i)->Value());
    return values;
  }
  void SetValues(const std::vector<double>& values) {
    for (size_t i = 0; i < values.size(); ++i) GetParam(static_cast<int>(i))->SetValue(values[i]);
  }

  std::vector<int> changed;
  std::vector<std::pair<int, double>> automated;
  int programChanges = 0;
  int presetsChanged = 0;
  int saves = 0;
  int loads = 0;
};

class TestEditor : public IEditorLink {
 public:
  void ShowParamValue(int index, double value, bool normalized) override {
    shown.push_back({index, value, normalized});
  }
  void PrepareDrawing() override { ++prepared; }
  int Width() const override { return 100; }
  int Height() const override { return 50; }
  bool OpenEditorWindow(void*) override { return true; }
  void CloseEditorWindow() override {}
  bool IsEditorOpen() const override { return false; }

  struct Shown {
    int index;
    double value;
    bool normalized;
  };
  std::vector<Shown> shown;
  int prepared = 0;
};
