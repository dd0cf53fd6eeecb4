// The receiver against a scripted transport on 127.0.0.1: chunks, compressed
// datagrams and the pieces of large frames are queued, then damaged with the
// verbs (Drop, Reorder, Duplicate, Truncate, CorruptByte) and sent while a
// fill waits for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "codec/codec.h"
#include "filter/frame_receiver.h"
#include "wire/compressed_datagram.h"
#include "wire/frame_piece.h"
#include "orlin/dshow.h"
#include "orlin/message_box.h"

namespace orlin::filter {
namespace {

using settings::kFilterDefaults;
using settings::VideoFormatSettings;
using wire::kFourCC_I420;
using wire::kFourCC_IYUV;
using wire::kFourCC_YUY2;

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t((i * 7 + seed * 31) % 253);
  return bytes;
}

ReceiverFormat Raw(std::int32_t sampleSize) {
  ReceiverFormat format;
  format.width = 1;
  format.height = sampleSize;
  format.fourCC = kFourCC_YUY2;
  format.sampleSize = sampleSize;
  format.port = 0;  // a port of the system's choosing: tests never meet other streams
  format.announcementPort = 0;
  format.settings = {kFourCC_YUY2, 1, std::uint32_t(sampleSize), 8, 0, 0, 0};
  return format;
}

ReceiverFormat Compressed(std::int32_t width, std::int32_t height) {
  ReceiverFormat format;
  format.width = width;
  format.height = height;
  format.fourCC = kFourCC_IYUV;
  format.sampleSize = width * height * 3 / 2;
  format.compression = true;
  format.port = 0;
  format.announcementPort = 0;
  format.settings = {kFourCC_IYUV, std::uint32_t(width), std::uint32_t(height), 12, 1, 0, 0};
  return format;
}

// Records the messages the receiver shows, as narrow text.
ScopedMessageBoxHook RecordMessages(std::vector<std::string>& messages) {
  return ScopedMessageBoxHook([&messages](HWND, LPCWSTR text, LPCWSTR, UINT) {
    std::string narrow;
    for (; *text != 0; ++text) narrow += char(*text);
    messages.push_back(narrow);
    return IDOK;
  });
}

// A port for a listener: one the system handed out a moment ago.
std::uint16_t FreshPort() {
  SocketHandle probe(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  EXPECT_EQ(bind(probe.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  EXPECT_EQ(getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  return ntohs(address.sin_port);
}

class ReceiverTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(winsock_.Start(), 0);
    sender_.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    ASSERT_TRUE(sender_.Valid());
  }
  void TearDown() override {
    if (receiver_) receiver_->Close();
  }

  void Open(const ReceiverFormat& format) {
    receiver_ = std::make_unique<FrameReceiver>(format);
    ASSERT_EQ(receiver_->Open(), S_OK);
    port_ = receiver_->BoundPort();
    ASSERT_NE(port_, 0);
  }

  // --- The script: datagrams queued for the next Fill ---
  // Queues a raw frame as the phone sends it: chunks tagged n, n-1, ..., 1.
  Bytes QueueFrame(std::uint8_t seed) {
    Bytes frame = Pattern(std::size_t(receiver_->ChunkCount()) * receiver_->ChunkSize(), seed);
    const std::uint32_t n = receiver_->ChunkCount(), q = receiver_->ChunkSize();
    for (std::uint32_t i = 0; i < n; ++i) {
      if (n > 1) frame[(i + 1) * q - 1] = std::uint8_t((frame[(i + 1) * q - 1] & 0xF0) | ((n - i) & 0x0F));
      Send(Bytes(frame.begin() + i * q, frame.begin() + (i + 1) * q));
    }
    return frame;
  }
  // Queues a frame's bytes as the pieces of frame `serial`, in order.
  void QueuePieces(const Bytes& frame, std::uint32_t serial, wire::PieceKind kind = wire::PieceKind::kRaw,
                   std::uint8_t level = 0) {
    wire::PieceHeader header;
    header.kind = kind;
    header.level = level;
    header.serial = serial;
    header.frameBytes = std::uint32_t(frame.size());
    header.count = std::uint16_t(wire::PieceCountOf(std::int64_t(frame.size())));
    for (header.index = 0; header.index < header.count; ++header.index) {
      const auto offset = std::size_t(wire::PieceOffset(header.index));
      const auto bytes = std::size_t(wire::PieceBytes(std::int64_t(frame.size()), header.index));
      Bytes datagram(wire::kPieceHeaderBytes);
      wire::WritePieceHeader(header, datagram.data());
      datagram.insert(datagram.end(), frame.begin() + std::ptrdiff_t(offset),
                      frame.begin() + std::ptrdiff_t(offset + bytes));
      Send(std::move(datagram));
    }
  }
  void Send(Bytes datagram) { script_.push_back(std::move(datagram)); }
  void Drop(std::size_t i) { script_.erase(script_.begin() + std::ptrdiff_t(i)); }
  void Reorder(std::size_t i, std::size_t j) { std::swap(script_[i], script_[j]); }
  void Duplicate(std::size_t i) { InsertAt(i, script_[i]); }
  void InsertAt(std::size_t i, const Bytes& datagram) {
    // Rebuilt rather than insert()ed: GCC 12 at -O3 warns falsely on the latter.
    std::vector<Bytes> script;
    for (std::size_t k = 0; k <= script_.size(); ++k) {
      if (k == i) script.push_back(datagram);
      if (k < script_.size()) script.push_back(std::move(script_[k]));
    }
    script_ = std::move(script);
  }
  // Sends the phone's format announcement at once, to the receiver's listener.
  void Announce(const wire::Announcement& announcement, std::uint16_t port) {
    std::uint8_t datagram[wire::kAnnouncementBytes];
    wire::WriteAnnouncement(announcement, datagram);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(sender_.Get(), reinterpret_cast<const char*>(datagram), int(sizeof datagram), 0,
           reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  void Truncate(std::size_t i, std::size_t bytes) { script_[i].resize(bytes); }
  void CorruptByte(std::size_t i, std::size_t offset, std::uint8_t value) { script_[i][offset] = value; }

  // Sends the script, one datagram at a time, while a fill runs on a worker
  // thread (as the stream's); returns the sample, and in `whole` whether the
  // fill said the whole frame arrived. Datagrams the fill did not take stay in the
  // socket for the next fill.
  Bytes Fill(Bytes sample) {
    std::thread worker([&] { whole = receiver_->FillFrame(sample.data()); });
    SendScript();
    worker.join();
    return sample;
  }
  void SendScript() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (const Bytes& datagram : script_) {
      // The receiver's socket buffer holds about one chunk: pace the sends so
      // that what a test loses is what it dropped.
      std::this_thread::sleep_for(std::chrono::milliseconds(4));
      sendto(sender_.Get(), reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    script_.clear();
  }

  WinsockSession winsock_;
  SocketHandle sender_;
  std::unique_ptr<FrameReceiver> receiver_;
  std::uint16_t port_ = 0;
  std::vector<Bytes> script_;
  bool whole = false;
};

TEST(FormatRefusal, SampleSizeZeroIsRefusedBeforeStreaming) {
  for (std::int32_t size : {0, -1}) {
    FrameReceiver receiver(Raw(size));
    EXPECT_EQ(receiver.Open(), VFW_E_INVALIDMEDIATYPE);
    Bytes sample(16, 0x5A);
    receiver.FillFrame(sample.data());  // no geometry: nothing happens
    EXPECT_EQ(sample, Bytes(16, 0x5A));
    EXPECT_EQ(receiver.Close(), S_OK);
  }
  VideoFormatSettings settings = kFilterDefaults;
  settings.BitsPerPixel = 0;
  EXPECT_EQ(SampleSizeOf(settings), 0);
  settings = kFilterDefaults;
  settings.Width = 0x10000;
  settings.Height = 0x10000;  // 2^32 pixels: no 32-bit sample size
  EXPECT_EQ(SampleSizeOf(settings), 0);
}

TEST(PortRefusal, APortHeldByAnotherProgramFailsTheOpenAndNamesThePort) {
  WinsockSession winsock;
  ASSERT_EQ(winsock.Start(), 0);
  // Held without address reuse, as a program that wants it alone holds it.
  SocketHandle holder(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
#ifdef _WIN32
  const BOOL exclusive = TRUE;  // Windows lets a reusing socket share any other port
  setsockopt(holder.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
             sizeof exclusive);
  const std::string cause = " is in use by another program or reserved by the system";
#else
  const std::string cause = " is in use by another program";
#endif
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(holder.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::vector<std::string> messages;
  ScopedMessageBoxHook hook = RecordMessages(messages);
  ReceiverFormat format = Raw(38016);
  format.port = ntohs(address.sin_port);
  FrameReceiver receiver(format);
  EXPECT_EQ(receiver.Open(), E_FAIL);
  EXPECT_EQ(receiver.BoundPort(), 0);
  EXPECT_EQ(messages, std::vector<std::string>{"UDP port " + std::to_string(format.port) + cause});
}

TEST(FormatRefusal, CompressionOnlyForWhatTheDecoderAndSampleCanTake) {
  struct Case {
    std::uint32_t fourCC;
    std::int32_t width, height, sampleSize;
    bool compression;
    bool rawPieces;  // raw frames beyond the countdown come in pieces
  };
  const Case cases[] = {
      {kFourCC_IYUV, 176, 144, 38016, true, false},
      {kFourCC_I420, 176, 144, 38016, false, false},     // only IYUV takes compressed frames
      {kFourCC_IYUV, 176, 144, 176 * 144, false, false},  // 8 bits per pixel: the picture does not fit
      {kFourCC_IYUV, 2048, 4, 2048 * 4 * 3 / 2, true, false},   // 512 block columns
      {kFourCC_IYUV, 2052, 4, 2052 * 4 * 3 / 2, false, false},  // 513: past the decoder's count row
      {kFourCC_IYUV, 1920, 1080, 3110400, true, false},
      {kFourCC_I420, 1920, 1080, 3110400, false, true},
      {kFourCC_YUY2, 1920, 1080, 4147200, false, true},
      {kFourCC_YUY2, 640, 480, 614400, false, false},  // 10 counted chunks
  };
  for (const Case& c : cases) {
    ReceiverFormat format = Compressed(c.width, c.height);
    format.fourCC = c.fourCC;
    format.sampleSize = c.sampleSize;
    FrameReceiver receiver(format);
    ASSERT_EQ(receiver.Open(), S_OK);
    EXPECT_EQ(receiver.Compression(), c.compression) << c.width << " x " << c.height;
    EXPECT_EQ(receiver.RawPieces(), c.rawPieces) << c.width << " x " << c.height;
    if (c.compression) {
      EXPECT_EQ(receiver.CompressedBufferSize(), c.width * c.height * 3 / 4);
    }
    receiver.Close();
    ASSERT_EQ(receiver.Open(), S_OK);  // once cleared, it stays cleared
    EXPECT_EQ(receiver.Compression(), c.compression);
    receiver.Close();
  }
}

// Frames only from the phone's address: another sender's datagrams, sent
// first, are dropped before they touch the sample, in both raw forms and for
// a receiver bound to one local address. Those on the stream and the
// announcement port count against that sender; without AcceptFrom nothing does.
TEST_F(ReceiverTransport, AcceptFromAndListenAddressKeepOtherSendersOut) {
  SocketHandle other(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(0x7F000002);  // 127.0.0.2
  ASSERT_EQ(bind(other.Get(), reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
  struct Case {
    std::int32_t sampleSize;
    bool acceptFrom;  // else ListenAddress, and the other sender aims at 127.0.0.2
  };
#ifdef _WIN32
  // Wine sends from 127.0.0.1 whatever address the socket is bound to: only
  // the listen address is tried here (the next test drops from Windows too).
  const Case cases[] = {Case{153600, false}};
#else
  const Case cases[] = {Case{153600, true}, Case{1280 * 720 * 3 / 2, true}, Case{153600, false}};
#endif
  for (const Case c : cases) {
    ReceiverFormat format = Raw(c.sampleSize);
    (c.acceptFrom ? format.acceptFrom : format.listenAddress) = ORLIN_TEXT("127.0.0.1");
    format.announcementPort = FreshPort();
    Open(format);
    const bool pieces = receiver_->RawPieces();
    const auto frameOf = [&](std::uint8_t seed) {
      Bytes frame = Pattern(std::size_t(c.sampleSize), seed);
      if (pieces) {
        QueuePieces(frame, seed);
      } else {
        frame = QueueFrame(seed);
      }
      return frame;
    };
    frameOf(7);  // the other sender's, sent first
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    to.sin_addr.s_addr = htonl(c.acceptFrom ? INADDR_LOOPBACK : 0x7F000002);
    for (const Bytes& datagram : script_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      sendto(other.Get(), reinterpret_cast<const char*>(datagram.data()), int(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    script_.clear();
    to.sin_port = htons(format.announcementPort);
    sendto(other.Get(), "junk", 4, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    const Bytes phone = frameOf(9);
    Bytes sample = Fill(Bytes(std::size_t(c.sampleSize), 0));
    if (!pieces) sample.resize(phone.size());  // the tail past the last chunk is never sent
    EXPECT_TRUE(sample == phone) << c.sampleSize;
    EXPECT_TRUE(whole) << c.sampleSize;
    const settings::SenderTallyCounts senders = receiver_->Senders();
    EXPECT_EQ(senders.filtering, c.acceptFrom);
    if (c.acceptFrom) {
      EXPECT_GT(receiver_->ForeignDatagrams(), 0u) << c.sampleSize;
      EXPECT_EQ(senders.acceptFrom, htonl(INADDR_LOOPBACK));
      ASSERT_EQ(senders.senders, 1u);
      EXPECT_EQ(senders.sender[0].address, htonl(0x7F000002));
      EXPECT_EQ(senders.sender[0].datagrams, receiver_->ForeignDatagrams() + 1) << "the announcement port's";
    } else {
      EXPECT_EQ(senders.Total(), 0u);
    }
    receiver_->Close();
  }
}

TEST_F(ReceiverTransport, WithAnotherSenderAcceptedNothingReachesTheSample) {
  ReceiverFormat format = Raw(153600);
  format.acceptFrom = ORLIN_TEXT("127.0.0.2");
  Open(format);
  QueueFrame(3);  // from 127.0.0.1
  EXPECT_EQ(Fill(Bytes(153600, 0x5A)), Bytes(153600, 0x5A));
  EXPECT_FALSE(whole);
  EXPECT_EQ(receiver_->ForeignDatagrams(), 3u);
  // Nothing but another sender's: said as such, not as waiting.
  EXPECT_EQ(receiver_->Diagnosis(), KeptOutSentence(htonl(INADDR_LOOPBACK), htonl(0x7F000002)));
}

TEST(AddressSettings, ANameThatDoesNotResolveStopsTheStreamAndSaysWhich) {
  std::vector<std::string> messages;
  ScopedMessageBoxHook hook = RecordMessages(messages);
  ReceiverFormat format = Raw(38016);
  format.port = 0;
  format.announcementPort = 0;
  format.acceptFrom = ORLIN_TEXT("nosuch.invalid");
  FrameReceiver unresolved(format);
  EXPECT_EQ(unresolved.Open(), E_FAIL);
  format.acceptFrom = std::basic_string<WCHAR>();  // stored, but not as text
  FrameReceiver unreadable(format);
  EXPECT_EQ(unreadable.Open(), E_FAIL);
  format.acceptFrom.reset();
  format.listenAddress = ORLIN_TEXT("nosuch.invalid");
  FrameReceiver listen(format);
  EXPECT_EQ(listen.Open(), E_FAIL);
  EXPECT_EQ(messages, (std::vector<std::string>{"AcceptFrom: nosuch.invalid not found", "AcceptFrom cannot be read",
                                                "ListenAddress: nosuch.invalid not found"}));
}

TEST_F(ReceiverTransport, SingleChunkFrameArrivesWhole) {
  Open(Raw(38016));
  const Bytes frame = QueueFrame(1);
  EXPECT_EQ(Fill(Bytes(38016, 0)), frame);
  EXPECT_TRUE(whole);
}

TEST_F(ReceiverTransport, ChunksArriveInPlaceWithTheirCountersAndTheTailIsNeverWritten) {
  Open(Raw(65521));
  const Bytes frame = QueueFrame(2);
  const Bytes sample = Fill(Bytes(65521, 0xEE));
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), sample.begin()));
  EXPECT_EQ(sample[32759] & 0x0F, 2);
  EXPECT_EQ(sample[65519] & 0x0F, 1);
  EXPECT_EQ(sample[65520], 0xEE);
}

TEST_F(ReceiverTransport, LostChunkJoinsTwoFrames) {
  Open(Raw(153600));  // three chunks of 51200
  const Bytes first = QueueFrame(3);
  const Bytes second = QueueFrame(4);
  Drop(1);  // the first frame's chunk 2
  // 3 taken; 1 and the next 3 discarded; then 2 and 1 of the second frame.
  const Bytes sample = Fill(Bytes(153600, 0));
  EXPECT_TRUE(std::equal(first.begin(), first.begin() + 51200, sample.begin()));
  EXPECT_TRUE(std::equal(second.begin() + 51200, second.end(), sample.begin() + 51200));
}

TEST_F(ReceiverTransport, ReorderedAndDuplicatedChunksAreDiscardedUntilTheExpectedOne) {
  Open(Raw(153600));
  const Bytes first = QueueFrame(5);
  const Bytes second = QueueFrame(6);
  Reorder(1, 2);  // first frame: 3, 1, 2
  Duplicate(4);   // second frame: 3, 2, 2, 1
  // 3a taken, 1a discarded, 2a taken; 3b, 2b, 2b discarded; 1b taken.
  const Bytes sample = Fill(Bytes(153600, 0));
  EXPECT_TRUE(std::equal(first.begin(), first.begin() + 102400, sample.begin()));
  EXPECT_TRUE(std::equal(second.begin() + 102400, second.end(), sample.begin() + 102400));
}

TEST_F(ReceiverTransport, SixteenthMismatchEndsTheFill) {
  Open(Raw(65521));  // two chunks, counter 2 expected first
  for (int i = 0; i < 17; ++i) {
    Bytes chunk = Pattern(32760, std::uint8_t(i));
    chunk.back() = std::uint8_t(0x10 * i | 1);  // counter 1: never the one expected
    if (i == 16) chunk.back() = 0x02;          // left for the next fill
    Send(chunk);
  }
  const Bytes sample = Fill(Bytes(65521, 0));
  // Each discarded chunk was received into the same place: the 16th is there.
  EXPECT_EQ(sample[32759], 0xF1);
  EXPECT_TRUE(std::all_of(sample.begin() + 32760, sample.end(), [](std::uint8_t b) { return b == 0; }));
  // The 17th was not taken by that fill: the next one starts with it.
  Bytes rest = Pattern(32760, 99);
  rest.back() = 0x01;
  Send(rest);
  const Bytes next = Fill(Bytes(65521, 0));
  EXPECT_EQ(next[32759], 0x02);
  EXPECT_EQ(next[65519], 0x01);
}

TEST_F(ReceiverTransport, ChunkInShorterDatagramsAddsUpButOneTooLongFailsIt) {
  Open(Raw(65521));
  const Bytes frame = QueueFrame(7);
  // Chunk 2 in two datagrams of 20000 and 12760 bytes.
  Bytes tail(script_[0].begin() + 20000, script_[0].end());
  Truncate(0, 20000);
  InsertAt(1, tail);
  Bytes sample = Fill(Bytes(65521, 0));
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), sample.begin()));

  // A truncated chunk 2 is followed by chunk 1, longer than the space left:
  // the receive fails (as Winsock's WSAEMSGSIZE) and the fill stops there.
  const Bytes again = QueueFrame(8);
  Truncate(0, 30000);
  sample = Fill(Bytes(65521, 0));
  EXPECT_TRUE(std::equal(again.begin(), again.begin() + 30000, sample.begin()));
  EXPECT_TRUE(std::all_of(sample.begin() + 32760, sample.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(ReceiverTransport, DatagramLongerThanAChunkIsAFailedReceiveNotAChunk) {
  Open(Raw(65521));
  Bytes oversized = Pattern(32770, 9);
  oversized[32759] = 0x02;  // a counter that a silently truncated receive would accept
  Send(oversized);
  Bytes last = Pattern(32760, 10);
  last.back() = 0x01;
  Send(last);
  const Bytes sample = Fill(Bytes(65521, 0));
  EXPECT_TRUE(std::all_of(sample.begin() + 32760, sample.end(), [](std::uint8_t b) { return b == 0; }))
      << "the oversized datagram was taken as chunk 2";
}

TEST_F(ReceiverTransport, SilentSenderLeavesTheSampleAsItWas) {
  Open(Raw(38016));
  const auto start = Clock::now();
  EXPECT_EQ(Fill(Bytes(38016, 0x33)), Bytes(38016, 0x33));
  EXPECT_FALSE(whole);  // so the stream does not correct the sample a second time
  const auto waited = Clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(2900));
  EXPECT_LT(waited, std::chrono::milliseconds(6000));
}

// --- Large frames in pieces ---

// 1280 x 720 YUY2: beyond the countdown, so its raw frames come in 29 pieces.
constexpr std::int32_t kLargeFrame = 1280 * 720 * 2;

TEST_F(ReceiverTransport, RawPiecesLandInPlaceInAnyOrderAndADuplicateChangesNothing) {
  Open(Raw(kLargeFrame));
  ASSERT_TRUE(receiver_->RawPieces());
  const Bytes first = Pattern(kLargeFrame, 1);
  QueuePieces(first, 7);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0)), first);
  EXPECT_TRUE(whole);
  EXPECT_TRUE(receiver_->NewFrame());

  const Bytes second = Pattern(kLargeFrame, 2);
  QueuePieces(second, 8);
  std::reverse(script_.begin(), script_.end());  // the last piece first
  Reorder(0, 10);
  Duplicate(3);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0)), second);
  EXPECT_TRUE(whole);
}

TEST_F(ReceiverTransport, AFrameMissingAPieceGivesWayToTheNextAndLatePiecesAreDropped) {
  Open(Raw(kLargeFrame));
  const Bytes lost = Pattern(kLargeFrame, 3), next = Pattern(kLargeFrame, 4);
  QueuePieces(lost, 10);
  Drop(5);
  QueuePieces(next, 11);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0)), next) << "a whole frame holds none of the one given up";
  EXPECT_TRUE(whole);

  // The frame just delivered again, and one a few frames back, are late; a
  // serial further back is a phone that started again.
  const Bytes restarted = Pattern(kLargeFrame, 5);
  QueuePieces(next, 11);
  QueuePieces(lost, 9);
  QueuePieces(restarted, 2);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0)), restarted);
  EXPECT_TRUE(whole);
}

