#include "tools/orlin-codec/payload_records.h"

#include <string>

#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {

void WritePayloadRecord(std::ostream& out, const std::uint8_t* payload, std::uint32_t length) {
  const char header[kRecordHeaderBytes] = {char(length & 0xFF), char((length >> 8) & 0xFF),
                                           char((length >> 16) & 0xFF), char((length >> 24) & 0xFF)};
  out.write(header, kRecordHeaderBytes);
  out.write(reinterpret_cast<const char*>(payload), std::streamsize(length));
}

bool PayloadRecordReader::ReadRecord(std::vector<std::uint8_t>& payload, std::size_t& length,
                                     std::size_t slack) {
  const std::string record = "record " + std::to_string(records_ + 1);
  unsigned char header[kRecordHeaderBytes];
  in_.read(reinterpret_cast<char*>(header), kRecordHeaderBytes);
  const std::size_t got = std::size_t(in_.gcount());
  if (in_.bad()) throw ToolError("read error in " + record);
  if (got == 0) return false;
  if (got != kRecordHeaderBytes) {
    throw ToolError(record + " is truncated: only " + std::to_string(got) + " of its 4 length bytes are there");
  }
  length = std::size_t(header[0]) | std::size_t(header[1]) << 8 | std::size_t(header[2]) << 16 |
           std::size_t(header[3]) << 24;
  if (length > max_payload_) {
    throw ToolError(record + " claims " + std::to_string(length) + " payload bytes, more than a payload of this size can have (" +
                    std::to_string(max_payload_) + "): not an orlin-codec file, or the wrong --size");
  }
  payload.assign(length + slack, 0);
  in_.read(reinterpret_cast<char*>(payload.data()), std::streamsize(length));
  const std::size_t gotPayload = std::size_t(in_.gcount());
  if (in_.bad()) throw ToolError("read error in " + record);
  if (gotPayload != length) {
    throw ToolError(record + " is truncated: " + std::to_string(gotPayload) + " of its " + std::to_string(length) +
                    " payload bytes are there");
  }
  ++records_;
  return true;
}

}  // namespace orlin::tool
