#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plugin/PlugParam.h"

namespace {

void Upper(double value, char* text, int size) {
  CopyText(value > 0.5 ? "HIGH" : "LOW", text, size);
}

}  // namespace

TEST(PlugParam, FreshRecordIsUndefinedUnitRange) {
  PlugParam p;
  EXPECT_EQ(p.Kind(), ParamKind::None);
  EXPECT_EQ(p.Value(), 0.0);
  EXPECT_EQ(p.Min(), 0.0);
  EXPECT_EQ(p.Max(), 1.0);
  EXPECT_EQ(p.Step(), 1.0);
  EXPECT_EQ(p.Shape(), 1.0);
  EXPECT_EQ(p.DisplayPrecision(), 0);
  EXPECT_STREQ(p.Name(), "");
  EXPECT_EQ(p.DisplayFunction(), nullptr);
  EXPECT_EQ(p.NumDisplayTexts(), 0);
}

TEST(PlugParam, SwitchDefinition) {
  PlugParam p;
  p.DefineSwitch("Link", 7);
  EXPECT_EQ(p.Kind(), ParamKind::Switch);
  EXPECT_EQ(p.Value(), 1.0);
  EXPECT_EQ(p.Default(), 1.0);
  EXPECT_EQ(p.Min(), 0.0);
  EXPECT_EQ(p.Max(), 1.0);
  EXPECT_EQ(p.DisplayText(0.0), "off");
  EXPECT_EQ(p.DisplayText(1.0), "on");
  PlugParam q;
  q.DefineSwitch("Off", 0);
  EXPECT_EQ(q.Value(), 0.0);
}

TEST(PlugParam, ListDefinition) {
  const char* const texts[] = {"a", "b", "c", "d", "e", "f", "g"};
  PlugParam p;
  p.DefineList("Mode", 2, 7, texts);
  EXPECT_EQ(p.Kind(), ParamKind::List);
  EXPECT_EQ(p.Max(), 6.0);
  EXPECT_EQ(p.Step(), 1.0);
  EXPECT_EQ(p.Value(), 2.0);
  EXPECT_EQ(p.NumDisplayTexts(), 7);
  EXPECT_EQ(p.DisplayText(6.0), "g");
  double value = -1;
  EXPECT_TRUE(p.MapDisplayText("e", &value));
  EXPECT_EQ(value, 4.0);
  EXPECT_FALSE(p.MapDisplayText("E", &value));
  EXPECT_EQ(value, 4.0);
}

TEST(PlugParam, ContinuousDefinitionPrecisionAndRange) {
  PlugParam p;
  p.DefineContinuous("Tune", 0.0, -1.0, 1.0, 0.01);
  EXPECT_EQ(p.Kind(), ParamKind::Continuous);
  EXPECT_EQ(p.DisplayPrecision(), 2);
  PlugParam whole;
  whole.DefineContinuous("Speed", 120, 12, 480, 1);
  EXPECT_EQ(whole.DisplayPrecision(), 0);
  PlugParam fine;
  fine.DefineContinuous("Fine", 0, 0, 1, 0.001);
  EXPECT_EQ(fine.DisplayPrecision(), 3);
  PlugParam seven;
  seven.DefineContinuous("Seven", 0, 0, 1, 0.07);
  EXPECT_EQ(seven.DisplayPrecision(), 2);
  PlugParam tiny;
  tiny.DefineContinuous("Tiny", 0, 0, 1, 1e-9);
  EXPECT_EQ(tiny.DisplayPrecision(), 6);

  // max is raised to min + step so the range is never empty.
  PlugParam flat;
  flat.DefineContinuous("Flat", 5, 5, 5, 1);
  EXPECT_EQ(flat.Max(), 6.0);
  PlugParam inverted;
  inverted.DefineContinuous("Inverted", 3, 3, 0, 0.5);
  EXPECT_EQ(inverted.Max(), 3.5);

  // A shape of 0 keeps the previous shape.
  PlugParam shaped;
  shaped.DefineContinuous("Shaped", 0, 0, 1, 0.01, 3.0);
  shaped.DefineContinuous("Shaped", 0, 0, 1, 0.01, 0.0);
  EXPECT_EQ(shaped.Shape(), 3.0);
}

TEST(PlugParam, EarlierKindIsKeptAndNameIsCut) {
  PlugParam p;
  p.SetKind(ParamKind::Integer);
  p.DefineContinuous("A name that is much longer than thirty-one bytes", 0, 0, 10, 1);
  EXPECT_EQ(p.Kind(), ParamKind::Integer);
  EXPECT_EQ(std::string(p.Name()), std::string("A name that is much longer than thirty-one bytes").substr(0, 31));
  p.SetLabel("dB");
  p.DefineContinuous("Again", 0, 0, 10, 1);
  EXPECT_STREQ(p.Label(), "");
}