TEST_F(ReceiverTransport, PiecesOfAnotherLengthSizeOrKindAreDroppedWithoutTouchingTheSample) {
  Open(Raw(kLargeFrame));
  const Bytes frame = Pattern(kLargeFrame, 6);
  QueuePieces(frame, 20);
  const std::vector<Bytes> pieces = std::move(script_);
  script_.clear();
  Send(pieces[1]);  // a frame in progress
  Bytes longer = pieces[0];
  longer.push_back(0);
  Send(longer);
  Bytes shorter = pieces[2];
  shorter.pop_back();
  Send(shorter);
  wire::PieceHeader other{wire::PieceKind::kRaw, 0, 20, 3, 0, std::uint32_t(kLargeFrame + wire::kPiecePayloadBytes)};
  other.count = std::uint16_t(wire::PieceCountOf(other.frameBytes));  // a frame one piece larger
  Send(pieces[3]);
  wire::WritePieceHeader(other, script_.back().data());
  const wire::PieceHeader compressed{wire::PieceKind::kCompressed, 0, 20, 4, 29, std::uint32_t(kLargeFrame)};
  Send(pieces[4]);
  wire::WritePieceHeader(compressed, script_.back().data());
  // Then datagrams that are no pieces at all, until the fill gives up.
  for (int i = 0; i < kMaxHeaderRetries + 2; ++i) Send(Pattern(16, std::uint8_t(i)));

  Bytes expected(kLargeFrame, 0x5A);
  std::copy_n(frame.begin() + wire::kPiecePayloadBytes, wire::kPiecePayloadBytes,
              expected.begin() + wire::kPiecePayloadBytes);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0x5A)), expected);
  EXPECT_FALSE(whole);
  EXPECT_TRUE(receiver_->FillMisfit());
}

