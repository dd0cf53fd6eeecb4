#include <string>
#include <vector>

#include "tools/orlin-codec/commands.h"
#include "tools/orlin-codec/frame_coder.h"
#include "tools/orlin-codec/payload_records.h"
#include "tools/orlin-codec/progress.h"
#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {

void RunDecode(const Options& options, CommandIo& io) {
  FrameCoder coder(*options.size);
  PayloadRecordReader reader(io.in, coder.MaxPayloadBytes());
  Progress progress(io.progress, "decode", -1);
  std::vector<std::uint8_t> payload;
  std::vector<std::uint8_t> frame;
  std::size_t length = 0;
  std::int64_t damaged = 0, firstDamaged = 0, fixedLooking = 0;
  int firstDamagedPlane = 0;
  while (reader.ReadRecord(payload, length, kDecoderSlack)) {
    const std::int64_t number = reader.recordCount();
    if (options.fixed && length != coder.FixedPayloadBytes()) {
      throw ToolError("record " + std::to_string(number) + " holds " + std::to_string(length) +
                      " bytes, but a fixed-size payload of " + std::to_string(options.size->width) + "x" +
                      std::to_string(options.size->height) + " is " + std::to_string(coder.FixedPayloadBytes()) +
                      " bytes (made at level 0-2? then leave out --fixed; or is --size wrong?)");
    }
    const int result = coder.Decode(payload, length, options.fixed, frame);
    io.out.write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
    if (!io.out) throw ToolError("cannot write the output (disk full?)");
    if (result != 0) {
      if (damaged++ == 0) {
        firstDamaged = number;
        firstDamagedPlane = -result - 1;
      }
      if (length == coder.FixedPayloadBytes()) ++fixedLooking;
    }
    progress.Update(number);
  }
  progress.Finish();

  if (damaged > 0) {
    io.err << "orlin-codec: warning: " << damaged << " of " << reader.recordCount()
           << " payloads did not decode to the end (first: record " << firstDamaged << ", plane "
           << firstDamagedPlane << "); the blocks from there on are left 0";
    if (fixedLooking == damaged) {
      io.err << ". If they were made at level 3, add --fixed";
    } else {
      io.err << ". Is --size right? (Frames the encoder cut at its capacity also end early.)";
    }
    io.err << "\n";
  }
}

}  // namespace orlin::tool
