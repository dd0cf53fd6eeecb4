// Payload records, raw frames, and the coder wrapper the commands share.
#include <gtest/gtest.h>

#include <numeric>
#include <sstream>

#include "codec/codec.h"
#include "tests/support/test_data.h"
#include "tools/orlin-codec/frame_coder.h"
#include "tools/orlin-codec/payload_records.h"
#include "tools/orlin-codec/prefixed_streambuf.h"
#include "tools/orlin-codec/raw_frame_reader.h"
#include "tools/orlin-codec/tool_error.h"

namespace orlin::tool {
namespace {

std::string ErrorReadingRecords(const std::string& bytes, std::size_t maxPayload = 1000) {
  std::istringstream in(bytes);
  PayloadRecordReader reader(in, maxPayload);
  std::vector<std::uint8_t> payload;
  std::size_t length = 0;
  try {
    while (reader.ReadRecord(payload, length, 0)) {
    }
  } catch (const ToolError& error) {
    return error.what();
  }
  return "";
}

TEST(PayloadRecords, RecordsRoundTripWithLittleEndianLengths) {
  std::vector<std::uint8_t> big(300);
  std::iota(big.begin(), big.end(), std::uint8_t(0));
  const std::vector<std::uint8_t> small = {0xAB};
  std::ostringstream out;
  WritePayloadRecord(out, big.data(), std::uint32_t(big.size()));
  WritePayloadRecord(out, nullptr, 0);  // an encoder that coded nothing
  WritePayloadRecord(out, small.data(), 1);
  const std::string bytes = out.str();
  ASSERT_EQ(bytes.size(), 4 + 300 + 4 + 4 + 1);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x2C\x01\x00\x00", 4));

  std::istringstream in(bytes);
  PayloadRecordReader reader(in, 1000);
  std::vector<std::uint8_t> payload;
  std::size_t length = 0;
  ASSERT_TRUE(reader.ReadRecord(payload, length, 2));
  EXPECT_EQ(length, 300u);
  ASSERT_EQ(payload.size(), 302u);
  EXPECT_TRUE(std::equal(big.begin(), big.end(), payload.begin()));
  EXPECT_EQ(payload[300], 0);
  EXPECT_EQ(payload[301], 0);
  ASSERT_TRUE(reader.ReadRecord(payload, length, 2));
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(payload, std::vector<std::uint8_t>(2, 0));  // slack is zeroed, not left from the last record
  ASSERT_TRUE(reader.ReadRecord(payload, length, 0));
  EXPECT_EQ(payload, small);
  EXPECT_FALSE(reader.ReadRecord(payload, length, 0));
  EXPECT_EQ(reader.recordCount(), 3);
}

TEST(PayloadRecords, TruncatedRecordsSayWhichAndWhatIsMissing) {
  const std::string whole = std::string("\x03\x00\x00\x00", 4) + "abc";
  EXPECT_EQ(ErrorReadingRecords(whole + whole), "");
  EXPECT_NE(ErrorReadingRecords(whole + whole.substr(0, 2)).find("record 2 is truncated: only 2 of its 4 length"),
            std::string::npos);
  EXPECT_NE(ErrorReadingRecords(whole + whole.substr(0, 5)).find("record 2 is truncated: 1 of its 3 payload"),
            std::string::npos);
}

TEST(PayloadRecords, ImpossibleLengthIsRefusedBeforeAllocating) {
  const std::string huge("\xFF\xFF\xFF\xFF", 4);
  EXPECT_NE(ErrorReadingRecords(huge).find("claims 4294967295 payload bytes"), std::string::npos);
  EXPECT_NE(ErrorReadingRecords(std::string("\x0B\x00\x00\x00", 4) + std::string(11, 'x'), 10).find("claims 11"),
            std::string::npos);
}

TEST(RawFrameReader, WholeFramesThenCleanEnd) {
  std::istringstream in(std::string(30, 'a'));
  RawFrameReader reader(in, 15);
  std::vector<std::uint8_t> frame;
  EXPECT_TRUE(reader.ReadFrame(frame));
  EXPECT_TRUE(reader.ReadFrame(frame));
  EXPECT_FALSE(reader.ReadFrame(frame));
  EXPECT_EQ(reader.frameCount(), 2);
}

TEST(RawFrameReader, LeftoverBytesAreCountedInTheError) {
  std::istringstream in(std::string(37, 'a'));
  RawFrameReader reader(in, 15);
  std::vector<std::uint8_t> frame;
  try {
    while (reader.ReadFrame(frame)) {
    }
    FAIL() << "no error for 7 bytes left over";
  } catch (const ToolError& error) {
    EXPECT_NE(std::string(error.what()).find("15-byte frames: 2 frames, then 7 bytes left over"), std::string::npos)
        << error.what();
  }
}

TEST(PrefixedStreamBuf, GivesBackThePrefixThenTheRest) {
  std::istringstream rest(std::string(100000, 'r'));
  PrefixedStreamBuf buffer("pre", rest.rdbuf());
  std::istream in(&buffer);
  std::string all(200000, '\0');
  in.read(all.data(), std::streamsize(all.size()));
  all.resize(std::size_t(in.gcount()));
  EXPECT_EQ(all, "pre" + std::string(100000, 'r'));
}

class FrameCoderTest : public ::testing::Test {
 protected:
  FrameSize size_{176, 144};
  FrameCoder coder_{size_};
  std::vector<std::uint8_t> frame_ = test::ReadTestFrame("coffee", 176, 144);
};

TEST_F(FrameCoderTest, CapacityBeyondAnyPayloadCodesTheSameAsEnough) {
  std::vector<std::uint8_t> enough, huge;
  EXPECT_EQ(coder_.Encode(frame_.data(), 0, 38016, enough), codec::kCodecOk);
  EXPECT_EQ(coder_.Encode(frame_.data(), 0, 2147483647, huge), codec::kCodecOk);
  EXPECT_EQ(enough, huge);
  EXPECT_LE(enough.size(), coder_.MaxPayloadBytes());
}

TEST_F(FrameCoderTest, SmallCapacityCutsAtAWholeBlockAndReportsThePlane) {
  std::vector<std::uint8_t> payload;
  EXPECT_EQ(coder_.Encode(frame_.data(), 0, 1000, payload), codec::kPlaneFailed0);
  EXPECT_LE(payload.size(), 1000u);
  EXPECT_GT(payload.size(), 1000u - codec::kBlockMargin);
}

TEST_F(FrameCoderTest, CutPayloadDecodesWithoutReadingPastItsBuffer) {
  // The decoder reads past a cut payload; the coder must give it the slack
  // (the address sanitizer build catches a read beyond the vector).
  std::vector<std::uint8_t> full, cut, decodedFull, decodedCut;
  ASSERT_EQ(coder_.Encode(frame_.data(), 1, 1 << 20, full), codec::kCodecOk);
  cut.assign(full.begin(), full.begin() + std::ptrdiff_t(full.size() / 2));
  cut.shrink_to_fit();
  coder_.Decode(full, full.size(), false, decodedFull);
  coder_.Decode(cut, cut.size(), false, decodedCut);
  ASSERT_EQ(decodedCut.size(), coder_.FrameBytes());
  // The first rows of blocks lie well inside the first half of the payload.
  EXPECT_TRUE(std::equal(decodedFull.begin(), decodedFull.begin() + 176 * 16, decodedCut.begin()));
}

TEST_F(FrameCoderTest, FixedSizeDecodeOfAShortPayloadReadsZerosNotMemory) {
  std::vector<std::uint8_t> payload;
  ASSERT_EQ(coder_.Encode(frame_.data(), 3, 38016, payload), codec::kCodecOk);
  EXPECT_EQ(payload.size(), coder_.FixedPayloadBytes());
  std::vector<std::uint8_t> empty, decoded;
  coder_.Decode(empty, 0, true, decoded);
  // All-zero levels decode to samples of 0.
  EXPECT_EQ(decoded, std::vector<std::uint8_t>(coder_.FrameBytes(), 0));
}

TEST_F(FrameCoderTest, DecodeStartsFromAZeroFilledFrame) {
  std::vector<std::uint8_t> payload, decoded(coder_.FrameBytes(), 0x77);
  // 178 wide: the last two luma columns and one chroma column are not coded.
  FrameCoder wide({178, 144});
  std::vector<std::uint8_t> wideFrame(wide.FrameBytes(), 200);
  ASSERT_EQ(wide.Encode(wideFrame.data(), 0, 1 << 20, payload), codec::kCodecOk);
  ASSERT_EQ(wide.Decode(payload, payload.size(), false, decoded), codec::kCodecOk);
  EXPECT_EQ(decoded[176], 0);
  EXPECT_EQ(decoded[177], 0);
  EXPECT_NE(decoded[175], 0);
}

}  // namespace
}  // namespace orlin::tool
