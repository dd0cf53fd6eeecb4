// The three commands. Each reads `in`, writes `out`, puts warnings on `err`,
// and throws ToolError on a failure that stops it.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "tools/orlin-codec/cli_args.h"

namespace orlin::tool {

struct CommandIo {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  std::ostream* progress;  // null: no progress line
  std::string inputName;   // as the user gave it, for the report's heading
};

void RunEncode(const Options& options, CommandIo& io);
void RunDecode(const Options& options, CommandIo& io);
void RunReport(const Options& options, CommandIo& io);

// Bytes from the read position to the end, when the stream can tell (a
// regular file); nullopt for pipes and terminals.
std::optional<std::uint64_t> RemainingBytes(std::istream& in);

}  // namespace orlin::tool