TEST_F(ReceiverTransport, AFillEndsWithinOneTimeOutWhilePiecesOfAnUnfinishedFrameTrickle) {
  Open(Raw(kLargeFrame));
  const Bytes lost = Pattern(kLargeFrame, 8);
  QueuePieces(lost, 30);
  const std::vector<Bytes> pieces = std::move(script_);
  script_.clear();
  Bytes sample(kLargeFrame, 0);
  std::atomic<bool> filled{false};
  std::thread worker([&] {
    whole = receiver_->FillFrame(sample.data());
    filled = true;
  });
  // Every piece but the last, then the first over and over, each well within
  // the time-out of the one before: 10 s of them, were the fill to wait.
  const std::size_t trickle = 200;
  std::size_t sent = 0;
  for (; sent < trickle && !filled; ++sent) {
    Send(pieces[sent + 1 < pieces.size() ? sent : 0]);
    SendScript();
    std::this_thread::sleep_for(std::chrono::milliseconds(46));
  }
  worker.join();
  EXPECT_LT(sent, trickle) << "the fill waited for as long as pieces came";
  EXPECT_FALSE(whole);
  EXPECT_TRUE(std::equal(lost.begin(), lost.begin() + wire::kPiecePayloadBytes, sample.begin()))
      << "the pieces that arrived stay";

  const Bytes next = Pattern(kLargeFrame, 9);
  QueuePieces(next, 31);
  EXPECT_EQ(Fill(Bytes(kLargeFrame, 0)), next);
  EXPECT_TRUE(whole);
}

