// The command line of orlin-codec, parsed and checked before any file is opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlin::tool {

enum class Command { kHelp, kVersion, kEncode, kDecode, kReport };

struct FrameSize {
  int width = 0;
  int height = 0;
};

struct Options {
  Command command = Command::kHelp;
  std::optional<FrameSize> size;     // --size WxH
  int level = -1;                    // --level N (encode)
  std::optional<std::int64_t> capacity;  // --capacity BYTES (encode, report)
  bool fixed = false;                // --fixed (decode)
  bool quiet = false;                // --quiet: no progress line
  std::string input;                 // "-" is standard input
  std::string output;                // "-" is standard output
};

// Parses the arguments after the program name. Throws UsageError with a
// message that names the offending argument.
Options ParseArguments(const std::vector<std::string>& arguments);

// "176x144" -> {176, 144}; throws UsageError for anything the codec cannot code.
FrameSize ParseFrameSize(const std::string& text);

// The phone sender's encoder capacity for a W x H picture: W*H*3/4 - 4 (never below 0).
std::int64_t DefaultCapacity(FrameSize size);

std::string HelpText();

}  // namespace orlin::tool
