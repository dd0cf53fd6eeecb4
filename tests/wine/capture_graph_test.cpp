// "Orlin Camera" in the graphs capture applications build under Wine's
// DirectShow: what the capture graph builder finds on its pin, frames from the
// phone's sender reaching a Sample Grabber as sent (raw, and compressed with the
// chroma planes swapped; at HD sizes whole from their pieces), the pin connected
// straight to Wine's filters, the orders of run, pause, stop and
// reconnection applications use, and another sender kept out by AcceptFrom.
#include <cstring>
#include <string>

#include "codec/codec.h"
#include "filter/status_card.h"
#include "filter/stream_status.h"
#include "tests/support/test_data.h"
#include "tests/support/wait.h"
#include "tests/wine/capture_graph.h"
#include "wire/four_cc.h"

namespace orlin::wine_test {
namespace {

using wire::kFourCC_IYUV;

constexpr PcFormat kCompressed{kFourCC_IYUV, 176, 144, 12, 1, 1};  // IYUV, SwapUV

// A smooth YV12 picture that the codec codes well within the phone's buffer,
// with V and U planes that differ, so that swapping them shows.
Bytes SmoothPicture(int width, int height, int phase) {
  Bytes picture(std::size_t(width) * height * 3 / 2);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      picture[std::size_t(y) * width + std::size_t(x)] = std::uint8_t(30 + x / 2 + y / 3 + phase % 60);
    }
  }
  const std::size_t luma = std::size_t(width) * height;
  for (int y = 0; y < height / 2; ++y) {
    for (int x = 0; x < width / 2; ++x) {
      const std::size_t at = std::size_t(y) * std::size_t(width / 2) + std::size_t(x);
      picture[luma + at] = std::uint8_t(80 + x / 4 + phase % 40);               // V
      picture[luma + luma / 4 + at] = std::uint8_t(180 - y / 4 - phase % 40);  // U
    }
  }
  return picture;
}

// A camera-like YV12 picture of any size: a stored 640x480 one (Y, V, U)
// repeated across it, moved by `phase` pixels a frame.
Bytes TiledPicture(const Bytes& source, int width, int height, int phase) {
  Bytes picture(std::size_t(width) * height * 3 / 2);
  std::uint8_t* out = picture.data();
  const std::uint8_t* plane = source.data();
  for (const int scale : {1, 2, 2}) {
    const int sourceWidth = 640 / scale;
    const int sourceHeight = 480 / scale;
    for (int y = 0; y < height / scale; ++y) {
      const std::uint8_t* row = plane + std::size_t(y % sourceHeight) * std::size_t(sourceWidth);
      for (int x = 0; x < width / scale; ++x) *out++ = row[(x + 2 * phase / scale) % sourceWidth];
    }
    plane += std::size_t(sourceWidth) * std::size_t(sourceHeight);
  }
  return picture;
}

// The two chroma planes of a 4:2:0 frame exchanged.
Bytes SwapChroma(const Bytes& frame, int width, int height) {
  const std::size_t luma = std::size_t(width) * height;
  const std::size_t quarter = luma / 4;
  Bytes swapped(frame);
  std::memcpy(&swapped[luma], &frame[luma + quarter], quarter);
  std::memcpy(&swapped[luma + quarter], &frame[luma], quarter);
  return swapped;
}

// What the camera makes of a YV12 picture the phone compressed: decoded in the
// phone's plane order (Y, V, U), then the chroma planes exchanged for IYUV.
Bytes DecodedAndSwapped(const Bytes& picture, int width, int height) {
  Bytes payload(std::size_t(width) * height * 3 / 4 + 2);
  std::int32_t length = std::int32_t(payload.size() - 2);
  EXPECT_EQ(codec::CompressFrame(picture.data(), width, height, 0, payload.data(), &length), 0);
  Bytes decoded(picture.size());
  EXPECT_EQ(codec::DecompressFrame(payload.data(), length, 0, decoded.data(), width, height), 0);
  return SwapChroma(decoded, width, height);
}