// --- Compressed frames ---

// A picture that codes small: gentle luma ramps, flat chroma.
Bytes Smooth(int width, int height, std::uint8_t seed) {
  Bytes picture(std::size_t(width * height * 3 / 2), std::uint8_t(100 + seed));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture[std::size_t(y * width + x)] = std::uint8_t(60 + seed + 2 * x + y);
  }
  return picture;
}

Bytes Encode(const Bytes& picture, int width, int height, int level, bool withLength) {
  Bytes datagram(65520);
  std::int32_t length = std::int32_t(datagram.size()) - 4;
  codec::CompressFrame(picture.data(), width, height, level, datagram.data() + 4, &length);
  datagram.resize(std::size_t(length) + 4);
  const std::int32_t field = withLength ? length : 0;
  datagram[0] = 0x77;
  datagram[1] = 0x88;
  datagram[2] = std::uint8_t(field);
  datagram[3] = std::uint8_t(field >> 8);
  return datagram;
}

Bytes Decoded(const Bytes& datagram, int width, int height, Bytes sample) {
  Bytes payload(datagram.begin() + 4, datagram.end());
  payload.resize(payload.size() + 2 + std::size_t(width * height), 0);
  const std::int32_t length = datagram[2] | (datagram[3] << 8);
  codec::DecompressFrame(payload.data(), length, length == 0, sample.data(), width, height);
  return sample;
}

