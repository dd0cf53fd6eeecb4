// The phone program's command line.
#pragma once

#include <string>

namespace orlin::phone::shell {

struct Options {
  std::string camera;  // empty: the first camera
  bool headless = false;
  int pace_ms = 0;  // a raw frame's chunks spread over this many ms; 0: back to back
  bool help = false;
  bool version = false;
  std::string error;  // set when the command line is not understood
};

Options ParseOptions(int argc, const char* const* argv);
std::string HelpText();

}  // namespace orlin::phone::shell
