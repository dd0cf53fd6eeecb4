// A FrameSender wired to a scripted camera and a receiving socket on a
// 127.0.0.1 port of its own, with its messages caught instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orlin/message_box.h"
#include "phone/frame_sender.h"
#include "phone/sample_grabber_pin.h"
#include "tests/phone/support/camera_script.h"
#include "tests/phone/support/datagram_receiver.h"
#include "wire/four_cc.h"
#include "wire/frame_piece.h"

namespace orlin::test {

struct CaughtMessage {
  std::u16string text;
  std::u16string caption;
  UINT type = 0;
};

// Deterministic bytes that look like camera noise.
std::vector<std::uint8_t> NoiseFrame(std::size_t bytes, std::uint32_t seed);

// One frame's pieces as they arrived: each header, and the frame joined from
// the pieces' bytes in index order. A datagram that is not a piece, or whose
// length is not its header's share of the frame, fails the test.
struct PiecedFrame {
  std::vector<wire::PieceHeader> headers;
  std::vector<std::uint8_t> bytes;
};
PiecedFrame JoinPieces(const std::vector<Datagram>& datagrams);

// UTF-16 text of a wide string, for comparisons on both platforms.
std::u16string Text(LPCWSTR text);

class SenderFixture : public ::testing::Test {
 protected:
  SenderFixture();

  // The camera offers one video type; the sender accepts it (FourCC 0 takes the
  // first offered) with the given codec request; then the network opens.
  void Connect(std::uint32_t fourCC, int width, int height, std::int32_t sampleSize,
               std::int32_t compression = 1, std::int32_t pixelCorrection = 0,
               std::int32_t numReductions = 2);
  // Hands one frame to the pin as the camera would.
  void Send(std::vector<std::uint8_t>& frame);
  void Send(std::vector<std::uint8_t>& frame, LONG reportedSize);
  std::vector<Datagram> Take(std::size_t count,
                             std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    return receiver_.Take(count, timeout);
  }

  DatagramReceiver receiver_;
  phone::FrameSender sender_;
  std::vector<CaughtMessage> messages_;
  ScopedMessageBoxHook hook_;
};

}  // namespace orlin::test