// The stream corrects only whole frames: a part frame's older bytes are corrected already.
TEST_F(ReceiverTransport, PartFramesAreNeverWhole) {
  Open(Raw(65521));  // two chunks of 32760
  QueueFrame(20);
  Truncate(0, 30000);  // then chunk 1, longer than the space left, fails the fill
  Fill(Bytes(65521, 0));
  EXPECT_FALSE(whole) << "a chunk lost";
  for (int i = 0; i < 16; ++i) {
    Bytes chunk = Pattern(32760, std::uint8_t(i));
    chunk.back() = 0x01;  // never the counter expected first
    Send(chunk);
  }
  Fill(Bytes(65521, 0));
  EXPECT_FALSE(whole) << "the 16th mismatch";

  Open(Compressed(32, 16));
  const Bytes datagram = Encode(Smooth(32, 16, 21), 32, 16, 0, true);
  Bytes damaged = datagram;
  damaged.resize(damaged.size() / 2);
  damaged[2] = std::uint8_t(damaged.size() - 4);
  damaged[3] = 0;
  Bytes payload(damaged.begin() + 4, damaged.end());
  payload.resize(payload.size() + 2 + 32 * 16, 0);
  Bytes picture(768, 0);
  ASSERT_LT(codec::DecompressFrame(payload.data(), std::int32_t(damaged.size() - 4), 0, picture.data(), 32, 16),
            codec::kCodecOk);
  Send(damaged);
  Fill(Bytes(768, 0));
  EXPECT_FALSE(whole) << "a decode stopped at damaged data";
  Send(datagram);
  Fill(Bytes(768, 0));
  EXPECT_TRUE(whole);
}

