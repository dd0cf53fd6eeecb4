#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "codec/codec.h"
#include "tools/orlin-codec/commands.h"
#include "tools/orlin-codec/frame_coder.h"
#include "tools/orlin-codec/prefixed_streambuf.h"
#include "tools/orlin-codec/progress.h"
#include "tools/orlin-codec/psnr.h"
#include "tools/orlin-codec/raw_frame_reader.h"
#include "tools/orlin-codec/tool_error.h"
#include "tools/orlin-codec/y4m_reader.h"

namespace orlin::tool {
namespace {

constexpr int kLevels = codec::kMaxReductionLevel + 1;

struct LevelStats {
  std::uint64_t bytes = 0;
  std::size_t minBytes = std::numeric_limits<std::size_t>::max();
  std::size_t maxBytes = 0;
  SquaredError luma;
  SquaredError all;
  std::int64_t cut = 0;
  std::int64_t oversized = 0;
};

// Frames from either kind of input, already in the codec's plane order.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual bool ReadFrame(std::vector<std::uint8_t>& frame) = 0;
};

class RawSource : public FrameSource {
 public:
  RawSource(std::istream& in, std::size_t frameBytes) : reader_(in, frameBytes) {}
  bool ReadFrame(std::vector<std::uint8_t>& frame) override { return reader_.ReadFrame(frame); }

 private:
  RawFrameReader reader_;
};

class Y4mSource : public FrameSource {
 public:
  explicit Y4mSource(std::istream& in) : reader_(in) {}
  const Y4mHeader& header() const { return reader_.header(); }
  bool ReadFrame(std::vector<std::uint8_t>& frame) override { return reader_.ReadFrame(frame); }

 private:
  Y4mReader reader_;
};

std::string SizeText(FrameSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

// "30:1" -> "30 fps", "30000:1001" -> "29.97 fps"; empty when absent or unreadable.
std::string RateText(const std::string& frameRate) {
  unsigned long numerator = 0, denominator = 0;
  if (std::sscanf(frameRate.c_str(), "%lu:%lu", &numerator, &denominator) != 2 || denominator == 0) return "";
  char text[48];
  std::snprintf(text, sizeof text, "%.4g fps", double(numerator) / double(denominator));
  return text;
}

std::string PsnrText(double psnr) {
  if (std::isinf(psnr)) return "inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", psnr);
  return text;
}

void PrintTable(std::ostream& out, const std::vector<LevelStats>& stats, std::int64_t frames,
                std::size_t frameBytes) {
  char line[160];
  out << "level  mode      bytes/frame:   mean     min     max    ratio  PSNR-Y dB  PSNR dB   cut  >datagram\n";
  for (int level = 0; level < kLevels; ++level) {
    const LevelStats& s = stats[std::size_t(level)];
    const double mean = double(s.bytes) / double(frames);
    std::string ratio = "-";
    if (mean > 0) {
      char text[32];
      std::snprintf(text, sizeof text, "%.1f:1", double(frameBytes) / mean);
      ratio = text;
    }
    std::snprintf(line, sizeof line, "%-5d  %-8s  %19.0f %7zu %7zu  %7s  %9s  %7s  %4lld  %9lld\n", level,
                  level == codec::kMaxReductionLevel ? "fixed" : "variable", mean, s.minBytes, s.maxBytes,
                  ratio.c_str(), PsnrText(s.luma.Psnr()).c_str(), PsnrText(s.all.Psnr()).c_str(),
                  static_cast<long long>(s.cut), static_cast<long long>(s.oversized));
    out << line;
  }
}

}  // namespace

