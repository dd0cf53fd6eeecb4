#include "tools/orlin-codec/cli_args.h"

#include <charconv>
#include <limits>

#include "codec/codec.h"
#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

// The phone keeps width and height in 16 bits.
constexpr int kMaxDimension = 65535;

std::optional<std::int64_t> ParseInteger(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<Command> CommandNamed(const std::string& name) {
  if (name == "encode") return Command::kEncode;
  if (name == "decode") return Command::kDecode;
  if (name == "report") return Command::kReport;
  return std::nullopt;
}

const char* CommandName(Command command) {
  switch (command) {
    case Command::kEncode: return "encode";
    case Command::kDecode: return "decode";
    case Command::kReport: return "report";
    default: return "orlin-codec";
  }
}

// Walks the arguments, handing out option values in either "--name value" or
// "--name=value" form.
class ArgumentWalker {
 public:
  explicit ArgumentWalker(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  bool Done() const { return index_ >= arguments_.size(); }
  const std::string& Next() { return arguments_[index_++]; }

  std::string ValueOf(const std::string& option, const std::optional<std::string>& inlineValue) {
    if (inlineValue) return *inlineValue;
    if (Done()) throw UsageError(option + " needs a value");
    return Next();
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t index_ = 0;
};

int ParseLevel(const std::string& text) {
  const auto value = ParseInteger(text);
  if (!value || *value < 0 || *value > codec::kMaxReductionLevel) {
    throw UsageError("--level " + text + ": the level must be 0, 1, 2 or 3");
  }
  return static_cast<int>(*value);
}

std::int64_t ParseCapacity(const std::string& text) {
  const auto value = ParseInteger(text);
  if (!value || *value < 0 || *value > std::numeric_limits<std::int32_t>::max()) {
    throw UsageError("--capacity " + text + ": give a number of bytes from 0 to 2147483647");
  }
  return *value;
}

void CheckOptionsFit(const Options& options, bool capacityGiven, bool levelGiven) {
  const char* name = CommandName(options.command);
  const std::string prefix = std::string(name) + ": ";
  if (options.command == Command::kReport) {
    if (options.input.empty()) throw UsageError(prefix + "name the file to report on (- for standard input)");
  } else if (options.input.empty() || options.output.empty()) {
    throw UsageError(prefix + "name the input and the output file (- for standard input or output)");
  }
  if (options.command != Command::kReport && !options.size) {
    throw UsageError(prefix + "--size WxH is missing (the frames carry no size of their own)");
  }
  if (options.command == Command::kEncode && !levelGiven) {
    throw UsageError(prefix + "--level N is missing (0, 1 or 2: variable-length; 3: fixed-size)");
  }
  if (options.command != Command::kEncode && levelGiven) {
    throw UsageError(prefix + "--level belongs to encode (report tries every level)");
  }
  if (options.command == Command::kDecode && capacityGiven) {
    throw UsageError(prefix + "--capacity belongs to encode and report");
  }
  if (options.command != Command::kDecode && options.fixed) {
    throw UsageError(prefix + "--fixed belongs to decode (encode --level 3 selects the fixed-size mode)");
  }
}

}  // namespace

FrameSize ParseFrameSize(const std::string& text) {
  const std::size_t x = text.find_first_of("xX");
  const auto width = x == std::string::npos ? std::nullopt : ParseInteger(text.substr(0, x));
  const auto height = x == std::string::npos ? std::nullopt : ParseInteger(text.substr(x + 1));
  if (!width || !height) throw UsageError("--size " + text + ": give the size as WxH, e.g. 176x144");
  if (*width <= 0 || *height <= 0 || *width > kMaxDimension || *height > kMaxDimension) {
    throw UsageError("--size " + text + ": width and height must be 1 to 65535");
  }
  const FrameSize size{static_cast<int>(*width), static_cast<int>(*height)};
  if (!codec::PictureFits(size.width, size.height)) {
    throw UsageError("--size " + text + ": the codec codes pictures at most " +
                     std::to_string(4 * codec::kMaxBlockColumns + 3) + " pixels wide");
  }
  return size;
}

std::int64_t DefaultCapacity(FrameSize size) {
  const std::int64_t capacity = std::int64_t(size.width) * size.height * 3 / 4 - 4;
  return capacity < 0 ? 0 : capacity;
}

Options ParseArguments(const std::vector<std::string>& arguments) {
  Options options;
  // Asking for help never fails, whatever else the line holds.
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h" || argument == "--version") {
      options.command = argument == "--version" ? Command::kVersion : Command::kHelp;
      return options;
    }
  }
  bool commandSeen = false;
  bool capacityGiven = false;
  bool levelGiven = false;
  bool optionsEnded = false;
  std::vector<std::string> files;

  ArgumentWalker walker(arguments);
  while (!walker.Done()) {
    const std::string argument = walker.Next();
    const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!isOption) {
      if (!commandSeen) {
        const auto command = CommandNamed(argument);
        if (!command) throw UsageError("unknown command '" + argument + "' (encode, decode or report)");
        options.command = *command;
        commandSeen = true;
      } else {
        files.push_back(argument);
      }
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    const std::optional<std::string> inlineValue =
        equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1));
    if (name == "--size") {
      options.size = ParseFrameSize(walker.ValueOf(name, inlineValue));
    } else if (name == "--level") {
      options.level = ParseLevel(walker.ValueOf(name, inlineValue));
      levelGiven = true;
    } else if (name == "--capacity") {
      options.capacity = ParseCapacity(walker.ValueOf(name, inlineValue));
      capacityGiven = true;
    } else if ((name == "--fixed" || name == "--quiet" || name == "-q") && inlineValue) {
      throw UsageError(name + " takes no value");
    } else if (name == "--fixed") {
      options.fixed = true;
    } else if (name == "--quiet" || name == "-q") {
      options.quiet = true;
    } else {
      throw UsageError("unknown option '" + argument + "' (see orlin-codec --help)");
    }
  }

  if (!commandSeen) throw UsageError("no command given (encode, decode or report; see orlin-codec --help)");
  const std::size_t wanted = options.command == Command::kReport ? 1 : 2;
  if (files.size() > wanted) {
    throw UsageError(std::string(CommandName(options.command)) + ": unexpected extra argument '" +
                     files[wanted] + "'");
  }
  if (files.size() > 0) options.input = files[0];
  if (files.size() > 1) options.output = files[1];
  CheckOptionsFit(options, capacityGiven, levelGiven);
  return options;
}