TEST_F(ReceiverTransport, CompressedFrameDecodesIntoTheSampleAtEveryLevel) {
  Open(Compressed(32, 16));
  const Bytes picture = Smooth(32, 16, 11);
  for (int level = 0; level <= 3; ++level) {
    const Bytes datagram = Encode(picture, 32, 16, level, level < 3);
    ASSERT_LE(datagram.size(), 384u - 6 + 4);
    Send(datagram);
    const Bytes expected = Decoded(datagram, 32, 16, Bytes(768, 0));
    EXPECT_EQ(Fill(Bytes(768, 0)), expected) << "level " << level;
    EXPECT_TRUE(receiver_->NewFrame()) << "level " << level;
  }
}

TEST_F(ReceiverTransport, HeaderScanGivesUpAfter102Datagrams) {
  Open(Compressed(16, 16));
  const Bytes picture = Smooth(16, 16, 12);
  const Bytes good = Encode(picture, 16, 16, 1, true);
  const Bytes expected = Decoded(good, 16, 16, Bytes(384, 0));

  for (int i = 0; i < 100; ++i) Send(Pattern(40, std::uint8_t(i)));
  CorruptByte(0, 0, 0x77);
  CorruptByte(0, 1, 0x89);    // almost a header
  Send(Bytes{0x77, 0x88});    // a header too short to be one
  Send(good);
  EXPECT_EQ(Fill(Bytes(384, 0)), expected) << "the 102nd datagram is still examined";

  for (int i = 0; i < 102; ++i) Send(Pattern(40, std::uint8_t(i)));
  Send(good);
  EXPECT_EQ(Fill(Bytes(384, 0)), Bytes(384, 0)) << "the 103rd is not";
  EXPECT_EQ(Fill(Bytes(384, 0)), expected) << "and is left for the next fill";
}

