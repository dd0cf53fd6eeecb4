#include "tools/orlin-codec/run_command.h"

#include <iostream>

#include "tools/orlin-codec/commands.h"
#include "tools/orlin-codec/file_streams.h"
#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {

int RunCommand(const Options& options, const Terminal& terminal) {
  if (options.command == Command::kReport) {
    InputFile input(options.input);
    CommandIo io{input.stream(), std::cout, std::cerr, nullptr, options.input == "-" ? "standard input" : options.input};
    if (terminal.stderrIsTerminal && !options.quiet) io.progress = &std::cerr;
    RunReport(options, io);
    std::cout.flush();
    return kExitOk;
  }

  if (options.output == "-" && terminal.stdoutIsTerminal) {
    throw UsageError("standard output is a terminal: redirect it, or name an output file");
  }
  if (options.input != "-" && options.input == options.output) {
    throw UsageError("the output would overwrite the input " + options.input);
  }
  InputFile input(options.input);
  OutputFile output(options.output);
  CommandIo io{input.stream(), output.stream(), std::cerr, nullptr, options.input};
  if (terminal.stderrIsTerminal && !options.quiet) io.progress = &std::cerr;
  if (options.command == Command::kEncode) {
    RunEncode(options, io);
  } else {
    RunDecode(options, io);
  }
  output.Commit();
  return kExitOk;
}

}  // namespace orlin::tool