TEST(PlugParam, SetFromNormalizedRoundsNonContinuous) {
  PlugParam bend;
  bend.DefineInteger("Bend", 4, -12, 12);
  bend.SetFromNormalized(0.5);
  EXPECT_EQ(bend.Value(), 0.0);
  bend.SetFromNormalized(0.51);  // -12 + 12.24 = 0.24 -> 0
  EXPECT_EQ(bend.Value(), 0.0);
  bend.SetFromNormalized(0.53);  // 0.72 -> 1
  EXPECT_EQ(bend.Value(), 1.0);

  PlugParam byte;
  byte.DefineInteger("Byte", 0, 0, 255);
  byte.SetFromNormalized(0.5);  // 127.5 rounds up
  EXPECT_EQ(byte.Value(), 128.0);
  byte.SetFromNormalized(1.0);
  EXPECT_EQ(byte.Value(), 255.0);

  PlugParam level;
  level.DefineContinuous("Level", 1, 0, 2, 0.01);
  level.SetFromNormalized(0.5);
  EXPECT_EQ(level.Value(), 1.0);
  level.SetFromNormalized(0.3333);  // continuous values are not snapped to the step
  EXPECT_NEAR(level.Value(), 0.6666, 1e-12);
}

TEST(PlugParam, SetFromNormalizedRejectsBadHostValues) {
  PlugParam p;
  p.DefineInteger("P", 10, 0, 20);
  p.SetFromNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), 10.0);
  p.SetFromNormalized(1.7);
  EXPECT_EQ(p.Value(), 20.0);
  p.SetFromNormalized(-0.3);
  EXPECT_EQ(p.Value(), 0.0);

  PlugParam shaped;
  shaped.DefineContinuous("S", 0, 0, 1, 0.01, 2.0);
  shaped.SetFromNormalized(-0.5);  // would be NaN through the power for some shapes
  EXPECT_EQ(shaped.Value(), 0.0);
}

TEST(PlugParam, NormalizationRoundTripsWithShape) {
  PlugParam linear;
  linear.DefineContinuous("Linear", 0, -24, 24, 0.01);
  PlugParam curved;
  curved.DefineContinuous("Curved", 0, 20, 20000, 0.01, 3.0);
  for (double x = 0.0; x <= 1.0; x += 0.0625) {
    linear.SetFromNormalized(x);
    EXPECT_NEAR(linear.NormalizedValue(), x, 1e-12);
    curved.SetFromNormalized(x);
    EXPECT_NEAR(curved.NormalizedValue(), x, 1e-12);
  }
  curved.SetFromNormalized(0.5);
  EXPECT_NEAR(curved.Value(), 20 + 0.125 * 19980, 1e-9);  // 0.5 ^ 3 of the range

  PlugParam stepped;
  stepped.DefineInteger("Stepped", 0, 0, 48);
  for (int v = 0; v <= 48; ++v) {
    stepped.SetValue(v);
    double x = stepped.NormalizedValue();
    stepped.SetValue(0);
    stepped.SetFromNormalized(x);
    EXPECT_EQ(stepped.Value(), v);
  }
}

TEST(PlugParam, NormalizedValueClampsPlainValue) {
  PlugParam p;
  p.DefineContinuous("P", 0, 0, 10, 1);
  EXPECT_EQ(p.ToNormalized(-5), 0.0);
  EXPECT_EQ(p.ToNormalized(50), 1.0);
  p.SetValue(42);
  EXPECT_EQ(p.Value(), 10.0);
  p.SetValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), 10.0);
}

TEST(PlugParam, NumberTexts) {
  PlugParam hundredths;
  hundredths.DefineContinuous("H", 0, -1, 1, 0.01);
  EXPECT_EQ(hundredths.DisplayText(0.5), "0.50");
  EXPECT_EQ(hundredths.DisplayText(-0.255), "-0.26");
  EXPECT_EQ(hundredths.DisplayText(1.0), "1.00");

  PlugParam whole;
  whole.DefineContinuous("W", 0, -100, 100, 1);
  EXPECT_EQ(whole.DisplayText(3.7), "3");  // truncated, not rounded
  EXPECT_EQ(whole.DisplayText(-3.7), "-3");
  EXPECT_EQ(whole.DisplayText(0.0), "0");

  whole.SetNegateDisplay(true);
  EXPECT_EQ(whole.DisplayText(2.0), "-2");
  hundredths.SetNegateDisplay(true);
  EXPECT_EQ(hundredths.DisplayText(0.25), "-0.25");
}

