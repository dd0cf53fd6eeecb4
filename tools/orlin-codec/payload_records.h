// The file format of encoded frames: per frame a 4-byte little-endian payload
// length, then the payload bytes exactly as the encoder wrote them.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

namespace orlin::tool {

inline constexpr std::size_t kRecordHeaderBytes = 4;

void WritePayloadRecord(std::ostream& out, const std::uint8_t* payload, std::uint32_t length);

class PayloadRecordReader {
 public:
  // Records longer than `maxPayload` are refused before anything is
  // allocated for them: a length that no payload of the picture size can have
  // means a damaged file or the wrong --size.
  PayloadRecordReader(std::istream& in, std::size_t maxPayload) : in_(in), max_payload_(maxPayload) {}

  // Reads the next payload into `payload`, resized to its length plus
  // `slack` zero bytes. False at the end of the input; throws ToolError for a
  // cut-short length or payload and for an oversized length.
  bool ReadRecord(std::vector<std::uint8_t>& payload, std::size_t& length, std::size_t slack);

  std::int64_t recordCount() const { return records_; }

 private:
  std::istream& in_;
  std::size_t max_payload_;
  std::int64_t records_ = 0;
};

}  // namespace orlin::tool
