// Nothing is allocated per frame: every operator new on the sending thread is
// counted while frames of each kind go out.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/phone/support/sender_fixture.h"
#include "tests/support/test_data.h"

// The replacements below pair malloc with free by design.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

thread_local bool counting = false;
std::atomic<long> counted{0};

}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++counted;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (counting) ++counted;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace orlin::test {
namespace {

using wire::kFourCC_YUY2;
using wire::kFourCC_YV12;

class Allocation : public SenderFixture {
 protected:
  // Announcing too: each start and each change below sends one while counting.
  Allocation() { sender_.SetAnnouncementPort(announcements_.Port()); }

  // Allocations made on this thread while `frames` frames are sent.
  long AllocationsWhileSending(std::vector<std::uint8_t>& frame, int frames) {
    TestSample sample(frame);
    IMemInputPin* input = nullptr;
    sender_.InputPin()->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    counted = 0;
    counting = true;
    for (int i = 0; i < frames; ++i) input->Receive(&sample);
    counting = false;
    return counted.load();
  }

  DatagramReceiver announcements_;
};

TEST_F(Allocation, CountingSeesAnAllocation) {
  counted = 0;
  counting = true;
  auto* probe = new std::vector<int>(10);
  counting = false;
  delete probe;
  EXPECT_GE(counted.load(), 1) << "the counter must see allocations, or the tests below prove nothing";
}

TEST_F(Allocation, CompressedFramesAllocateNothing) {
  Connect(kFourCC_YV12, 320, 240, 115200, 1, /*pixelCorrection=*/1, 0);
  std::vector<std::uint8_t> frame = ReadTestFrame("cups", 320, 240);
  for (int level = 0; level <= 3; ++level) {
    ASSERT_EQ(sender_.ApplyCodecSettings(1, 1, level), 1);
    EXPECT_EQ(AllocationsWhileSending(frame, 5), 0) << "level " << level;
  }
  EXPECT_EQ(Take(20).size(), 20u);
  EXPECT_GE(sender_.AnnouncementsSent(), 4u);
}

TEST_F(Allocation, RawFramesAllocateNothing) {
  Connect(kFourCC_YUY2, 640, 480, 614400, 0, /*pixelCorrection=*/1);
  std::vector<std::uint8_t> frame = NoiseFrame(614400, 1);
  EXPECT_EQ(AllocationsWhileSending(frame, 5), 0);
  EXPECT_EQ(Take(50).size(), 50u);
}

TEST_F(Allocation, FramesInPiecesAllocateNothing) {
  Connect(kFourCC_YUY2, 1280, 720, 1843200, 0, /*pixelCorrection=*/1);
  std::vector<std::uint8_t> frame = NoiseFrame(1843200, 1);
  EXPECT_EQ(AllocationsWhileSending(frame, 3), 0);
  EXPECT_EQ(Take(3 * 29).size(), 3u * 29);
  EXPECT_EQ(sender_.FramesInPieces(), 3u);
}

}  // namespace
}  // namespace orlin::test