TEST_F(ReceiverTransport, LengthFieldsOverTheBufferAreCutAndZeroMeansFixedSize) {
  Open(Compressed(16, 16));  // buffer of 192 bytes: lengths cut to 186
  ASSERT_EQ(receiver_->CompressedBufferSize(), 192);
  const Bytes picture = Smooth(16, 16, 13);
  Bytes datagram = Encode(picture, 16, 16, 0, true);
  ASSERT_LE(datagram.size(), 186u + 4);
  const Bytes expected = Decoded(datagram, 16, 16, Bytes(384, 0));
  datagram[2] = 0xFF;
  datagram[3] = 0xFF;
  Send(datagram);
  EXPECT_EQ(Fill(Bytes(384, 0)), expected);

  const Bytes fixed = Encode(picture, 16, 16, 3, false);
  Send(fixed);
  EXPECT_EQ(Fill(Bytes(384, 0)), Decoded(fixed, 16, 16, Bytes(384, 0)));
}

TEST_F(ReceiverTransport, LengthFieldBeyondTheDatagramIsCutToWhatItCarried) {
  Open(Compressed(16, 16));
  Bytes datagram = Encode(Smooth(16, 16, 14), 16, 16, 0, true);
  datagram.resize(datagram.size() / 2);
  Bytes honest = datagram;
  honest[2] = std::uint8_t(datagram.size() - 4);
  honest[3] = 0;
  datagram[2] = 0xFF;  // claims more than it carries
  datagram[3] = 0xFF;
  Send(Pattern(190, 0x5A));  // no header: skipped, but its bytes stay in the buffer
  Send(datagram);
  EXPECT_EQ(Fill(Bytes(384, 0)), Decoded(honest, 16, 16, Bytes(384, 0)));
}

// A picture that codes, at level 0, to more than one datagram and less than
// the buffer from 352 x 288 up: ramps with a fine checker and some grain.
Bytes Textured(int width, int height) {
  Bytes picture = Smooth(width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture[std::size_t(y * width + x)] += std::uint8_t(((x / 2 + y / 2) % 2) * 32 + x * y % 7);
    }
  }
  return picture;
}

Bytes Payload(const Bytes& picture, int width, int height, int level) {
  Bytes payload(std::size_t(width * height * 3 / 4 - 4));
  std::int32_t length = std::int32_t(payload.size());
  EXPECT_EQ(codec::CompressFrame(picture.data(), width, height, level, payload.data(), &length), codec::kCodecOk);
  payload.resize(std::size_t(length));
  return payload;
}

TEST_F(ReceiverTransport, CompressedPiecesDecodeAsTheDecoderDoes) {
  Open(Compressed(640, 480));
  const Bytes picture = Textured(640, 480);
  for (const int level : {0, 3}) {
    const Bytes payload = Payload(picture, 640, 480, level);
    ASSERT_GT(payload.size(), std::size_t(wire::kMaxCompressedPayloadBytes)) << "level " << level;
    const bool fixed = level == 3;
    QueuePieces(payload, std::uint32_t(level), fixed ? wire::PieceKind::kCompressedFixedSize
                                                    : wire::PieceKind::kCompressed, std::uint8_t(level));
    Bytes padded = payload;
    padded.resize(payload.size() + 2);
    Bytes expected(460800, 0);
    ASSERT_EQ(codec::DecompressFrame(padded.data(), std::int32_t(payload.size()), fixed ? 1 : 0, expected.data(),
                                     640, 480),
              codec::kCodecOk);
    EXPECT_EQ(Fill(Bytes(460800, 0)), expected) << "level " << level;
    EXPECT_TRUE(receiver_->NewFrame()) << "level " << level;
  }
}

TEST_F(ReceiverTransport, CompressedDatagramsAndPiecesComeInOneStream) {
  // 352 x 288: a flat picture goes in one datagram, a textured one in two pieces.
  constexpr int kWidth = 352, kHeight = 288;
  const std::size_t sampleSize = kWidth * kHeight * 3 / 2;
  Open(Compressed(kWidth, kHeight));
  const Bytes small = Encode(Bytes(sampleSize, 90), kWidth, kHeight, 2, true);
  const Bytes later = Encode(Bytes(sampleSize, 160), kWidth, kHeight, 2, true);
  const Bytes large = Payload(Textured(kWidth, kHeight), kWidth, kHeight, 0);
  ASSERT_EQ(wire::PieceCountOf(std::int64_t(large.size())), 2);
  Bytes padded = large;
  padded.resize(large.size() + 2);
  Bytes expected(sampleSize, 0);
  ASSERT_EQ(codec::DecompressFrame(padded.data(), std::int32_t(large.size()), 0, expected.data(), kWidth, kHeight),
            codec::kCodecOk);

  const auto fill = [&] { return Fill(Bytes(sampleSize, 0)); };
  Send(small);
  EXPECT_EQ(fill(), Decoded(small, kWidth, kHeight, Bytes(sampleSize, 0)));
  EXPECT_TRUE(whole);
  QueuePieces(large, 1, wire::PieceKind::kCompressed);
  EXPECT_EQ(fill(), expected);
  EXPECT_TRUE(receiver_->NewFrame());
  Send(later);
  EXPECT_EQ(fill(), Decoded(later, kWidth, kHeight, Bytes(sampleSize, 0)));
  EXPECT_TRUE(whole);

  // A compressed datagram amid a frame's pieces is the newer frame: the rest
  // of the pieces are late.
  QueuePieces(large, 2, wire::PieceKind::kCompressed);
  InsertAt(1, small);
  Send(later);
  EXPECT_EQ(fill(), Decoded(small, kWidth, kHeight, Bytes(sampleSize, 0)));
  EXPECT_EQ(fill(), Decoded(later, kWidth, kHeight, Bytes(sampleSize, 0)));
  EXPECT_TRUE(whole);
}

