#pragma once
// Running the build's programs and other tools from a test: a shell command
// with its exit code and output. Tests that give the tools files derive from
// PrivateFolderTest.
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/PrivateFolderTest.h"

struct ToolRun {
  int status = -1;  // the exit code; -1 when the command could not run or did not exit
  std::string output;
};

// Runs a command line with /bin/sh and collects its standard output (add
// " 2>&1" for the errors too).
inline ToolRun RunCommand(const std::string& command) {
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}
