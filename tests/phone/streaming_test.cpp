// Settings applied from the user-interface thread while the camera streams.
// Run under the sanitizer presets: a frame that used a freed compression buffer
// or read a half-written setting is reported there.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/phone/support/sender_fixture.h"
#include "tests/support/test_data.h"

namespace orlin::test {
namespace {

using wire::kFourCC_YV12;

using Streaming = SenderFixture;

TEST_F(Streaming, CompressionBufferReplacedMidStreamIsNeverUsedAfterRelease) {
  const std::vector<std::uint8_t> picture = ReadTestFrame("coffee", 320, 240);
  std::size_t expectedAtLeast = 0;
  for (int round = 0; round < 12; ++round) {
    // Stopped: a small buffer from a 176 x 144 connection, compression off, then
    // the 320 x 240 format, which needs a larger buffer than the one kept.
    sender_.SetFormat({});
    Connect(kFourCC_YV12, 176, 144, 38016, 1, 0, 2);
    ASSERT_EQ(sender_.ApplyCodecSettings(0, 0, 2), 0);
    sender_.SetFormat({});
    CameraScript camera;
    camera.OfferVideo(kFourCC_YV12, 320, 240, 115200);
    ASSERT_EQ(camera.ConnectTo(sender_.InputPin()), S_OK);

    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::atomic<int> failures{0};
    IMemInputPin* input = nullptr;
    ASSERT_EQ(sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)), S_OK);
    // The camera's streaming thread: no test assertions here, only counts.
    std::thread cameraThread([&] {
      std::vector<std::uint8_t> frame(picture);
      while (!stop || frames < 4) {
        frame = picture;
        TestSample sample(frame);
        if (input->Receive(&sample) != S_OK) ++failures;
        ++frames;
      }
    });
    // The user confirms the Compression dialog a few times while frames flow.
    while (frames < 2) std::this_thread::yield();
    EXPECT_EQ(sender_.ApplyCodecSettings(1, round % 2, round % 4), 1);
    EXPECT_EQ(sender_.ApplyCodecSettings(0, 0, 1), 0);
    EXPECT_EQ(sender_.ApplyCodecSettings(1, 0, 2), 1);
    EXPECT_EQ(sender_.ResolveDestination(), S_OK);
    stop = true;
    cameraThread.join();
    EXPECT_EQ(failures.load(), 0);
    expectedAtLeast += 1;
  }
  const auto datagrams = Take(expectedAtLeast);
  ASSERT_GE(datagrams.size(), expectedAtLeast);
  for (const Datagram& d : datagrams) {
    // Every datagram is a whole raw chunk or a compressed frame: none is torn.
    const bool rawChunk = d.size() == 57600;
    const int lengthField = d.size() >= 4 ? d[2] | (d[3] << 8) : -1;
    const bool compressed = d.size() >= 4 && d[0] == 0x77 && d[1] == 0x88 &&
                            (lengthField == 0 || lengthField == static_cast<int>(d.size()) - 4);
    EXPECT_TRUE(rawChunk || compressed) << "datagram of " << d.size() << " bytes";
  }
}

}  // namespace
}  // namespace orlin::test