// ---- RenderStream, as capture applications build their graph ----

TEST_F(CaptureGraph, RenderStreamFindsTheStoredFormatAndACapturePinCategory) {
  AddFilters(kCompressed);
  RenderCaptureStream();

  ComRef<IAMStreamConfig> config;
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                   IID_IAMStreamConfig, config.ReceiveVoid()),
            S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  ASSERT_NE(type, nullptr);
  EXPECT_TRUE(IsEqualGUID(type->majortype, MEDIATYPE_Video));
  EXPECT_EQ(type->subtype.Data1, kFourCC_IYUV);  // from the prefix's registry, not the default I420
  ASSERT_TRUE(IsEqualGUID(type->formattype, FORMAT_VideoInfo));
  ASSERT_GE(type->cbFormat, sizeof(VIDEOINFOHEADER));
  const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
  EXPECT_EQ(info->bmiHeader.biWidth, 176);
  EXPECT_EQ(info->bmiHeader.biHeight, 144);
  EXPECT_EQ(info->bmiHeader.biBitCount, 12);
  EXPECT_EQ(info->bmiHeader.biSizeImage, 38016u);
  EXPECT_EQ(info->AvgTimePerFrame, 333333);
  EXPECT_EQ(type->lSampleSize, 38016u);

  // The grabber is connected with exactly that type.
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(grabber->GetConnectedMediaType(&connected), S_OK);
  EXPECT_TRUE(IsEqualGUID(connected.subtype, type->subtype));
  ASSERT_EQ(connected.cbFormat, type->cbFormat);
  EXPECT_EQ(std::memcmp(connected.pbFormat, type->pbFormat, type->cbFormat), 0);
  CoTaskMemFree(connected.pbFormat);
  CoTaskMemFree(type->pbFormat);
  CoTaskMemFree(type);

  int count = 0;
  int size = 0;
  ASSERT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
  EXPECT_EQ(count, 1);
  ASSERT_EQ(size, int(sizeof(VIDEO_STREAM_CONFIG_CAPS)));
  VIDEO_STREAM_CONFIG_CAPS caps{};
  ASSERT_EQ(config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), S_OK);
  CoTaskMemFree(type->pbFormat);
  CoTaskMemFree(type);
  EXPECT_EQ(caps.MaxOutputSize.cx, 176);
  EXPECT_EQ(caps.MaxOutputSize.cy, 144);
  EXPECT_EQ(caps.MinFrameInterval, 333333);
  EXPECT_EQ(caps.MaxFrameInterval, 10000000);

  ComRef<IKsPropertySet> properties;
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camera.Get(),
                                   IID_IKsPropertySet, properties.ReceiveVoid()),
            S_OK);
  GUID category = GUID_NULL;
  DWORD returned = 0;
  ASSERT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category,
                            &returned),
            S_OK);
  EXPECT_TRUE(IsEqualGUID(category, PIN_CATEGORY_CAPTURE));
  EXPECT_EQ(returned, sizeof(GUID));

  // The builder finds the camera's capture pin by that category, too.
  ComRef<IPin> pin;
  EXPECT_EQ(builder->FindPin(camera.Get(), PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, FALSE, 0,
                             pin.Receive()),
            S_OK);
}

