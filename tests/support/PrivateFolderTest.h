#pragma once
// A test fixture whose files go into a private folder, removed after each test.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempFolder.h"

class PrivateFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(folder.Path().empty()) << "no temporary folder"; }
  // A file name in the test's folder.
  std::string Path(const std::string& name) const { return folder / name; }

  TempFolder folder;
};
