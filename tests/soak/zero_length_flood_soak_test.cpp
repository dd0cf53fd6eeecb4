// Datagrams that keep a fill waiting, which anyone on the network can send to
// port 4444: a flood of empty ones (an empty datagram brings nothing towards
// a chunk; were it taken as an empty piece of one, the fill would wait for as
// long as the flood lasts) and a slow trickle of tiny ones. Stop waits for the
// fill in progress, so either would hang the application hosting the filter.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "filter/frame_receiver.h"
#include "tests/filter/orlin_test_sink.h"
#include "tests/soak/hosted_camera.h"
#include "wire/four_cc.h"

namespace orlin::soak {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Sends empty datagrams to 127.0.0.1:`port` until stopped or `most` has passed.
class EmptyFlood {
 public:
  EmptyFlood(std::uint16_t port, std::chrono::milliseconds most) {
    thread_ = std::thread([this, port, most] {
      const int s = socket(AF_INET, SOCK_DGRAM, 0);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(port);
      to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      const auto end = Clock::now() + most;
      while (!stop_.load() && Clock::now() < end) {
        for (int i = 0; i < 64; ++i) sendto(s, "", 0, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ++bursts_;
      }
      close(s);
    });
  }
  ~EmptyFlood() {
    stop_ = true;
    thread_.join();
  }
  bool Flooding() const { return bursts_.load() > 0; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> bursts_{0};
  std::thread thread_;
};

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct FloodCase {
  const char* name;
  settings::VideoFormatSettings pc;
};
// Failures name the case rather than dump its bytes.
void PrintTo(const FloodCase& c, std::ostream* os) { *os << c.name; }


class ZeroLengthFlood : public ::testing::TestWithParam<FloodCase> {};

TEST_P(ZeroLengthFlood, EndsTheFillInsteadOfKeepingItWaiting) {
  filter::ReceiverFormat format = filter::ReceiverFormatOf(GetParam().pc);
  format.port = 0;
  filter::FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  std::vector<std::uint8_t> sample(std::size_t(format.sampleSize), 0x5A);
  EmptyFlood flood(receiver.BoundPort(), 6000ms);
  while (!flood.Flooding()) std::this_thread::yield();
  const auto start = Clock::now();
  receiver.FillFrame(sample.data());
  EXPECT_LT(MillisecondsSince(start), 1000.0) << "the fill waited on empty datagrams";
  // Nothing was written: an empty datagram is no part of a frame.
  EXPECT_EQ(sample, std::vector<std::uint8_t>(sample.size(), 0x5A));
  receiver.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ZeroLengthFlood,
    ::testing::Values(FloodCase{"raw_one_chunk", {wire::kFourCC_I420, 176, 144, 12, 0, 0, 0}},
                      FloodCase{"raw_three_chunks", {wire::kFourCC_YUY2, 320, 240, 16, 0, 0, 0}},
                      FloodCase{"compressed", {wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0}}),
    [](const ::testing::TestParamInfo<FloodCase>& param) { return std::string(param.param.name); });

// One byte every second, each well within the receive time-out: were every
// receive given its own time-out, such a trickle would keep one fill (and a
// Stop) waiting for minutes. A fill ends one time-out after it began.
TEST_P(ZeroLengthFlood, ATrickleOfBytesEndsTheFillWithinOneTimeOut) {
  filter::ReceiverFormat format = filter::ReceiverFormatOf(GetParam().pc);
  format.port = 0;
  filter::FrameReceiver receiver(format);
  ASSERT_EQ(receiver.Open(), S_OK);
  std::vector<std::uint8_t> sample(std::size_t(format.sampleSize), 0x5A);
  std::atomic<bool> trickling{true};
  std::thread trickle([&] {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(receiver.BoundPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 80 && trickling.load(); ++i) {
      if (i % 10 == 0) sendto(s, "x", 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(100ms);
    }
    close(s);
  });
  const auto start = Clock::now();
  receiver.FillFrame(sample.data());
  const double took = MillisecondsSince(start);
  trickling = false;
  trickle.join();
  EXPECT_GT(took, 2500.0);
  EXPECT_LT(took, 3500.0) << "the fill went on while bytes trickled in";
  receiver.Close();
}

class ZeroLengthFloodOnFilter : public filter::test::FilterFixture {};

TEST_F(ZeroLengthFloodOnFilter, StopReturnsWhileTheFloodLasts) {
  StoreSettings({wire::kFourCC_YUY2, 320, 240, 16, 0, 0, 0});
  HostedCamera camera(nullptr);
  ASSERT_TRUE(camera.Connected());
  ASSERT_EQ(camera.Run(), S_OK);
  EmptyFlood flood(wire::kStreamPort, 10000ms);
  while (!flood.Flooding()) std::this_thread::yield();
  std::this_thread::sleep_for(200ms);
  ASSERT_EQ(camera.Stop(), S_OK);
  EXPECT_LT(camera.LastStop().count(), 3500.0) << "Stop waited for the flood to end";
  EXPECT_EQ(camera.Events(), 0u);
}

}  // namespace
}  // namespace orlin::soak
