#pragma once
// A private X server (Xvfb) on a free display for a whole test program.
// Registered as a GoogleTest environment it starts before the first test,
// points DISPLAY at itself, and is ended after the last test:
//   const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new PrivateXvfb("1024x768x24"));
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "graphics/DesktopServices.h"

class PrivateXvfb : public ::testing::Environment {
 public:
  // screen: width x height x depth, as Xvfb takes it.
  explicit PrivateXvfb(std::string screen) : screen(std::move(screen)) {}
  void SetUp() override;
  void TearDown() override;

  // True once the server runs: false when Xvfb is not installed or did not
  // say which display it took.
  static bool Ready() { return ready; }

 private:
  std::string screen;
  ChildProcess server;
  static bool ready;
};
