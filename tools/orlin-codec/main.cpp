// orlin-codec: encodes, decodes and measures pictures with the system's codec.
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "tools/orlin-codec/cli_args.h"
#include "tools/orlin-codec/run_command.h"
#include "tools/orlin-codec/tool_error.h"

int main(int argc, char** argv) {
  using namespace orlin::tool;
#ifdef _WIN32
  // Frames and payloads are bytes: no newline translation on the pipes.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  try {
    const Options options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (options.command == Command::kHelp) {
      std::cout << HelpText();
      return kExitOk;
    }
    if (options.command == Command::kVersion) {
      std::cout << "orlin-codec " ORLIN_VERSION "\n";
      return kExitOk;
    }
    const Terminal terminal{isatty(fileno(stdout)) != 0, isatty(fileno(stderr)) != 0};
    return RunCommand(options, terminal);
  } catch (const UsageError& error) {
    std::cerr << "orlin-codec: " << error.what() << "\n";
    return kExitUsage;
  } catch (const ToolError& error) {
    std::cerr << "orlin-codec: " << error.what() << "\n";
    return kExitFailure;
  } catch (const std::bad_alloc&) {
    std::cerr << "orlin-codec: out of memory\n";
    return kExitFailure;
  }
}
