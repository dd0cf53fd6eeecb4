// The camera filter streaming what the phone's real FrameSender sends over
// 127.0.0.1:4444 into a recording sink: raw and compressed frames, two
// buffers in flight, and the time stamps while paused and while running.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "codec/codec.h"
#include "filter/frame_receiver.h"
#include "orlin/com_ref.h"
#include "filter/orlin_filter.h"
#include "phone/frame_sender.h"
#include "tests/filter/orlin_test_sink.h"
#include "tests/phone/support/camera_script.h"
#include "wire/four_cc.h"
#ifndef _WIN32
#include "tests/support/stream_port.h"
#endif

namespace orlin::filter::test {

using framework::CUnknown;
namespace {

using settings::VideoFormatSettings;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;

using Bytes = std::vector<std::uint8_t>;

// A smooth picture, so that a compressed frame decodes close to it.
Bytes Gradient(std::size_t size, int phase) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t((i / 7 + std::size_t(phase) * 16) % 200 + 20);
  return bytes;
}

// What the codec makes of a picture: the phone's encoding, decoded.
Bytes RoundTrip(const Bytes& picture, int width, int height) {
  Bytes payload(std::size_t(width) * height * 3 / 4);
  std::int32_t length = std::int32_t(payload.size());
  EXPECT_EQ(codec::CompressFrame(picture.data(), width, height, 0, payload.data(), &length), 0);
  payload.resize(payload.size() + 2);  // the decoder may look two bytes past a short payload
  Bytes decoded(picture.size());
  EXPECT_EQ(codec::DecompressFrame(payload.data(), length, 0, decoded.data(), width, height), 0);
  return decoded;
}

class Streaming : public FilterFixture {
 protected:
#ifndef _WIN32
  orlin::test::StreamPortTurn turn_;  // the filter receives on the real port
#endif

  // The PC expects `pc`; the phone's camera delivers `phoneFourCC` frames.
  void Start(const VideoFormatSettings& pc, std::uint32_t phoneFourCC, std::int32_t compression) {
    StoreSettings(pc);
    // The stream as the Parts define it, byte for byte: without the card, no
    // announcement another program sends to port 4445 can change a sample.
    StoreStatusCard(0);
    if (acceptFrom != nullptr) StoreText(settings::kAcceptFromValueName, acceptFrom);
    HRESULT hr = S_OK;
    CUnknown* object = OrlinFilter::CreateInstance(nullptr, &hr);
    ASSERT_NE(object, nullptr);
    object->NonDelegatingAddRef();
    ASSERT_EQ(object->NonDelegatingQueryInterface(IID_IBaseFilter, filter.ReceiveVoid()),
              S_OK);
    object->NonDelegatingRelease();
    ASSERT_EQ(filter->FindPin(ORLIN_TEXT("1"), pin.Receive()), S_OK);
    ASSERT_EQ(pin->Connect(&sink, nullptr), S_OK);

    sender.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
    sender.SetCodecRequest(compression, 0, 0);
    orlin::test::CameraScript camera;
    camera.OfferVideo(phoneFourCC, std::int32_t(pc.Width), std::int32_t(pc.Height),
                      SampleSizeOf(pc));
    ASSERT_EQ(camera.ConnectTo(sender.InputPin()), S_OK);
    ASSERT_EQ(sender.OpenNetwork(), S_OK);
  }

  void TearDown() override {
    if (filter) {
      EXPECT_EQ(filter->Stop(), S_OK);
    }
    if (pin) pin->Disconnect();
    sink.Disconnect();
    sink.ReleaseHeld();
    pin.Clear();
    filter.Clear();
    sender.CloseNetwork();
    EXPECT_EQ(sink.References(), 1);
    FilterFixture::TearDown();
  }

