// Where frames go: resolving the destination, and what happens when it fails.
#include <gtest/gtest.h>

#include "tests/phone/support/sender_fixture.h"

namespace orlin::test {
namespace {

using wire::kFourCC_YUY2;

using Destination = SenderFixture;

TEST_F(Destination, AddressTextSaysNotConnectedUntilAResolutionSucceeds) {
  EXPECT_EQ(Text(sender_.AddressText()), u"<not connected>");
  sender_.SetDestinationAddress(ORLIN_TEXT("localhost"));
  EXPECT_EQ(sender_.ResolveDestination(), S_OK);
  EXPECT_EQ(Text(sender_.AddressText()), u"127.0.0.1");
  EXPECT_TRUE(messages_.empty());
}

TEST_F(Destination, AnIpv6OnlyAnswerIsNotMistakenForAnIpv4Address) {
  sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  ASSERT_EQ(sender_.ResolveDestination(), S_OK);
  sender_.SetDestinationAddress(ORLIN_TEXT("::1"));
  EXPECT_EQ(sender_.ResolveDestination(), E_FAIL);
  EXPECT_EQ(Text(sender_.AddressText()), u"127.0.0.1") << "the previous address stays";
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, u"::1 not found");
  EXPECT_EQ(messages_[0].caption, u"Orlin");
  EXPECT_EQ(messages_[0].type & MB_ICONERROR, static_cast<UINT>(MB_ICONERROR));
}

TEST_F(Destination, AFailedResolutionKeepsSendingToThePreviousDestination) {
  Connect(kFourCC_YUY2, 100, 100, 20000);
  sender_.SetDestinationAddress(ORLIN_TEXT("no-such-host.invalid"));
  EXPECT_EQ(sender_.ResolveDestination(), E_FAIL);
  std::vector<std::uint8_t> frame = NoiseFrame(20000, 10);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

TEST_F(Destination, NothingIsSentBeforeADestinationEverResolved) {
  sender_.SetDestinationAddress(ORLIN_TEXT("no-such-host.invalid"));
  Connect(kFourCC_YUY2, 100, 100, 20000);  // the start goes on after the message
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, u"no-such-host.invalid not found");
  std::vector<std::uint8_t> lost = NoiseFrame(20000, 11);
  Send(lost);
  sender_.SetDestinationAddress(ORLIN_TEXT("127.0.0.1"));
  ASSERT_EQ(sender_.ResolveDestination(), S_OK);
  std::vector<std::uint8_t> frame = NoiseFrame(20000, 12);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

TEST_F(Destination, APortChangedWhileResolvedTakesTheNextFrame) {
  Connect(kFourCC_YUY2, 100, 100, 20000);
  DatagramReceiver other;
  ASSERT_TRUE(other.Bound());
  sender_.SetDestinationPort(other.Port());
  std::vector<std::uint8_t> frame = NoiseFrame(20000, 15);
  const std::vector<std::uint8_t> original = frame;
  Send(frame);
  const auto datagrams = other.Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
  EXPECT_TRUE(Take(1, std::chrono::milliseconds(100)).empty()) << "nothing to the old port";
}

TEST_F(Destination, FramesTheNetworkRefusesAreCountedAsFailedNotSent) {
  Connect(kFourCC_YUY2, 100, 100, 20000);
  std::vector<std::uint8_t> frame = NoiseFrame(20000, 16);
  Send(frame);
  sender_.SetDestinationPort(0);  // no datagram goes to port 0: every send fails
  Send(frame);
  Send(frame);
  EXPECT_EQ(sender_.FramesSent(), 1u);
  EXPECT_EQ(sender_.FramesFailed(), 2u);
  EXPECT_EQ(sender_.BytesSent(), 20000u);
}

TEST_F(Destination, NothingIsSentAfterTheNetworkClosed) {
  Connect(kFourCC_YUY2, 100, 100, 20000);
  sender_.CloseNetwork();
  std::vector<std::uint8_t> frame = NoiseFrame(20000, 13);
  Send(frame);
  ASSERT_EQ(sender_.OpenNetwork(), S_OK);
  std::vector<std::uint8_t> next = NoiseFrame(20000, 14);
  const std::vector<std::uint8_t> original = next;
  Send(next);
  const auto datagrams = Take(1);
  ASSERT_EQ(datagrams.size(), 1u);
  EXPECT_EQ(datagrams[0], original);
}

}  // namespace
}  // namespace orlin::test
