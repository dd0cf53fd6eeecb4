// Opens the files a command names and runs it.
#pragma once

#include "tools/orlin-codec/cli_args.h"

namespace orlin::tool {

struct Terminal {
  bool stdoutIsTerminal = false;
  bool stderrIsTerminal = false;
};

// Returns the exit status; throws ToolError or UsageError on failure.
int RunCommand(const Options& options, const Terminal& terminal);

}  // namespace orlin::tool