TEST(PlugParam, DisplayTextsAndFallback) {
  PlugParam p;
  p.DefineInteger("Channel", 0, 0, 5);
  p.SetDisplayText(0, "none");
  p.SetDisplayText(2, "");
  EXPECT_EQ(p.DisplayText(0.0), "none");
  EXPECT_EQ(p.DisplayText(0.9), "none");  // the value is truncated to find its text
  EXPECT_EQ(p.DisplayText(2.0), "2");     // an empty text falls back to the number
  EXPECT_EQ(p.DisplayText(3.0), "3");
  p.SetDisplayText(3, "three");
  p.SetDisplayText(3, "THREE");  // replaces, does not add
  EXPECT_EQ(p.DisplayText(3.0), "THREE");
  EXPECT_EQ(p.NumDisplayTexts(), 3);

  p.SetLabel("ch");
  EXPECT_STREQ(p.LabelText(0.0), "");
  EXPECT_STREQ(p.LabelText(2.0), "ch");
  EXPECT_STREQ(p.LabelText(4.0), "ch");
}

TEST(PlugParam, NormalizedTextAndDisplayFunction) {
  const char* const texts[] = {"a", "b", "c", "d", "e", "f", "g"};
  PlugParam list;
  list.DefineList("L", 0, 7, texts);
  EXPECT_EQ(list.DisplayText(0.5, true), "d");  // 0.5 of 0..6 is 3

  PlugParam p;
  p.DefineSwitch("S", 0);
  p.SetDisplayFunction(Upper);
  EXPECT_EQ(p.DisplayText(1.0), "HIGH");  // the function wins over display texts
  EXPECT_EQ(p.DisplayText(0.0), "LOW");
  p.SetDisplayFunction(nullptr);
  EXPECT_EQ(p.DisplayText(1.0), "on");
}

// Copies share a definition: whatever one of them changes (a definition, a
// text, a value, a display function) the other does not see.
TEST(PlugParam, CopiesAreIndependentRecords) {
  const char* const texts[] = {"a", "b", "c"};
  PlugParam original;
  original.DefineList("Mode", 1, 3, texts);
  PlugParam copy = original;
  PlugParam other;
  other = original;
  copy.SetValue(2.0);
  copy.SetDisplayFunction(Upper);
  copy.SetDisplayText(0, "zero");
  other.DefineContinuous("Level", 0.25, 0.0, 10.0, 0.5);
  other.SetLabel("dB");
  for (const PlugParam* p : {&original, &copy}) {
    EXPECT_STREQ(p->Name(), "Mode");
    EXPECT_EQ(p->Kind(), ParamKind::List);
    EXPECT_EQ(p->Max(), 2.0);
    EXPECT_STREQ(p->Label(), "");
  }
  EXPECT_EQ(original.Value(), 1.0);
  EXPECT_EQ(original.DisplayText(0.0), "a");
  EXPECT_EQ(original.DisplayText(1.0), "b");
  EXPECT_EQ(copy.DisplayText(1.0), "HIGH");
  copy.SetDisplayFunction(nullptr);
  EXPECT_EQ(copy.DisplayText(0.0), "zero");
  EXPECT_STREQ(other.Name(), "Level");
  EXPECT_STREQ(other.Label(), "dB");
  EXPECT_EQ(other.Max(), 10.0);
  EXPECT_EQ(other.DisplayText(2.0), "c");  // it kept the texts it was copied with
}

TEST(PlugParam, TextsFitTheirBuffers) {
  PlugParam p;
  p.DefineContinuous("Big", 0, -1e300, 1e300, 0.000001);
  char small[5];
  p.DisplayText(123456.789, small, sizeof(small));
  EXPECT_STREQ(small, "1234");
  char big[kParamDisplaySize];
  p.DisplayText(-1e300, big, sizeof(big));  // much longer than the buffer: cut, terminated
  EXPECT_EQ(std::string(big).size(), static_cast<size_t>(kParamDisplaySize - 1));
  EXPECT_EQ(big[0], '-');

  PlugParam huge;
  huge.DefineContinuous("Huge", 0, -1e30, 1e30, 1);
  EXPECT_EQ(huge.DisplayText(1e30), "2147483647");  // "%d" of a value beyond int stays defined
}

TEST(NumberFormatting, FixedAndInteger) {
  char text[32];
  FormatFixed(-6.0206, 1, text, sizeof(text));
  EXPECT_STREQ(text, "-6.0");
  FormatFixed(2.5, 0, text, sizeof(text));
  EXPECT_STREQ(text, "2");  // ties to even on the exact binary value, like printf
  FormatFixed(0.125, 2, text, sizeof(text));
  EXPECT_STREQ(text, "0.12");
  FormatFixed(std::numeric_limits<double>::infinity(), 1, text, sizeof(text));
  EXPECT_STREQ(text, "inf");
  FormatInteger(-42, text, sizeof(text));
  EXPECT_STREQ(text, "-42");
  FormatInteger(12345, text, 3);
  EXPECT_STREQ(text, "12");
}