std::string HelpText() {
  return R"(orlin-codec: see what Orlin's intra-frame codec does to your pictures.

Usage:
  orlin-codec encode --size WxH --level N [--capacity BYTES] IN OUT
  orlin-codec decode --size WxH [--fixed] IN OUT
  orlin-codec report [--size WxH] [--capacity BYTES] FILE
  orlin-codec --help | --version

Commands:
  encode   Compresses raw frames. IN holds planar 4:2:0 frames one after
           another, each W*H + 2*((W*H)/4) bytes: the Y plane, then the two
           chroma planes in the order the phone sends them (YV12: V, then U).
           OUT gets one record per frame: a 4-byte little-endian length, then
           that many payload bytes, exactly what the phone puts after the
           4-byte header of a compressed-frame datagram.
  decode   The reverse: each record of IN is decoded into a zero-filled
           frame, written to OUT in the same plane order. Samples the codec
           does not code (the right and bottom edges when W or H is not a
           multiple of 8) stay 0.
  report   Codes every frame of FILE at reduction levels 0 to 3 and prints,
           per level, the payload bytes per frame (mean, min, max), the
           compression ratio, the PSNR of the decoded frames against the
           originals (luma, and all three planes), how many frames reached the
           encoder's capacity, and how many would not fit in one datagram
           (more than 65503 payload bytes). FILE is raw frames as for
           encode (give --size), or a YUV4MPEG2 (.y4m) stream with 4:2:0
           chroma, known by its header, whose Y, U, V planes are reordered
           to the phone's Y, V, U.

Options:
  --size WxH         picture size, e.g. 176x144 (width at most 2051)
  --level N          reduction level: 0, 1, 2 keep 16, 10, 6 coefficients per
                     4x4 block (variable-length payloads); 3 keeps 6, stored
                     as plain bytes (fixed-size payloads of 6 bytes a block)
  --capacity BYTES   encoder output space per frame; the encoder stops at a
                     whole block before it would run out. Default: the phone
                     sender's, W*H*3/4 - 4
  --fixed            decode fixed-size payloads (those made at level 3)
  -q, --quiet        no progress line (it is only shown on a terminal anyway)
  -h, --help         this text
  --version          the program's version

  A file name of - means standard input or standard output.

Exit status: 0 on success, 1 when a file cannot be read, written or
understood, 2 for a mistake on the command line.

Examples:
  orlin-codec encode --size 176x144 --level 2 cups_176x144.yv12 cups.orlin
  orlin-codec decode --size 176x144 cups.orlin cups_decoded.yv12
  orlin-codec encode --size 320x240 --level 3 in.yv12 - |
      orlin-codec decode --size 320x240 --fixed - out.yv12
  orlin-codec report pan_forest_320x240_30f.y4m
  orlin-codec report --size 640x480 --capacity 65503 camera.yv12
  ffmpeg -i clip.mp4 -s 320x240 -pix_fmt yuv420p -f yuv4mpegpipe - |
      orlin-codec report -
)";
}

}  // namespace orlin::tool