  // Sends `frame` (tagged in place by the sender) until a sample holding what
  // `matches` accepts arrives; that sample, or an empty one after 10 tries.
  template <class Matches>
  ReceivedSample SendUntil(Bytes& frame, Matches matches) {
    IMemInputPin* input = nullptr;
    EXPECT_EQ(sender.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)),
              S_OK);
    for (int attempt = 0; attempt < 10; ++attempt) {
      const std::size_t before = sink.Count();
      orlin::test::TestSample camera(frame);
      EXPECT_EQ(input->Receive(&camera), S_OK);
      if (!sink.WaitFor(before + 1, 4)) continue;
      // A receive time-out delivers the old contents: look at all that came.
      for (const ReceivedSample& sample : sink.Samples()) {
        if (matches(sample)) {
          input->Release();
          return sample;
        }
      }
    }
    input->Release();
    return {};
  }

  const WCHAR* acceptFrom = nullptr;  // stored as AcceptFrom by Start when set
  ComRef<IBaseFilter> filter;
  ComRef<IPin> pin;
  RecordingSink sink;
  phone::FrameSender sender;
};

TEST_F(Streaming, RawFramesArriveWholeAndPausedSamplesAreStampedFromZero) {
  const VideoFormatSettings pc{kFourCC_YUY2, 320, 240, 16, 0, 0, 0};  // 3 chunks a frame
  Start(pc, wire::kFourCC_YUY2, 0);
  ASSERT_EQ(filter->Pause(), S_OK);
  Bytes frame = Gradient(153600, 1);
  const ReceivedSample got = SendUntil(frame, [&](const ReceivedSample& s) { return s.bytes == frame; });
  ASSERT_EQ(got.bytes, frame);
  // Paused: no run has started, whatever the clock says.
  EXPECT_EQ(got.start, 0);
  EXPECT_EQ(got.end, 333333);
  EXPECT_TRUE(got.syncPoint);
}

TEST_F(Streaming, RunningSamplesAreStampedFromTheStreamTime) {
  const VideoFormatSettings pc{kFourCC_YUY2, 320, 240, 16, 0, 0, 0};
  Start(pc, wire::kFourCC_YUY2, 0);
  ComRef<IReferenceClock> clock;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER, IID_IReferenceClock,
                             clock.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(filter->SetSyncSource(clock.Get()), S_OK);
  REFERENCE_TIME now = 0;
  ASSERT_EQ(clock->GetTime(&now), S_OK);
  // The run began a second ago by the clock, so a fill now is a second into it.
  ASSERT_EQ(filter->Run(now - 10000000), S_OK);
  Bytes frame = Gradient(153600, 2);
  const ReceivedSample got = SendUntil(frame, [&](const ReceivedSample& s) { return s.bytes == frame; });
  ASSERT_EQ(got.bytes, frame);
  // Filled at least that second into the run, and well within the test's time.
  EXPECT_GE(got.start, 10000000);
  EXPECT_LT(got.start, 600000000);
  EXPECT_EQ(got.end - got.start, 333333);
  ASSERT_EQ(filter->Stop(), S_OK);
  ASSERT_EQ(filter->SetSyncSource(nullptr), S_OK);
}

TEST_F(Streaming, CompressedFramesDecodeIntoTheSample) {
  const VideoFormatSettings pc{kFourCC_IYUV, 176, 144, 12, 1, 0, 0};
  Start(pc, wire::kFourCC_YV12, 1);
  ASSERT_EQ(filter->Pause(), S_OK);
  // A smooth YV12 picture, which the codec codes within the phone's buffer.
  Bytes frame(38016, 128);
  for (int y = 0; y < 144; ++y) {
    for (int x = 0; x < 176; ++x) frame[std::size_t(y) * 176 + std::size_t(x)] = std::uint8_t(40 + x / 2 + y / 3);
  }
  const Bytes expected = RoundTrip(frame, 176, 144);
  ASSERT_NE(expected, Bytes(38016, 0));
  const ReceivedSample got =
      SendUntil(frame, [&](const ReceivedSample& s) { return s.bytes == expected; });
  EXPECT_EQ(got.bytes, expected);
  EXPECT_EQ(got.end - got.start, 333333);
}

