#pragma once
// One automatable parameter: its kind, range, step and curve, the conversion
// between its plain value and the host's 0..1 value, and its text for display.
//
// Records are created by IPlugBase and defined once during construction; after
// that only the value (and the display function) changes. A copy shares the
// definition (name, range, texts) until either is defined anew, so that the
// instances of a plug-in can share one table of definitions per process and
// keep only their values. Not locked itself: callers that may race with the
// audio thread hold the plug-in lock.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

enum class ParamKind { None, Switch, Integer, List, Continuous };

// Fixed capacity of name, label, group and display texts, terminator included.
constexpr int kParamTextSize = 32;
// Enough room for any text DisplayText produces.
constexpr int kParamDisplaySize = 64;

// Makes the text of a plain value; writes at most size bytes including the terminator.
using ParamDisplayFunction = void (*)(double value, char* text, int size);
// Reads a text in the form a display function writes it back into a plain
// value; false when the text is not in that form.
using ParamReadFunction = bool (*)(const char* text, double* value);

class PlugParam {
 public:
  PlugParam() = default;

  // --- definition (construction time) ---
  // Kind becomes continuous unless a kind was set before (SetKind, DefineSwitch,
  // DefineList, DefineInteger). max is raised to at least min + step; a shape of
  // 0 keeps the current shape.
  void DefineContinuous(const char* name, double defaultValue, double min, double max, double step, double shape = 1.0);
  // Range min..max with step 1.
  void DefineInteger(const char* name, double defaultValue, double min, double max);
  // Range 0..1, step 1, default 1 for any non-zero argument; texts "off" and "on".
  void DefineSwitch(const char* name, double defaultValue);
  // Range 0..count-1, step 1; display text i is texts[i].
  void DefineList(const char* name, double defaultValue, int count, const char* const* texts);

  void SetKind(ParamKind kind) { Own().kind = kind; }
  void SetLabel(const char* text);
  void SetGroup(const char* text);
  void SetNegateDisplay(bool negate) { Own().negateDisplay = negate; }
  // Replaces the text of an existing value or adds one; texts are cut to kParamTextSize - 1 bytes.
  void SetDisplayText(int value, const char* text);
  void ClearDisplayTexts() { Own().displayTexts.clear(); }
  // nullptr removes the function. read is its inverse, if it has one.
  void SetDisplayFunction(ParamDisplayFunction function, ParamReadFunction read = nullptr) {
    displayFunction = function;
    readFunction = read;
  }

  // --- value ---
  double Value() const { return value; }
  // Plain value, clamped to min..max, never rounded to the step. NaN is ignored.
  void SetValue(double plain) {
    if (!std::isnan(plain)) value = std::clamp(plain, Def().min, Def().max);
  }
  // Host value: ((v - min) / (max - min)) ^ (1 / shape), v clamped to the range first.
  double NormalizedValue() const { return ToNormalized(value); }
  double ToNormalized(double plain) const;
  // x ^ shape scaled into the range, without any rounding (x clamped to 0..1).
  double FromNormalized(double normalized) const;
  // Takes a host value: shaped, scaled, snapped to the step unless continuous,
  // limited to the range. Values outside 0..1 are clamped; NaN is ignored.
  void SetFromNormalized(double normalized);
  // The value SetFromNormalized sets for a host value that is not NaN.
  double ValueFromNormalized(double normalized) const;

  // --- text ---
  // Text of a plain value (or of a 0..1 value when normalized is true).
  // Writes at most size bytes including the terminator. Locale-independent.
  void DisplayText(double value, char* text, int size, bool normalized = false) const;
  std::string DisplayText(double value, bool normalized = false) const;
  std::string CurrentDisplayText() const { return DisplayText(value); }
  // Empty when the value has a non-empty display text, else the unit label.
  const char* LabelText(double value) const;
  // Text of a value among the display texts, or nullptr.
  const char* GetDisplayText(int value) const;
  // First display text equal to text: its value. False when none matches.
  bool MapDisplayText(const char* text, double* value) const;
  int NumDisplayTexts() const { return static_cast<int>(Def().displayTexts.size()); }
  // Entry i of the display texts in the order they were set (nullptr outside).
  const char* GetDisplayTextAt(int i, int* value) const;
  // The plain value of a text in the form the display function writes it.
  // False without such a function or when the text is not in its form.
  bool ReadDisplayed(const char* text, double* value) const {
    return readFunction && text && readFunction(text, value);
  }

  // --- record fields ---
  ParamKind Kind() const { return Def().kind; }
  double Min() const { return Def().min; }
  double Max() const { return Def().max; }
  double Step() const { return Def().step; }
  double Shape() const { return Def().shape; }
  double Default() const { return Def().defaultValue; }
  int DisplayPrecision() const { return Def().displayPrecision; }
  const char* Name() const { return Def().name.c_str(); }
  const char* Label() const { return Def().label.c_str(); }
  const char* Group() const { return Def().group.c_str(); }
  bool NegateDisplay() const { return Def().negateDisplay; }
  ParamDisplayFunction DisplayFunction() const { return displayFunction; }

 private:
  struct Definition {
    ParamKind kind = ParamKind::None;
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    double shape = 1.0;
    double defaultValue = 0.0;
    int displayPrecision = 0;
    std::string name;
    std::string label;
    std::string group;
    bool negateDisplay = false;
    std::vector<std::pair<int, std::string>> displayTexts;
  };
  static const Definition& Defaults();
  const Definition& Def() const { return definition ? *definition : Defaults(); }
  // The definition to change: a shared one is copied first.
  Definition& Own();

  // Null: the defaults. Shared read-only between copies (see above).
  std::shared_ptr<Definition> definition;
  // Per record: the plug-in switches it at run time (the parameter resolution).
  ParamDisplayFunction displayFunction = nullptr;
  ParamReadFunction readFunction = nullptr;
  double value = 0.0;
};

// Locale-independent number formatting shared by the display functions
// (a host may run under a decimal-comma locale). Both write at most size bytes
// including the terminator and behave like "%.*f" and "%d".
void FormatFixed(double value, int decimals, char* text, int size);
void FormatInteger(int64_t value, char* text, int size);
// Copies at most size - 1 bytes and terminates.
void CopyText(const char* source, char* text, int size);
// A decimal number at the start of text, after blanks, as the C library reads
// it but independent of the process locale; numbers beyond a double read as
// infinity or zero. False when no digits are there. end, if given, receives
// the position after the number.
bool ReadNumber(const char* text, double* value, const char** end = nullptr);
