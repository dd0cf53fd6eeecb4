#include <string>
#include <vector>

#include "codec/codec.h"
#include "tools/orlin-codec/commands.h"
#include "tools/orlin-codec/frame_coder.h"
#include "tools/orlin-codec/payload_records.h"
#include "tools/orlin-codec/progress.h"
#include "tools/orlin-codec/raw_frame_reader.h"
#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {

std::optional<std::uint64_t> RemainingBytes(std::istream& in) {
  const std::istream::pos_type here = in.tellg();
  if (here == std::istream::pos_type(-1)) {
    in.clear();
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const std::istream::pos_type end = in.tellg();
  in.seekg(here);
  if (!in || end == std::istream::pos_type(-1) || end < here) {
    in.clear();
    in.seekg(here);
    return std::nullopt;
  }
  return std::uint64_t(end - here);
}

void RunEncode(const Options& options, CommandIo& io) {
  FrameCoder coder(*options.size);
  const std::int64_t capacity = options.capacity.value_or(DefaultCapacity(*options.size));
  if (options.level == codec::kMaxReductionLevel && std::size_t(capacity) < coder.FixedPayloadBytes()) {
    throw UsageError("--capacity " + std::to_string(capacity) + " is below the " +
                     std::to_string(coder.FixedPayloadBytes()) + " bytes of a fixed-size (level 3) payload");
  }

  std::int64_t total = -1;
  if (const auto bytes = RemainingBytes(io.in)) {
    // A file with a partial frame is refused before any output is written.
    if (*bytes % coder.FrameBytes() != 0) {
      throw ToolError(LeftoverBytesMessage(coder.FrameBytes(), *bytes / coder.FrameBytes(), *bytes % coder.FrameBytes()));
    }
    total = std::int64_t(*bytes / coder.FrameBytes());
  }

  RawFrameReader reader(io.in, coder.FrameBytes());
  Progress progress(io.progress, "encode", total);
  std::vector<std::uint8_t> frame;
  std::vector<std::uint8_t> payload;
  std::int64_t cut = 0, firstCut = 0, oversized = 0, firstOversized = 0;
  int firstCutPlane = 0;
  while (reader.ReadFrame(frame)) {
    const int result = coder.Encode(frame.data(), options.level, capacity, payload);
    WritePayloadRecord(io.out, payload.data(), std::uint32_t(payload.size()));
    if (!io.out) throw ToolError("cannot write the output (disk full?)");
    const std::int64_t number = reader.frameCount();
    if (result != 0 && cut++ == 0) {
      firstCut = number;
      firstCutPlane = -result - 1;
    }
    if (payload.size() > kMaxDatagramPayload && oversized++ == 0) firstOversized = number;
    progress.Update(number);
  }
  progress.Finish();

  const std::string frames = " of " + std::to_string(reader.frameCount()) + " frames";
  if (cut > 0) {
    io.err << "orlin-codec: warning: " << cut << frames << " reached the encoder's capacity of " << capacity
           << " bytes and lost their remaining blocks (first: frame " << firstCut << ", plane " << firstCutPlane
           << "); a higher --level or --capacity avoids it\n";
  }
  if (oversized > 0) {
    io.err << "orlin-codec: warning: " << oversized << frames << " have payloads over " << kMaxDatagramPayload
           << " bytes, more than one datagram carries (first: frame " << firstOversized << ")\n";
  }
}

}  // namespace orlin::tool