TEST_F(CaptureGraph, RawFramesReachTheGrabberAsSent) {
  // 320x240 YUY2 goes out in counted chunks; 1920x1080 YV12 is too large for
  // them and goes out in pieces.
  struct Case {
    PcFormat format;
    std::size_t frames;
    bool inPieces;
  };
  for (const Case& c : {Case{kRaw, 45, false}, Case{{wire::kFourCC_YV12, 1920, 1080, 12, 0, 0}, 30, true}}) {
    const PcFormat& f = c.format;
    SCOPED_TRACE(f.width);
    AddFilters(f);
    RenderCaptureStream();
    log.KeepBytes(true);
    Phone phone(f.fourCC, int(f.width), int(f.height), f.SampleSize(), false,
                [&f](int i) { return Gradient(f.SampleSize(), i); });
    phone.Start();
    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(MoreFrames(c.frames)) << log.Count() << " samples";
    EXPECT_EQ(Stop(), S_OK);
    phone.Stop();

    const std::vector<Seen> seen = log.Samples();
    const Matches matches = MatchFrames(seen, phone.SentFrames());
    // Whole frames, as sent; a lost chunk or piece would join two frames and match none.
    EXPECT_GE(matches.distinct, c.frames * 8 / 9);
    EXPECT_GE(matches.samples * 100, seen.size() * 95) << matches.samples << " of " << seen.size();
    for (const Seen& s : seen) EXPECT_EQ(s.bytes.size(), f.SampleSize());
    if (c.inPieces) {
      EXPECT_GE(phone.FramesInPieces(), matches.distinct);
    } else {
      EXPECT_EQ(phone.FramesInPieces(), 0u);
    }
    ReleaseGraph();
    log.Clear();
  }
}

TEST_F(CaptureGraph, CompressedFramesArriveDecodedWithTheChromaPlanesSwapped) {
  // A smooth 176x144 picture codes to one datagram; a camera's 1280x720 one to
  // several, and goes out in pieces.
  const Bytes coffee = orlin::test::ReadTestFrame("coffee", 640, 480);
  struct Case {
    PcFormat format;
    Phone::MakeFrame make;
    std::size_t frames;
    bool inPieces;
  };
  const Case cases[] = {
      {kCompressed, [](int i) { return SmoothPicture(176, 144, i); }, 30, false},
      {{kFourCC_IYUV, 1280, 720, 12, 1, 1}, [&coffee](int i) { return TiledPicture(coffee, 1280, 720, i); }, 24,
       true},
  };
  for (const Case& c : cases) {
    const int width = int(c.format.width);
    const int height = int(c.format.height);
    SCOPED_TRACE(width);
    AddFilters(c.format);
    RenderCaptureStream();
    log.KeepBytes(true);
    Phone phone(wire::kFourCC_YV12, width, height, c.format.SampleSize(), true, c.make);
    phone.Start();
    ASSERT_TRUE(SUCCEEDED(Run()));
    EXPECT_TRUE(MoreFrames(c.frames));
    // The phone falls silent: after a receive time-out the camera sends a buffer
    // again without a new frame in it. It must still be a frame as shown before,
    // not one whose planes were swapped back a second time.
    phone.Stop();
    // The last frame lands (or, were it lost, a receive time-out passes and the
    // wait gives up: what follows is silence either way).
    const Bytes last = DecodedAndSwapped(phone.SentFrames().back(), width, height);
    std::size_t looked = 0;
    orlin::test::WaitUntil([&] {
      if (log.Count() == looked) return false;
      const std::vector<Seen> now = log.Samples();
      looked = now.size();
      return !now.empty() && now.back().bytes == last;
    }, std::chrono::seconds(3));
    const std::size_t beforeSilence = log.Count();
    EXPECT_TRUE(MoreFrames(1));
    EXPECT_EQ(Stop(), S_OK);

    std::vector<Bytes> expected;
    for (const Bytes& sent : phone.SentFrames()) expected.push_back(DecodedAndSwapped(sent, width, height));
    // The planes differ: a frame left in the phone's order (Y, V, U) cannot match.
    ASSERT_NE(expected.front(), SwapChroma(expected.front(), width, height));
    const std::vector<Seen> seen = log.Samples();
    const Matches matches = MatchFrames(seen, expected);
    EXPECT_GE(matches.distinct, c.frames * 5 / 6);
    EXPECT_GE(matches.samples * 100, seen.size() * 95) << matches.samples << " of " << seen.size();
    if (c.inPieces) {
      EXPECT_GE(phone.FramesInPieces(), matches.distinct);
    } else {
      EXPECT_EQ(phone.FramesInPieces(), 0u);
    }
    ASSERT_GT(seen.size(), beforeSilence);
    EXPECT_EQ(MatchFrames({seen.begin() + std::ptrdiff_t(beforeSilence), seen.end()}, expected).samples,
              seen.size() - beforeSilence)
        << "a sample sent without a new frame shows wrong colours";
    ReleaseGraph();
    log.Clear();
  }
}

