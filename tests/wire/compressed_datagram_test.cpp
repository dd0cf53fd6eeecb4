// The compressed datagram's header as the sender writes and the receiver reads it.
#include <gtest/gtest.h>

#include <vector>

#include "wire/compressed_datagram.h"

namespace orlin::wire {
namespace {

TEST(CompressedHeader, WrittenBytesParseBackToTheLength) {
  for (std::int32_t length : {0, 1, 0x1234, kMaxCompressedPayloadBytes}) {
    std::vector<std::uint8_t> datagram(8, 0xEE);
    WriteCompressedHeader(datagram.data(), length);
    EXPECT_EQ(datagram[0], 0x77);
    EXPECT_EQ(datagram[1], 0x88);
    EXPECT_EQ(datagram[2], length & 0xFF) << "little-endian";
    EXPECT_EQ(datagram[3], length >> 8);
    EXPECT_EQ(datagram[4], 0xEE) << "the payload is not touched";
    EXPECT_EQ(ParseCompressedHeader(datagram.data(), 4), std::uint16_t(length));
  }
}

TEST(CompressedHeader, OtherDatagramsAreNotTakenForOne) {
  const std::uint8_t header[] = {0x77, 0x88, 0x10, 0x00};
  EXPECT_FALSE(ParseCompressedHeader(header, 3)) << "shorter than a header";
  EXPECT_FALSE(ParseCompressedHeader(header, 0));
  const std::uint8_t swapped[] = {0x88, 0x77, 0x10, 0x00};
  EXPECT_FALSE(ParseCompressedHeader(swapped, 4));
  const std::uint8_t half[] = {0x77, 0x00, 0x10, 0x00};
  EXPECT_FALSE(ParseCompressedHeader(half, 4));
}

}  // namespace
}  // namespace orlin::wire
