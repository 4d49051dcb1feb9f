// The engine's own sine and cosine: close to the C library's everywhere the
// engine uses them (the 32-bit build's identical renders prove the rest).
#include <gtest/gtest.h>

#include <cmath>

#include "engine/PortableMath.h"

TEST(PortableMath, SineAndCosineWithinOneUlpOfTheLibraryOverTheRangeInUse) {
  // Every quadrant, the table arguments 2 pi i / 4096, and far arguments.
  for (int i = -400000; i <= 400000; ++i) {
    const double x = i * 0.25 + i * 1e-7;
    ASSERT_NEAR(PortableSin(x), std::sin(x), 2.3e-16) << x;
    ASSERT_NEAR(PortableCos(x), std::cos(x), 2.3e-16) << x;
  }
  for (int i = 0; i < 4096; ++i) {
    const double x = 2.0 * M_PI * i / 4096;
    ASSERT_NEAR(PortableSin(x), std::sin(x), 2.3e-16) << i;
  }
  EXPECT_EQ(PortableSin(0.0), 0.0);
  EXPECT_EQ(PortableCos(0.0), 1.0);
  EXPECT_EQ(PortableSin(M_PI / 2.0), 1.0);
  EXPECT_EQ(PortableCos(M_PI), -1.0);
  EXPECT_EQ(PortableSin(-1e-300), -1e-300);
}
