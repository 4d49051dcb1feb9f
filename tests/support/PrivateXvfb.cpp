#include "tests/support/PrivateXvfb.h"

#include <stdlib.h>

bool PrivateXvfb::ready = false;

void PrivateXvfb::SetUp() {
  const std::string xvfb = FindProgram("Xvfb");
  if (xvfb.empty()) return;
  // -displayfd: Xvfb picks a free display itself and writes its number, then
  // a newline, once it accepts connections.
  if (!server.Start({xvfb, "-displayfd", "1", "-noreset", "-screen", "0", screen, "-nolisten", "tcp"})) return;
  for (int i = 0; i < 500 && server.Output().find('\n') == std::string::npos && !server.Finished(); ++i)
    server.Poll(10);
  const std::string number = server.Output().substr(0, server.Output().find('\n'));
  if (number.empty()) return;
  setenv("DISPLAY", (":" + number).c_str(), 1);
  ready = true;
}

void PrivateXvfb::TearDown() {
  server.Terminate();
  ready = false;
}