TEST_F(CaptureGraph, PreviewRenderedBesideTheCaptureStreamLeavesTheCaptureFramesFlowing) {
  AddFilters(kRaw);
  RenderCaptureStream();
  // No preview pin of its own: the builder renders the tee's preview output.
  ComRef<IBaseFilter> preview;
  ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             preview.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(graph->AddFilter(preview.Get(), L"Preview"), S_OK);
  EXPECT_TRUE(SUCCEEDED(builder->RenderStream(&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video, camera.Get(), nullptr,
                                              preview.Get())));
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(15));
  EXPECT_EQ(Stop(), S_OK);
  EXPECT_LT(lastCallMs, 1000);
}

// ---- The pin straight to Wine's filters ----

TEST_F(CaptureGraph, DirectConnectionStreamsThroughRunPauseStopInApplicationOrders) {
  AddFilters(kRaw);
  ConnectDirectly();
  Phone phone = RawPhone();
  phone.Start();

  // Preview-style start: Run from stopped, then pause and resume.
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(5));
  EXPECT_TRUE(SUCCEEDED(Pause()));
  EXPECT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(5));
  EXPECT_EQ(Stop(), S_OK);
  // Stopped means stopped: nothing more arrives while the phone sends on.
  const std::size_t afterStop = log.Count();
  EXPECT_TRUE(SendsMore(phone, 9));
  EXPECT_EQ(log.Count(), afterStop);

  // Capture-style start: pause (cue), then run; then stop from paused, with the
  // renderer holding a sample and the camera's worker waiting to deliver.
  EXPECT_TRUE(SUCCEEDED(Pause()));
  EXPECT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(5));
  EXPECT_TRUE(SUCCEEDED(Pause()));
  EXPECT_TRUE(SendsMore(phone, 9));
  EXPECT_EQ(Stop(), S_OK);
  EXPECT_LT(lastCallMs, 1000);
  // Stop twice, and Run again after that.
  EXPECT_EQ(Stop(), S_OK);
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(5));
  EXPECT_EQ(Stop(), S_OK);
}

TEST_F(CaptureGraph, ReconnectionAfterAFrameRateChangeStreamsAtTheNewInterval) {
  AddFilters(kRaw);
  ConnectDirectly();
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(3));

  // While running the connection cannot change.
  auto out = ComRef<IPin>::Adopting(FirstPin(camera.Get(), PINDIR_OUTPUT));
  EXPECT_EQ(graph->Disconnect(out.Get()), VFW_E_NOT_STOPPED);
  EXPECT_EQ(Stop(), S_OK);

  // 15 frames a second, as an application's format dialog sets it, then reconnect.
  ComRef<IAMStreamConfig> config;
  ASSERT_EQ(out->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid()), S_OK);
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 666666;
  EXPECT_EQ(config->SetFormat(type), S_OK);
  CoTaskMemFree(type->pbFormat);
  CoTaskMemFree(type);
  DisconnectCamera();
  ConnectDirectly();
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(grabber->GetConnectedMediaType(&connected), S_OK);
  EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->AvgTimePerFrame, 666666);
  CoTaskMemFree(connected.pbFormat);

  log.Clear();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(5));
  EXPECT_EQ(Stop(), S_OK);
  for (const Seen& s : log.Samples()) {
    ASSERT_EQ(s.timeResult, S_OK);
    EXPECT_EQ(s.end - s.start, 666666);
  }

  // The graph's own reconnection, as applications call it after SetFormat.
  ASSERT_EQ(config->GetFormat(&type), S_OK);
  reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame = 1000000;
  EXPECT_EQ(config->SetFormat(type), S_OK);
  CoTaskMemFree(type->pbFormat);
  CoTaskMemFree(type);
  EXPECT_EQ(graph->Reconnect(out.Get()), S_OK);
  ASSERT_EQ(grabber->GetConnectedMediaType(&connected), S_OK);
  EXPECT_EQ(reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->AvgTimePerFrame, 1000000);
  CoTaskMemFree(connected.pbFormat);
  log.Clear();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(MoreFrames(3));
  EXPECT_EQ(Stop(), S_OK);
  for (const Seen& s : log.Samples()) EXPECT_EQ(s.end - s.start, 1000000);
}