void RunReport(const Options& options, CommandIo& io) {
  const std::optional<std::uint64_t> inputBytes = RemainingBytes(io.in);

  // Y4M is known by its header; anything else is raw frames of --size.
  std::string prefix(9, '\0');
  io.in.read(prefix.data(), std::streamsize(prefix.size()));
  prefix.resize(std::size_t(io.in.gcount()));
  if (io.in.bad()) throw ToolError("cannot read " + io.inputName);
  io.in.clear();
  PrefixedStreamBuf buffer(prefix, io.in.rdbuf());
  std::istream in(&buffer);

  std::unique_ptr<FrameSource> source;
  FrameSize size;
  std::string kind;
  if (LooksLikeY4m(prefix)) {
    auto y4m = std::make_unique<Y4mSource>(in);
    size = {y4m->header().width, y4m->header().height};
    if (options.size && (options.size->width != size.width || options.size->height != size.height)) {
      throw UsageError("--size " + SizeText(*options.size) + " does not match the Y4M stream's " + SizeText(size));
    }
    if (!codec::PictureFits(size.width, size.height)) {
      throw ToolError("the Y4M stream's " + SizeText(size) + " is too wide for the codec (at most " +
                      std::to_string(4 * codec::kMaxBlockColumns + 3) + " pixels)");
    }
    kind = "Y4M C" + y4m->header().colourSpace;
    if (const std::string rate = RateText(y4m->header().frameRate); !rate.empty()) kind += ", " + rate;
    source = std::move(y4m);
  } else {
    if (!options.size) {
      throw UsageError(io.inputName + " is not a YUV4MPEG2 stream: give --size WxH to read it as raw frames");
    }
    size = *options.size;
    kind = "raw";
  }

  FrameCoder coder(size);
  if (!source) source = std::make_unique<RawSource>(in, coder.FrameBytes());
  const std::int64_t capacity = options.capacity.value_or(DefaultCapacity(size));
  std::int64_t total = -1;
  // Y4M frames carry a "FRAME" line of their own, usually 6 bytes.
  if (inputBytes) total = std::int64_t(*inputBytes / (coder.FrameBytes() + (kind == "raw" ? 0 : 6)));

  std::vector<LevelStats> stats(kLevels);
  std::vector<std::uint8_t> frame, payload, decoded;
  std::int64_t frames = 0;
  const std::size_t lumaBytes = std::size_t(size.width) * std::size_t(size.height);
  {
    Progress progress(io.progress, "report", total);
    while (source->ReadFrame(frame)) {
      ++frames;
      for (int level = 0; level < kLevels; ++level) {
        LevelStats& s = stats[std::size_t(level)];
        const int result = coder.Encode(frame.data(), level, capacity, payload);
        const std::size_t length = payload.size();
        s.bytes += length;
        s.minBytes = std::min(s.minBytes, length);
        s.maxBytes = std::max(s.maxBytes, length);
        if (result != 0) ++s.cut;
        if (length > kMaxDatagramPayload) ++s.oversized;
        coder.Decode(payload, length, level == codec::kMaxReductionLevel, decoded);
        s.luma.Add(frame.data(), decoded.data(), lumaBytes);
        s.all.Add(frame.data(), decoded.data(), frame.size());
      }
      progress.Update(frames);
    }
  }
  if (frames == 0) throw ToolError(io.inputName + " holds no frames");

  io.out << io.inputName << ": " << SizeText(size) << " (" << kind << "), " << frames << " frame"
         << (frames == 1 ? "" : "s") << " of " << coder.FrameBytes() << " bytes\n";
  io.out << "encoder capacity " << capacity << " bytes a frame"
         << (options.capacity ? "" : " (the phone sender's: W*H*3/4 - 4)") << "\n\n";
  PrintTable(io.out, stats, frames, coder.FrameBytes());
  io.out << "\nPSNR: decoded frames against the originals, over all frames; PSNR-Y the luma plane alone.\n"
            "cut: frames that reached the encoder's capacity; their remaining blocks are lost.\n"
            ">datagram: payloads over "
         << kMaxDatagramPayload << " bytes, more than one compressed-frame datagram carries.\n";
  if (std::size_t(capacity) < coder.FixedPayloadBytes()) {
    io.out << "note: level 3 needs a capacity of " << coder.FixedPayloadBytes()
           << " bytes for its fixed-size payload; with less the encoder codes nothing.\n";
  }
  const std::size_t uncoded = coder.FrameBytes() - 16 * codec::BlockCount(size.width, size.height);
  if (uncoded > 0) {
    io.out << "note: " << uncoded << " samples a frame lie outside whole 4x4 blocks (right and bottom edges); "
              "they are not coded, decode as 0 and count in the PSNR.\n";
  }
  if (!io.out) throw ToolError("cannot write the report");
}

}  // namespace orlin::tool
