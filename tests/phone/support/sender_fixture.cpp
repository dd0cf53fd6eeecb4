#include "tests/phone/support/sender_fixture.h"

#include <algorithm>

namespace orlin::test {

std::vector<std::uint8_t> NoiseFrame(std::size_t bytes, std::uint32_t seed) {
  std::vector<std::uint8_t> frame(bytes);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : frame) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return frame;
}

PiecedFrame JoinPieces(const std::vector<Datagram>& datagrams) {
  PiecedFrame frame;
  for (const Datagram& d : datagrams) {
    const auto header = wire::ParsePieceHeader(d.data(), static_cast<std::int64_t>(d.size()));
    if (!header) {
      ADD_FAILURE() << "a datagram of " << d.size() << " bytes is not a piece";
      continue;
    }
    const std::int32_t share = wire::PieceBytes(header->frameBytes, header->index);
    EXPECT_EQ(d.size(), static_cast<std::size_t>(wire::kPieceHeaderBytes + share))
        << "piece " << header->index;
    frame.bytes.resize(header->frameBytes);
    const std::size_t offset = static_cast<std::size_t>(wire::PieceOffset(header->index));
    std::copy(d.begin() + wire::kPieceHeaderBytes,
              d.begin() + wire::kPieceHeaderBytes +
                  std::min<std::ptrdiff_t>(share, static_cast<std::ptrdiff_t>(d.size()) - wire::kPieceHeaderBytes),
              frame.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    frame.headers.push_back(*header);
  }
  return frame;
}

std::u16string Text(LPCWSTR text) {
  std::u16string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char16_t>(*text);
  return out;
}

SenderFixture::SenderFixture()
    : hook_([this](HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
        messages_.push_back({Text(text), Text(caption), type});
        return IDOK;
      }) {
  sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  sender_.SetDestinationPort(receiver_.Port());
  sender_.SetAnnouncementPort(0);  // announcing tests give it a port of their own
}

void SenderFixture::Connect(std::uint32_t fourCC, int width, int height, std::int32_t sampleSize,
                            std::int32_t compression, std::int32_t pixelCorrection,
                            std::int32_t numReductions) {
  sender_.SetCodecRequest(compression, pixelCorrection, numReductions);
  CameraScript camera;
  camera.OfferVideo(fourCC, width, height, sampleSize);
  ASSERT_EQ(camera.ConnectTo(sender_.InputPin()), S_OK);
  ASSERT_EQ(sender_.OpenNetwork(), S_OK);
}

void SenderFixture::Send(std::vector<std::uint8_t>& frame) {
  Send(frame, static_cast<LONG>(frame.size()));
}

void SenderFixture::Send(std::vector<std::uint8_t>& frame, LONG reportedSize) {
  TestSample sample(frame.data(), reportedSize);
  IMemInputPin* input = nullptr;
  ASSERT_EQ(sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)),
            S_OK);
  EXPECT_EQ(input->Receive(&sample), S_OK);
}

}  // namespace orlin::test
