// Winsock behaviour the sender and receiver rely on, over loopback on a free
// port: the IPv4 datagram limit, errors by their Winsock numbers, time-outs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "orlin/receive_datagram.h"
#include "orlin/winsock.h"

namespace {

class Loopback : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(winsock_.Start(), 0);
    receiver_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    sender_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    ASSERT_TRUE(receiver_.Valid());
    ASSERT_TRUE(sender_.Valid());
    const int bytes = 1 << 20;
    setsockopt(receiver_.Get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
               sizeof bytes);
    address_.sin_family = AF_INET;
    address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(receiver_.Get(), reinterpret_cast<const sockaddr*>(&address_), sizeof address_), 0);
    socklen_t length = sizeof address_;
    ASSERT_EQ(getsockname(receiver_.Get(), reinterpret_cast<sockaddr*>(&address_), &length), 0);
    ASSERT_EQ(orlin::SetReceiveTimeout(receiver_.Get(), 2000), 0);
  }

  int SendBytes(int count) {
    std::vector<char> data(static_cast<std::size_t>(count), 'x');
    for (int i = 0; i < count; ++i) data[std::size_t(i)] = char(i % 251);
    return sendto(sender_.Get(), data.data(), count, 0, reinterpret_cast<const sockaddr*>(&address_),
                  sizeof address_);
  }

  orlin::WinsockSession winsock_;
  orlin::SocketHandle receiver_;
  orlin::SocketHandle sender_;
  sockaddr_in address_{};
};

TEST_F(Loopback, TheLargestIpv4DatagramIsSentAndOneByteMoreIsRefused) {
  EXPECT_EQ(SendBytes(65507), 65507);
  std::vector<char> buffer(65536);
  EXPECT_EQ(recvfrom(receiver_.Get(), buffer.data(), 65536, 0, nullptr, nullptr), 65507);

  EXPECT_EQ(SendBytes(65508), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
  EXPECT_EQ(SendBytes(65520), SOCKET_ERROR) << "the old cut of compressed datagrams";
}

// The receiver looks at a datagram's header before it decides where the
// datagram goes, then takes it in two parts: header and frame bytes.
TEST_F(Loopback, APeekGivesTheWholeLengthAndLeavesTheDatagramForATwoPartReceive) {
  ASSERT_EQ(SendBytes(65507), 65507);
  char head[20] = {};
  EXPECT_EQ(orlin::PeekDatagram(receiver_.Get(), head, 20), 65507);
  EXPECT_EQ(head[19], char(19));
  EXPECT_EQ(orlin::PeekDatagram(receiver_.Get(), head, 20), 65507) << "still there";
  std::vector<char> body(65487, 0);
  std::memset(head, 0, sizeof head);
  EXPECT_EQ(orlin::ReceiveDatagramInTwo(receiver_.Get(), head, 20, body.data(), 65487), 65507);
  EXPECT_EQ(head[19], char(19));
  EXPECT_EQ(body[0], char(20));
  EXPECT_EQ(body[65486], char(65506 % 251));

  ASSERT_EQ(SendBytes(12), 12);  // shorter than the space: the length it has
  EXPECT_EQ(orlin::PeekDatagram(receiver_.Get(), head, 20), 12);
  EXPECT_EQ(orlin::ReceiveDatagramInTwo(receiver_.Get(), head, 20, body.data(), 65487), 12);

  ASSERT_EQ(SendBytes(30), 30);  // longer than both parts: a failed receive
  EXPECT_EQ(orlin::ReceiveDatagramInTwo(receiver_.Get(), head, 20, body.data(), 9), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
  ASSERT_EQ(SendBytes(31), 31);
  EXPECT_EQ(orlin::ReceiveDatagram(receiver_.Get(), body.data(), 31), 31) << "the longer one is gone, not left for the next";

  ASSERT_EQ(orlin::SetReceiveTimeout(receiver_.Get(), 100), 0);
  EXPECT_EQ(orlin::PeekDatagram(receiver_.Get(), head, 20), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
}

TEST_F(Loopback, AReceiveTimeOutReadsAsWsaeTimedOut) {
  ASSERT_EQ(orlin::SetReceiveTimeout(receiver_.Get(), 200), 0);
  char byte = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(recvfrom(receiver_.Get(), &byte, 1, 0, nullptr, nullptr), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(150));
  EXPECT_LT(waited, std::chrono::seconds(2));
}

TEST_F(Loopback, ClosedSocketsAreClosedOnce) {
  orlin::SocketHandle moved(std::move(sender_));
  EXPECT_FALSE(sender_.Valid());
  EXPECT_TRUE(moved.Valid());
  const SOCKET raw = moved.Release();
  EXPECT_FALSE(moved.Valid());
  EXPECT_EQ(closesocket(raw), 0);
}

TEST_F(Loopback, APortHeldWithoutReuseRefusesASecondBindInWords) {
  orlin::SocketHandle second(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  ASSERT_TRUE(second.Valid());
  EXPECT_EQ(bind(second.Get(), reinterpret_cast<const sockaddr*>(&address_), sizeof address_), SOCKET_ERROR);
  const int error = WSAGetLastError();
  EXPECT_EQ(error, WSAEADDRINUSE);
  const std::basic_string<WCHAR> text = orlin::SocketErrorText(error);
  ASSERT_GT(text.size(), 3u);
  EXPECT_NE(text.back(), WCHAR('.'));
  EXPECT_NE(text.back(), WCHAR('\n'));
  EXPECT_FALSE(orlin::SocketErrorText(10999).empty()) << "a number the system has no words for";
}

TEST(HostNames, WideNamesConvertWithinTheirBuffer) {
  char buffer[32];
  EXPECT_TRUE(orlin::HostNameToAnsi(ORLIN_TEXT("desktop-pc.local"), buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "desktop-pc.local");
  EXPECT_TRUE(orlin::HostNameToAnsi(ORLIN_TEXT("0123456789012345678901234567890"), buffer, 32));
  char small[8];
  EXPECT_FALSE(orlin::HostNameToAnsi(ORLIN_TEXT("desktop-pc.local"), small, sizeof small));
  EXPECT_STREQ(small, "") << "a name that does not fit is not resolved cut short";
}

}  // namespace