// ---- The status card ----

// "StatusCard" beside the format; removed (the default, on) with `remove`.
void StoreStatusCard(DWORD value, bool remove = false) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tessaly\\Orlin\\VideoFormat", 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (remove) {
    RegDeleteValueW(key, L"StatusCard");
  } else {
    EXPECT_EQ(RegSetValueExW(key, L"StatusCard", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

TEST_F(CaptureGraph, WithoutAPhoneTheSampleIsTheStatusCardUnlessTurnedOff) {
  const settings::VideoFormatSettings format{kCompressed.fourCC, kCompressed.width, kCompressed.height,
                                             kCompressed.bitsPerPixel, kCompressed.compression, 0,
                                             kCompressed.swapUV};
  for (const DWORD statusCard : {DWORD(1), DWORD(0)}) {
    SCOPED_TRACE(statusCard);
    StoreStatusCard(statusCard);
    AddFilters(kCompressed);
    RenderCaptureStream();
    log.KeepBytes(true);
    ComRef<filter::IOrlinStreamStatus> status;
    ASSERT_EQ(camera->QueryInterface(filter::IID_IOrlinStreamStatus, status.ReceiveVoid()), S_OK);
    ASSERT_TRUE(SUCCEEDED(Run()));
    ASSERT_TRUE(MoreFrames(1));  // one receive time-out: nothing arrives
    filter::OrlinStreamStatus now{};
    ASSERT_EQ(status->GetStreamStatus(&now), S_OK);
    EXPECT_EQ(Stop(), S_OK);

    EXPECT_EQ(now.state, filter::StreamState::kWaiting);
    EXPECT_EQ(std::wstring(now.diagnosis), L"Waiting for the phone on UDP port 4444");
    Bytes card(kCompressed.SampleSize());
    ASSERT_TRUE(filter::DrawStatusCard(format, card.data(), std::int64_t(card.size()), L"Orlin Camera",
                                       now.diagnosis));
    const Bytes first = log.Samples().front().bytes;
    if (statusCard != 0) {
      EXPECT_EQ(now.lastSample, filter::SampleContent::kCard);
      EXPECT_EQ(first, card);
    } else {
      EXPECT_EQ(now.lastSample, filter::SampleContent::kRepeat);
      EXPECT_NE(first, card);
    }
    status.Clear();
    ReleaseGraph();
    log.Clear();
  }
  StoreStatusCard(0, true);
}

// ---- Another sender ----

// "AcceptFrom" beside the format; removed (any sender) when empty.
void StoreAcceptFrom(const std::wstring& address) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tessaly\\Orlin\\VideoFormat", 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (address.empty()) {
    RegDeleteValueW(key, L"AcceptFrom");
  } else {
    EXPECT_EQ(RegSetValueExW(key, L"AcceptFrom", 0, REG_SZ, reinterpret_cast<const BYTE*>(address.c_str()),
                             DWORD((address.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}

// AcceptFrom set for one test, whatever it asserts.
struct AcceptFromFor {
  explicit AcceptFromFor(const std::wstring& address) { StoreAcceptFrom(address); }
  ~AcceptFromFor() { StoreAcceptFrom(L""); }
};

// An IPv4 address in network byte order, as the filter reports it.
std::uint32_t Ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
  const std::uint8_t bytes[4] = {a, b, c, d};
  std::uint32_t address = 0;
  std::memcpy(&address, bytes, sizeof address);
  return address;
}

// foreign_sender.pl sending `frames` frames of `bytes` bytes, 60 a second, from
// 127.0.0.2 to the stream port. It runs as a Linux program (Wine starts one
// named by its Unix path): a Windows one would send from 127.0.0.1 here.
bool StartForeignSender(std::size_t bytes, int frames) {
  std::string command = "/usr/bin/perl " ORLIN_FOREIGN_SENDER " 127.0.0.2 127.0.0.1 4444 " +
                        std::to_string(bytes) + " " + std::to_string(frames) + " 60";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

TEST_F(CaptureGraph, WithAcceptFromAnotherSendersFramesNeverReachTheGrabber) {
  // Frames of the phone's own format, one byte value each, from 127.0.0.2 at
  // twice the phone's rate: only the phone's reach the grabber.
  const PcFormat f{wire::kFourCC_YV12, 176, 144, 12, 0, 0};
  constexpr int kForeignFrames = 180;
  const AcceptFromFor acceptFrom(L"127.0.0.1");
  AddFilters(f);
  RenderCaptureStream();
  log.KeepBytes(true);
  ComRef<filter::IOrlinSenderFilter> senders;
  ASSERT_EQ(camera->QueryInterface(filter::IID_IOrlinSenderFilter, senders.ReceiveVoid()), S_OK);
  Phone phone(f.fourCC, int(f.width), int(f.height), f.SampleSize(), false,
              [&f](int i) { return Gradient(f.SampleSize(), i); });
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  ASSERT_TRUE(MoreFrames(5));
  ASSERT_TRUE(StartForeignSender(f.SampleSize(), kForeignFrames));
  filter::OrlinSenderFilter report{};
  // Three seconds of the other sender, and the phone's frames after them.
  test::WaitUntil([&] {
    return SUCCEEDED(senders->GetSenderFilter(&report)) && report.senders == 1 &&
           report.sender[0].datagrams >= kForeignFrames;
  }, std::chrono::seconds(8));
  EXPECT_TRUE(SendsMore(phone, 10));
  EXPECT_EQ(Stop(), S_OK);
  phone.Stop();

  EXPECT_TRUE(report.filtering);
  EXPECT_EQ(report.acceptFrom, Ipv4(127, 0, 0, 1));
  ASSERT_EQ(report.senders, 1u);
  EXPECT_EQ(report.sender[0].address, Ipv4(127, 0, 0, 2));
  EXPECT_GE(report.sender[0].datagrams, std::uint64_t(kForeignFrames / 2));  // a few may overflow the socket
  const std::vector<Seen> seen = log.Samples();
  const Matches matches = MatchFrames(seen, phone.SentFrames());
  std::size_t foreign = 0;
  for (const Seen& s : seen) {
    foreign += !s.bytes.empty() && s.bytes == Bytes(s.bytes.size(), s.bytes.front());
  }
  EXPECT_EQ(foreign, 0u) << "of " << seen.size() << " samples";
  EXPECT_GE(matches.samples * 100, seen.size() * 95) << matches.samples << " of " << seen.size();
}

TEST_F(CaptureGraph, PinConnectsStraightToTheNullRenderer) {
  AddFilters(kRaw);
  auto out = ComRef<IPin>::Adopting(FirstPin(camera.Get(), PINDIR_OUTPUT));
  auto in = ComRef<IPin>::Adopting(FirstPin(nullRenderer.Get(), PINDIR_INPUT));
  ASSERT_EQ(graph->ConnectDirect(out.Get(), in.Get(), nullptr), S_OK);
  Phone phone = RawPhone();
  phone.Start();
  ASSERT_TRUE(SUCCEEDED(Run()));
  EXPECT_TRUE(SendsMore(phone, 15));
  EXPECT_EQ(Stop(), S_OK);
  EXPECT_LT(lastCallMs, 4000);
}

}  // namespace
}  // namespace orlin::wine_test