TEST_F(Streaming, SampleThatReceivedNothingKeepsItsCorrectedFrame) {
  const VideoFormatSettings pc{kFourCC_IYUV, 176, 144, 12, 1, 0, 1};  // SwapUV on
  Start(pc, wire::kFourCC_YV12, 1);
  ASSERT_EQ(filter->Pause(), S_OK);
  Bytes frame(38016);
  for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = std::uint8_t(i < 25344 ? 40 + i % 176 / 2 : 60);
  std::fill(frame.begin() + 31680, frame.end(), std::uint8_t(200));  // the phone's V plane, then U
  const Bytes decoded = RoundTrip(frame, 176, 144);
  Bytes swapped = decoded;
  std::swap_ranges(swapped.begin() + 25344, swapped.begin() + 31680, swapped.begin() + 31680);
  ASSERT_EQ(SendUntil(frame, [&](const ReceivedSample& s) { return s.bytes == swapped; }).bytes, swapped);
  // The phone falls silent: each fill times out and delivers its sample as it
  // was. The buffer that held the frame comes round again within two.
  const std::size_t before = sink.Count();
  ASSERT_TRUE(sink.WaitFor(before + 2, 8));
  const std::vector<ReceivedSample> samples = sink.Samples();
  int again = 0;
  for (std::size_t i = before; i < samples.size(); ++i) {
    EXPECT_NE(samples[i].bytes, decoded) << "a stale sample had its chroma planes swapped back";
    again += samples[i].bytes == swapped;
  }
  EXPECT_GE(again, 1);
}

TEST_F(Streaming, TwoBuffersLetTheNextSampleFlowWhileOneIsHeld) {
  const VideoFormatSettings pc{kFourCC_YUY2, 320, 240, 16, 0, 0, 0};
  sink.holdSamples = 1;  // as a tee holds one sample while it copies into another
  Start(pc, wire::kFourCC_YUY2, 0);
  ASSERT_EQ(filter->Pause(), S_OK);
  Bytes first = Gradient(153600, 4);
  ASSERT_EQ(SendUntil(first, [&](const ReceivedSample& s) { return s.bytes == first; }).bytes, first);
  Bytes second = Gradient(153600, 5);
  ASSERT_EQ(SendUntil(second, [&](const ReceivedSample& s) { return s.bytes == second; }).bytes,
            second);
  // Stop returns with a sample still held downstream.
  sink.ReleaseHeld();
}

#ifndef _WIN32
// Other senders exist on Linux alone: Wine sends from 127.0.0.1 whatever
// address a socket is bound to. With AcceptFrom, the datagrams dropped count
// against each sender's address, the first eight in a slot of their own and
// any later sender's together.
TEST_F(Streaming, SenderFilterCountsEachSenderAcceptFromKeptOut) {
  const VideoFormatSettings pc{kFourCC_IYUV, 176, 144, 12, 0, 0, 0};
  acceptFrom = ORLIN_TEXT("127.0.0.1");
  Start(pc, wire::kFourCC_IYUV, 0);
  ComRef<IOrlinSenderFilter> senders;
  ASSERT_EQ(filter->QueryInterface(IID_IOrlinSenderFilter, senders.ReceiveVoid()), S_OK);
  ASSERT_EQ(filter->Pause(), S_OK);
  constexpr std::uint32_t kSenders = kForeignSenderSlots + 1, kEach = 2;
  const std::uint32_t first = 0x7F000002;  // 127.0.0.2, then up
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(wire::kStreamPort);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (std::uint32_t i = 0; i < kSenders; ++i) {
    SocketHandle other(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(first + i);
    ASSERT_EQ(bind(other.Get(), reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
    for (std::uint32_t k = 0; k < kEach; ++k) {
      const Bytes datagram = Gradient(64, int(i));
      sendto(other.Get(), reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
  }
  OrlinSenderFilter seen{};
  const auto dropped = [&seen] {
    std::uint64_t total = seen.otherDatagrams;
    for (std::uint32_t i = 0; i < seen.senders && i < kForeignSenderSlots; ++i) total += seen.sender[i].datagrams;
    return total;
  };
  for (int wait = 0; wait < 100 && dropped() < kSenders * kEach; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(senders->GetSenderFilter(&seen), S_OK);
  }
  EXPECT_TRUE(seen.filtering);
  EXPECT_EQ(seen.acceptFrom, htonl(INADDR_LOOPBACK));
  ASSERT_EQ(seen.senders, std::uint32_t(kForeignSenderSlots));
  for (std::uint32_t i = 0; i < seen.senders; ++i) {
    EXPECT_EQ(seen.sender[i].address, htonl(first + i)) << i;
    EXPECT_EQ(seen.sender[i].datagrams, kEach) << i;
  }
  EXPECT_EQ(seen.otherDatagrams, kEach);
}
#endif

}  // namespace
}  // namespace orlin::filter::test
