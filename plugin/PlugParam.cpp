#include "plugin/PlugParam.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

std::string CutText(const char* text) {
  if (!text) return std::string();
  size_t length = strnlen(text, kParamTextSize - 1);
  return std::string(text, length);
}

// Decimal places of a step: how often it must be multiplied by 10 to become
// integral, at most 6. The relative tolerance absorbs binary representation
// error (0.07 * 100 is 7.000000000000001).
int DecimalPlaces(double step) {
  double s = std::fabs(step);
  if (!std::isfinite(s)) return 0;
  int places = 0;
  while (places < 6 && std::fabs(s - std::round(s)) > 1e-7 * s) {
    s *= 10.0;
    ++places;
  }
  return places;
}

// One more than the power of ten of a decimal number's first significant digit
// (0.05 -> -1, 5 -> 1, 50e3 -> 5), for numbers too large or too small for a double.
int64_t DecimalMagnitude(const char* text) {
  int64_t magnitude = 0;
  bool significant = false;
  bool point = false;
  for (; std::isdigit(static_cast<unsigned char>(*text)) || *text == '.'; ++text) {
    if (*text == '.') {
      point = true;
    } else if (!significant && *text == '0') {
      if (point) --magnitude;
    } else {
      significant = true;
      if (!point) ++magnitude;
    }
  }
  if (*text == 'e' || *text == 'E') {
    ++text;
    const bool negative = *text == '-';
    if (*text == '+' || *text == '-') ++text;
    int64_t exponent = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
      exponent = std::min<int64_t>(exponent * 10 + (*text - '0'), 1000000000);
    }
    magnitude += negative ? -exponent : exponent;
  }
  return magnitude;
}

}  // namespace

bool ReadNumber(const char* text, double* value, const char** end) {
  if (!text) return false;
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
  }
  // from_chars takes no '+' and would accept "inf"/"nan"; neither is a number here.
  if (!std::isdigit(static_cast<unsigned char>(text[0])) &&
      !(text[0] == '.' && std::isdigit(static_cast<unsigned char>(text[1]))))
    return false;
  double parsed = 0.0;
  auto result = std::from_chars(text, text + std::strlen(text), parsed, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: clamped to the parameter's range
    // afterwards, or zero for "1e-400".
    parsed = DecimalMagnitude(text) > 0 ? HUGE_VAL : 0.0;
  } else if (result.ec != std::errc()) {
    return false;
  }
  *value = negative ? -parsed : parsed;
  if (end) *end = result.ptr;
  return true;
}

void CopyText(const char* source, char* text, int size) {
  if (!text || size <= 0) return;
  if (!source) source = "";
  size_t length = strnlen(source, static_cast<size_t>(size - 1));
  std::memcpy(text, source, length);
  text[length] = '\0';
}

void FormatFixed(double value, int decimals, char* text, int size) {
  if (!text || size <= 0) return;
  if (std::isnan(value)) {
    CopyText("nan", text, size);
    return;
  }
  if (std::isinf(value)) {
    CopyText(value < 0 ? "-inf" : "inf", text, size);
    return;
  }
  char buffer[400];  // a double's integral part has at most 309 digits
  auto result =
      std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, std::clamp(decimals, 0, 17));
  if (result.ec != std::errc()) {
    CopyText("?", text, size);
    return;
  }
  *result.ptr = '\0';
  CopyText(buffer, text, size);
}

void FormatInteger(int64_t value, char* text, int size) {
  if (!text || size <= 0) return;
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof(buffer) - 1, value);
  *result.ptr = '\0';
  CopyText(buffer, text, size);
}

const PlugParam::Definition& PlugParam::Defaults() {
  static const Definition defaults;
  return defaults;
}

PlugParam::Definition& PlugParam::Own() {
  // Copies are only made and defined on the constructing thread.
  if (!definition || definition.use_count() != 1) definition = std::make_shared<Definition>(Def());
  return *definition;
}

void PlugParam::DefineContinuous(const char* name, double defaultValue, double min, double max, double step,
                                 double shape) {
  Definition& d = Own();
  if (d.kind == ParamKind::None) d.kind = ParamKind::Continuous;
  d.name = CutText(name);
  d.label.clear();
  d.group.clear();
  value = d.defaultValue = defaultValue;
  d.min = min;
  d.step = step;
  d.max = std::max(max, min + step);
  d.displayPrecision = DecimalPlaces(step);
  if (shape != 0.0) d.shape = shape;
}

void PlugParam::DefineInteger(const char* name, double defaultValue, double min, double max) {
  if (Kind() == ParamKind::None) SetKind(ParamKind::Integer);
  DefineContinuous(name, defaultValue, min, max, 1.0, 1.0);
}

