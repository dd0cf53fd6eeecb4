// A thousand runs and stops of the camera filter in a graph while compressed
// frames keep arriving: every state change succeeds, no Stop waits longer than
// one receive time-out, samples flow in every run that waits for them, and
// the cycles leave no thread, socket or object behind. The filter takes the
// phone's address alone while another sender sends too, and a host asks whom
// it kept out all the while.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "filter/frame_receiver.h"
#include "filter/stream_status.h"
#include "tests/filter/orlin_test_sink.h"
#include "tests/soak/deliveries.h"
#include "tests/soak/hosted_camera.h"
#include "tests/soak/phone_link.h"
#include "tests/soak/soak_frames.h"
#include "wire/four_cc.h"

namespace orlin::soak {
namespace {

using namespace std::chrono_literals;

std::size_t Entries(const char* directory) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++count;
  return count;
}

// The threads of the process, the fewest seen over 200 ms: a thread just
// joined can still be listed for a moment while the kernel finishes it.
std::size_t SettledThreads() {
  std::size_t fewest = Entries("/proc/self/task");
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(10ms);
    fewest = std::min(fewest, Entries("/proc/self/task"));
  }
  return fewest;
}

class RunStop : public filter::test::FilterFixture {};

TEST_F(RunStop, AThousandCyclesWhileFramesArriveLeaveNothingBehind) {
  const settings::VideoFormatSettings pc{wire::kFourCC_IYUV, 176, 144, 12, 1, 0, 0};
  StoreSettings(pc);
  StoreText(settings::kAcceptFromValueName, ORLIN_TEXT("127.0.0.1"));
  const CompressedFrames pictures(176, 144, 0);
  Deliveries deliveries;
  {
    HostedCamera camera([&](const BYTE* data, LONG size) { deliveries.Add(pictures.Identify(data, size)); });
    ASSERT_TRUE(camera.Connected());

    // One cycle first: a sanitizer starts a thread of its own with the first
    // thread it sees made.
    ASSERT_EQ(camera.Run(), S_OK);
    ASSERT_EQ(camera.Stop(), S_OK);
    const std::size_t descriptors = Entries("/proc/self/fd");
    const std::size_t threads = SettledThreads();
    std::atomic<bool> feeding{true};
    std::thread feeder([&] {
      PhoneLink phone(wire::kFourCC_YV12, 176, 144, filter::SampleSizeOf(pc), true, 0);
      SocketHandle other(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_addr.s_addr = htonl(0x7F000002);  // 127.0.0.2
      bind(other.Get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
      to.sin_port = htons(wire::kStreamPort);
      to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      for (std::uint32_t n = 1; feeding.load() && phone.Ready(); ++n) {
        Bytes frame = pictures.Frame(n);
        phone.Send(frame);
        sendto(other.Get(), "other", 5, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        std::this_thread::sleep_for(2ms);
      }
    });
    ComRef<filter::IOrlinSenderFilter> senders;
    ASSERT_EQ(camera.Filter()->QueryInterface(filter::IID_IOrlinSenderFilter, senders.ReceiveVoid()), S_OK);
    std::uint64_t keptOut = 0;  // the most the host saw counted in one run
    std::thread host([&] {
      while (feeding.load()) {
        filter::OrlinSenderFilter seen{};
        if (senders->GetSenderFilter(&seen) == S_OK && seen.filtering && seen.senders > 0) {
          keptOut = std::max(keptOut, seen.sender[0].datagrams);
        }
        std::this_thread::sleep_for(1ms);
      }
    });
    std::this_thread::sleep_for(50ms);

    double slowestStop = 0;
    int runsWithSamples = 0;
    for (int cycle = 0; cycle < 1000; ++cycle) {
      ASSERT_EQ(camera.Run(), S_OK) << "cycle " << cycle;
      // Every tenth run waits for a sample; the others stop at once, in the
      // middle of whatever the worker is doing.
      if (cycle % 10 == 0) {
        const std::uint64_t before = camera.Delivered();
        runsWithSamples += camera.WaitForMoreThan(before, 2000ms) ? 1 : 0;
      }
      ASSERT_EQ(camera.Stop(), S_OK) << "cycle " << cycle;
      slowestStop = std::max(slowestStop, camera.LastStop().count());
    }
    feeding = false;
    feeder.join();  // with the phone's socket
    host.join();
    EXPECT_GT(keptOut, 0u);

    EXPECT_EQ(Entries("/proc/self/fd"), descriptors) << "sockets left open";
    // Fewer is no leak: the sanitizer's own thread may have ended meanwhile.
    EXPECT_LE(SettledThreads(), threads) << "worker threads left running";
    EXPECT_EQ(runsWithSamples, 100);
    EXPECT_LT(slowestStop, 3500.0);
    EXPECT_GT(deliveries.Whole(), 0u);
    EXPECT_EQ(camera.Events(), 0u);
    std::printf("1000 cycles: %zu samples (%zu whole), slowest Stop %.1f ms\n", deliveries.Size(),
                deliveries.Whole(), slowestStop);
  }
}

}  // namespace
}  // namespace orlin::soak
