// Numbers a host types in for a parameter that no double can hold.
#include <gtest/gtest.h>

#include <string>

#include "plugin/IPlugVST.h"
#include "plugin/VstAbi.h"

namespace {

class TypedValuePlug : public IPlugVST {
 public:
  TypedValuePlug() : IPlugVST(nullptr, 2, 1) {
    GetParam(0)->DefineContinuous("Level", 0.5, 0.0, 1.0, 0.01);
    GetParam(1)->DefineInteger("Transpose", 3, -12, 12);
  }
  double Typed(int index, const std::string& text) {
    VSTDispatcher(GetAEffect(), effString2Parameter, index, 0, const_cast<char*>(text.c_str()), 0.0f);
    return GetParam(index)->Value();
  }
};

TEST(HostTypedValues, NumbersTooSmallForADoubleReadAsZero) {
  TypedValuePlug plug;
  EXPECT_EQ(plug.Typed(0, "1e-400"), 0.0);
  EXPECT_EQ(plug.Typed(1, "7"), 7.0);
  EXPECT_EQ(plug.Typed(1, "1e-400"), 0.0);
  EXPECT_EQ(plug.Typed(1, "7"), 7.0);
  EXPECT_EQ(plug.Typed(1, "-2.5E-999"), 0.0);
  EXPECT_EQ(plug.Typed(1, "7"), 7.0);
  EXPECT_EQ(plug.Typed(1, "0." + std::string(400, '0') + "1"), 0.0);
}

TEST(HostTypedValues, NumbersTooLargeForADoubleReadAsTheRangeEnds) {
  TypedValuePlug plug;
  EXPECT_EQ(plug.Typed(1, "1e400"), 12.0);
  EXPECT_EQ(plug.Typed(1, "-1e400"), -12.0);
  EXPECT_EQ(plug.Typed(1, "0.0001e310"), 12.0);
  EXPECT_EQ(plug.Typed(1, "1" + std::string(400, '0')), 12.0);
  EXPECT_EQ(plug.Typed(0, "000" + std::string(400, '9')), 1.0);
}

}  // namespace