void PlugParam::DefineSwitch(const char* name, double defaultValue) {
  if (Kind() == ParamKind::None) SetKind(ParamKind::Switch);
  DefineContinuous(name, defaultValue != 0.0 ? 1.0 : 0.0, 0.0, 1.0, 1.0, 1.0);
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void PlugParam::DefineList(const char* name, double defaultValue, int count, const char* const* texts) {
  if (Kind() == ParamKind::None) SetKind(ParamKind::List);
  DefineContinuous(name, defaultValue, 0.0, count - 1, 1.0, 1.0);
  for (int i = 0; texts && i < count; ++i) SetDisplayText(i, texts[i]);
}

void PlugParam::SetLabel(const char* text) {
  Own().label = CutText(text);
}
void PlugParam::SetGroup(const char* text) {
  Own().group = CutText(text);
}

void PlugParam::SetDisplayText(int value, const char* text) {
  Definition& d = Own();
  for (auto& entry : d.displayTexts) {
    if (entry.first == value) {
      entry.second = CutText(text);
      return;
    }
  }
  d.displayTexts.emplace_back(value, CutText(text));
}

double PlugParam::ToNormalized(double plain) const {
  const double min = Def().min, max = Def().max, shape = Def().shape;
  if (std::isnan(plain)) plain = min;
  double v = std::clamp(plain, min, max);
  double range = max - min;
  if (range <= 0.0) return 0.0;
  double x = (v - min) / range;
  return shape == 1.0 ? x : std::pow(x, 1.0 / shape);
}

double PlugParam::FromNormalized(double normalized) const {
  const double min = Def().min, max = Def().max, shape = Def().shape;
  if (std::isnan(normalized)) normalized = 0.0;
  double x = std::clamp(normalized, 0.0, 1.0);
  double shaped = shape == 1.0 ? x : std::pow(x, shape);
  return shaped * (max - min) + min;
}

void PlugParam::SetFromNormalized(double normalized) {
  // A host may send NaN or values a little outside 0..1; NaN is dropped, the rest clamped.
  if (!std::isnan(normalized)) value = ValueFromNormalized(normalized);
}

double PlugParam::ValueFromNormalized(double normalized) const {
  const Definition& d = Def();
  double v = FromNormalized(normalized);
  if (d.kind != ParamKind::Continuous && d.step > 0.0) v = std::floor(v / d.step + 0.5) * d.step;
  return std::min(v, d.max);
}

const char* PlugParam::GetDisplayText(int value) const {
  for (const auto& entry : Def().displayTexts)
    if (entry.first == value) return entry.second.c_str();
  return nullptr;
}

bool PlugParam::MapDisplayText(const char* text, double* value) const {
  if (!text) return false;
  for (const auto& entry : Def().displayTexts) {
    if (entry.second == text) {
      *value = entry.first;
      return true;
    }
  }
  return false;
}

const char* PlugParam::GetDisplayTextAt(int i, int* value) const {
  if (i < 0 || i >= NumDisplayTexts()) return nullptr;
  const auto& entry = Def().displayTexts[static_cast<size_t>(i)];
  if (value) *value = entry.first;
  return entry.second.c_str();
}

namespace {
// Truncation toward zero that cannot overflow.
int64_t TruncateToInteger(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(v);
}
}  // namespace

void PlugParam::DisplayText(double v, char* text, int size, bool normalized) const {
  if (!text || size <= 0) return;
  if (normalized) v = FromNormalized(v);
  if (displayFunction) {
    text[0] = '\0';
    displayFunction(v, text, size);
    return;
  }
  const Definition& d = Def();
  if (!d.displayTexts.empty()) {
    int64_t whole = TruncateToInteger(v);
    if (whole >= INT32_MIN && whole <= INT32_MAX) {
      const char* entry = GetDisplayText(static_cast<int>(whole));
      if (entry && *entry) {
        CopyText(entry, text, size);
        return;
      }
    }
  }
  if (d.negateDisplay) v = -v;
  if (d.displayPrecision == 0) {
    // "%d" of the value truncated to an int.
    int64_t whole = std::clamp<int64_t>(TruncateToInteger(v), INT32_MIN, INT32_MAX);
    FormatInteger(whole, text, size);
  } else {
    FormatFixed(v, d.displayPrecision, text, size);
  }
}

std::string PlugParam::DisplayText(double v, bool normalized) const {
  char text[kParamDisplaySize];
  DisplayText(v, text, sizeof(text), normalized);
  return std::string(text);
}

const char* PlugParam::LabelText(double v) const {
  int64_t whole = TruncateToInteger(v);
  if (whole >= INT32_MIN && whole <= INT32_MAX) {
    const char* entry = GetDisplayText(static_cast<int>(whole));
    if (entry && *entry) return "";
  }
  return Def().label.c_str();
}