TEST_F(ReceiverTransport, SecondOpenReusesTheBufferWithANewSocket) {
  Open(Compressed(16, 16));
  const std::uint8_t* buffer = receiver_->CompressedBuffer();
  ASSERT_NE(buffer, nullptr);
  receiver_->Close();
  EXPECT_EQ(receiver_->BoundPort(), 0);
  ASSERT_EQ(receiver_->Open(), S_OK);
  EXPECT_EQ(receiver_->CompressedBuffer(), buffer);
  port_ = receiver_->BoundPort();
  ASSERT_NE(port_, 0);
  const Bytes datagram = Encode(Smooth(16, 16, 14), 16, 16, 2, true);
  Send(datagram);
  EXPECT_EQ(Fill(Bytes(384, 0)), Decoded(datagram, 16, 16, Bytes(384, 0)));
}

TEST_F(ReceiverTransport, TwoReceiversBindOnePort) {
  Open(Raw(38016));
  ReceiverFormat format = Raw(38016);
  format.port = port_;
  FrameReceiver second(format);
  ASSERT_EQ(second.Open(), S_OK);
  EXPECT_EQ(second.BoundPort(), port_);
  // Whichever the network stack hands it to, one of them gets the frame.
  const Bytes frame = QueueFrame(15);
  Bytes one(38016, 0), two(38016, 0);
  std::thread other([&] { second.FillFrame(two.data()); });
  one = Fill(one);
  other.join();
  EXPECT_TRUE(one == frame || two == frame);
  second.Close();
}

// --- What the fills make of a stream that does not match ---

TEST_F(ReceiverTransport, MisfitsInARowGiveTheDiagnosisAndOneMatchingFrameClearsIt) {
  const ReceiverFormat format = Compressed(32, 16);  // a receive buffer of 384 bytes
  Open(format);
  const Text said = MisfitSentence({Misfit::kRawWhileCompressed}, format.settings);
  // Raw chunks, longer than the buffer: fails the fill each time.
  for (int fill = 1; fill <= kMisfitFillsToDiagnose; ++fill) {
    Send(Pattern(768, std::uint8_t(fill)));
    Fill(Bytes(768, 0));
    EXPECT_FALSE(receiver_->NewFrame());
    EXPECT_TRUE(receiver_->FillMisfit());
    EXPECT_EQ(receiver_->Diagnosis(), fill < kMisfitFillsToDiagnose ? Text() : said) << "fill " << fill;
  }
  Fill(Bytes(768, 0));  // silence says nothing new
  EXPECT_EQ(receiver_->Diagnosis(), said);
  Send(Encode(Smooth(32, 16, 30), 32, 16, 1, true));
  Fill(Bytes(768, 0));
  EXPECT_TRUE(receiver_->NewFrame());
  EXPECT_EQ(receiver_->Diagnosis(), Text());
}

TEST_F(ReceiverTransport, CompressedDatagramsReadAsRawChunksAreNoNewFrame) {
  Open(Raw(38016));
  // A chunk's worth of compressed datagrams adds up to a "whole" raw frame.
  for (int i = 0; i < 2; ++i) {
    Bytes datagram = Pattern(19008, std::uint8_t(i));
    datagram[0] = 0x77;
    datagram[1] = 0x88;
    datagram[2] = std::uint8_t((19008 - 4) & 0xFF);
    datagram[3] = std::uint8_t((19008 - 4) >> 8);
    Send(datagram);
  }
  Fill(Bytes(38016, 0));
  EXPECT_TRUE(whole);
  EXPECT_FALSE(receiver_->NewFrame());
  EXPECT_TRUE(receiver_->FillMisfit());
}

TEST_F(ReceiverTransport, AnnouncedFormatThatDiffersIsSaidEvenWhileFramesFit) {
  ReceiverFormat format = Raw(38016);
  format.settings = {kFourCC_I420, 176, 144, 12, 0, 0, 0};
  format.announcementPort = FreshPort();
  Open(format);

  // YV12 has the size of I420: only the announcement tells them apart.
  wire::Announcement phone;
  phone.fourCC = phone.pcFourCC = wire::kFourCC_YV12;
  phone.width = 176;
  phone.height = 144;
  phone.bitsPerPixel = 12;
  phone.sampleSize = 38016;
  Announce(phone, format.announcementPort);
  QueueFrame(40);
  Fill(Bytes(38016, 0));
  EXPECT_TRUE(whole);
  EXPECT_FALSE(receiver_->NewFrame());
  EXPECT_EQ(receiver_->Diagnosis(), AnnouncementSentence(phone, format.settings));
  ASSERT_NE(receiver_->Diagnosis(), Text());

  phone.fourCC = phone.pcFourCC = kFourCC_I420;
  Announce(phone, format.announcementPort);
  QueueFrame(41);
  Fill(Bytes(38016, 0));
  EXPECT_TRUE(receiver_->NewFrame());
  EXPECT_EQ(receiver_->Diagnosis(), Text());
}

}  // namespace
}  // namespace orlin::filter
