// The phone's cameras: what each offers, what its frames hold, and the
// capture filter that carries them to a connected pin.
#include <linux/videodev2.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "orlin/automation.h"
#include "phone/camera_capture_classes.h"
#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/capture_filter.h"
#include "phone/cameras/capture_filter_class.h"
#include "orlin/com_ref.h"
#include "phone/cameras/device_manager.h"
#include "phone/cameras/pixel_formats.h"
#include "phone/cameras/test_camera.h"
#include "phone/cameras/test_picture.h"
#include "phone/cameras/v4l2_formats.h"
#include "phone/cameras/y4m_camera.h"
#include "phone/frame_sender.h"
#include "phone/property_bag.h"
#include "phone/video_format.h"
#include "tests/support/wait.h"
#include "wire/four_cc.h"

namespace orlin::test {
namespace {

using namespace phone::cameras;

std::vector<BYTE> Frame(Camera& camera, std::size_t index) {
  std::vector<BYTE> frame(FrameBytes(camera.Formats()[index]));
  EXPECT_EQ(camera.ReadFrame(frame.data(), frame.size()), FrameResult::kFrame);
  return frame;
}

// A temporary file that is removed with the test.
struct TempFile {
  explicit TempFile(const std::string& suffix)
      : path(::testing::TempDir() + "camera-" + std::to_string(::getpid()) + suffix) {}
  ~TempFile() { std::remove(path.c_str()); }
  std::string path;
};

TEST(TestCameraTest, OffersPhoneFormatsWithCompressibleYv12FirstThenHd) {
  TestCamera camera;
  const std::vector<CameraFormat>& formats = camera.Formats();
  ASSERT_EQ(formats.size(), 11u);
  EXPECT_EQ(formats[0].pixels, PixelFormat::kYV12);
  EXPECT_EQ(formats[0].width, 176);
  EXPECT_EQ(formats[0].height, 144);
  EXPECT_EQ(formats[5].pixels, PixelFormat::kYUY2);
  EXPECT_EQ(formats[5].width, 640);
  EXPECT_EQ(formats[6].pixels, PixelFormat::kRGB565);
  const int hd[][2] = {{1280, 720}, {1920, 1080}};
  for (std::size_t i = 7; i < 11; ++i) {
    EXPECT_EQ(formats[i].pixels, i < 9 ? PixelFormat::kYV12 : PixelFormat::kYUY2) << i;
    EXPECT_EQ(formats[i].width, hd[(i - 7) % 2][0]) << i;
    EXPECT_EQ(formats[i].height, hd[(i - 7) % 2][1]) << i;
  }
  for (const CameraFormat& format : formats) EXPECT_EQ(format.frameInterval, 333333);
  EXPECT_FALSE(camera.Start(11));
}

TEST(TestCameraTest, NamedSizeIsTheOnlySizeOffered) {
  struct Case {
    const char* name;
    int width;  // 0: not a test camera the phone can open
    int height;
  };
  const Case cases[] = {{"test:1920x1080", 1920, 1080}, {"test:4096x4096", 4096, 4096},
                        {"test:2x2", 2, 2},             {"test:1281x720", 0, 0},
                        {"test:4098x2", 0, 0},          {"test:0x2", 0, 0},
                        {"test:+2x2", 0, 0},            {"test:1280", 0, 0},
                        {"test:1280x", 0, 0},           {"test:", 0, 0}};
  for (const Case& c : cases) {
    std::string error;
    const std::unique_ptr<Camera> camera = OpenCamera(c.name, &error);
    ASSERT_EQ(camera != nullptr, c.width != 0) << c.name;
    if (!camera) {
      EXPECT_NE(error.find("test camera size"), std::string::npos) << c.name;
      continue;
    }
    ASSERT_EQ(camera->Formats().size(), 3u) << c.name;
    for (const CameraFormat& format : camera->Formats()) {
      EXPECT_EQ(format.width, c.width) << c.name;
      EXPECT_EQ(format.height, c.height) << c.name;
    }
    EXPECT_EQ(camera->Formats()[0].pixels, PixelFormat::kYV12) << c.name;
  }
}

// The picture as the test camera drew it pixel by pixel before it drew rows:
// the frames at the phone's sizes must not change.
std::vector<BYTE> PaintedPixelByPixel(const CameraFormat& format, std::uint32_t number) {
  std::vector<BYTE> frame(FrameBytes(format));
  const int w = format.width;
  const int h = format.height;
  const TestPicture picture(w, h, number);
  if (format.pixels == PixelFormat::kYV12) {
    BYTE* vPlane = frame.data() + std::size_t(w) * h;
    BYTE* uPlane = vPlane + std::size_t(w / 2) * (h / 2);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) frame[std::size_t(y) * w + x] = picture.At(x, y).y;
    }
    for (int y = 0; y < h / 2; ++y) {
      for (int x = 0; x < w / 2; ++x) {
        vPlane[std::size_t(y) * (w / 2) + x] = picture.At(2 * x, 2 * y).v;
        uPlane[std::size_t(y) * (w / 2) + x] = picture.At(2 * x, 2 * y).u;
      }
    }
  } else {
    for (int y = 0; y < h; ++y) {
      // RGB565 rows are bottom-up.
      BYTE* row = frame.data() + std::size_t(format.pixels == PixelFormat::kRGB565 ? h - 1 - y : y) * w * 2;
      for (int x = 0; x < w; ++x) {
        const Yuv c = picture.At(x, y);
        if (format.pixels == PixelFormat::kYUY2) {
          row[2 * x] = c.y;
          row[2 * x + 1] = x % 2 == 0 ? c.u : picture.At(x - 1, y).v;
          continue;
        }
        const int luma = 298 * (c.y - 16);
        const int r = std::clamp((luma + 409 * (c.v - 128) + 128) >> 8, 0, 255);
        const int g = std::clamp((luma - 100 * (c.u - 128) - 208 * (c.v - 128) + 128) >> 8, 0, 255);
        const int b = std::clamp((luma + 516 * (c.u - 128) + 128) >> 8, 0, 255);
        const int pixel = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        row[2 * x] = BYTE(pixel & 0xFF);
        row[2 * x + 1] = BYTE(pixel >> 8);
      }
    }
  }
  return frame;
}

TEST(TestCameraTest, RowDrawingMatchesThePixelByPixelPicture) {
  std::vector<CameraFormat> formats = TestCamera().Formats();
  // Small sizes, where the counter reaches into the moving part, and odd widths.
  for (const CameraFormat& small : {CameraFormat{PixelFormat::kYV12, 2, 2, 0},
                                    CameraFormat{PixelFormat::kYV12, 30, 12, 0},
                                    CameraFormat{PixelFormat::kRGB565, 29, 40, 0},
                                    CameraFormat{PixelFormat::kYUY2, 6, 96, 0}}) {
    formats.push_back(small);
  }
  // The first frames, the square's turn at 176 wide, the counter's wrap, the last.
  for (const std::uint32_t number : {0u, 1u, 39u, 40u, 999999u, 1000000u, 0xFFFFFFFFu}) {
    for (const CameraFormat& format : formats) {
      if (format.width >= 1280 && number % 2 != 0) continue;  // slow by pixel
      TestPicturePainter painter(format);
      std::vector<BYTE> frame(FrameBytes(format), 0x5A);
      painter.Paint(number, frame.data());
      EXPECT_TRUE(frame == PaintedPixelByPixel(format, number))
          << PixelFormatName(format.pixels) << " " << format.width << "x" << format.height
          << " frame " << number;
    }
  }
}

TEST(TestCameraTest, FramesShowBarsACounterAndMotion) {
  TestCamera camera;
  ASSERT_TRUE(camera.Start(0));
  const std::vector<BYTE> first = Frame(camera, 0);
  const std::vector<BYTE> second = Frame(camera, 0);
  const int w = 176;
  // Luma of each bar, in the middle of the bar, below the counter.
  for (int bar = 0; bar < 7; ++bar) {
    const int x = (2 * bar + 1) * w / 14;
    EXPECT_EQ(first[60 * w + x], ColourBar(bar).y) << bar;
  }
  // The counter box (top left) changes between frames, the bars do not.
  bool counterChanged = false;
  for (int y = 6; y < 27; ++y) {
    for (int x = 6; x < 81; ++x) counterChanged |= first[y * w + x] != second[y * w + x];
  }
  EXPECT_TRUE(counterChanged);
  EXPECT_EQ(first[60 * w + 100], second[60 * w + 100]);
  // The lower third moves.
  bool lowerMoved = false;
  for (int x = 0; x < w; ++x) lowerMoved |= first[130 * w + x] != second[130 * w + x];
  EXPECT_TRUE(lowerMoved);
  std::vector<BYTE> tooSmall(10);
  EXPECT_EQ(camera.ReadFrame(tooSmall.data(), tooSmall.size()), FrameResult::kFailed);
}

TEST(TestCameraTest, PackedFormatsCarryTheSameColours) {
  TestCamera camera;
  ASSERT_TRUE(camera.Start(3));  // YUY2 176x144
  const std::vector<BYTE> yuy2 = Frame(camera, 3);
  const int w = 176;
  const int x = 3 * w / 14 & ~1;  // an even pixel in the yellow bar
  const Yuv yellow = ColourBar(1);
  EXPECT_EQ(yuy2[(60 * w + x) * 2], yellow.y);
  EXPECT_EQ(yuy2[(60 * w + x) * 2 + 1], yellow.u);
  EXPECT_EQ(yuy2[(60 * w + x) * 2 + 3], yellow.v);

  ASSERT_TRUE(camera.Start(6));  // RGB565, bottom-up rows
  const std::vector<BYTE> rgb = Frame(camera, 6);
  const int bottomUpRow = 143 - 60;
  const int pixel = rgb[(bottomUpRow * w + x) * 2] | (rgb[(bottomUpRow * w + x) * 2 + 1] << 8);
  EXPECT_GT(pixel >> 11, 20);           // yellow: strong red
  EXPECT_GT((pixel >> 5) & 0x3F, 40);   // and green
  EXPECT_LT(pixel & 0x1F, 6);           // and hardly any blue
}

TEST(Y4mCameraTest, HeaderMustDescribeAnEvenSized420Stream) {
  Y4mHeader header;
  std::string error;
  ASSERT_TRUE(ParseY4mHeader("YUV4MPEG2 W320 H240 F25:1 Ip A1:1 C420jpeg XTAG=1", &header, &error));
  EXPECT_EQ(header.width, 320);
  EXPECT_EQ(header.height, 240);
  EXPECT_EQ(header.frameInterval, 400000);
  ASSERT_TRUE(ParseY4mHeader("YUV4MPEG2 W2 H2 F30000:1001", &header, &error));
  EXPECT_EQ(header.frameInterval, 333666);
  ASSERT_TRUE(ParseY4mHeader("YUV4MPEG2 W2 H2 F0:0", &header, &error));
  EXPECT_EQ(header.frameInterval, 333333);  // no usable rate: 30 frames a second
  EXPECT_FALSE(ParseY4mHeader("YUV4MPEG2 W320 H240 C422", &header, &error));
  EXPECT_FALSE(ParseY4mHeader("YUV4MPEG2 W321 H240", &header, &error));
  EXPECT_FALSE(ParseY4mHeader("YUV4MPEG2 H240", &header, &error));
  EXPECT_FALSE(ParseY4mHeader("YUV4MPEG2 W-4 H2", &header, &error));
  EXPECT_FALSE(ParseY4mHeader("YUV4MPEG W4 H2", &header, &error));
}

TEST(Y4mCameraTest, PlaysItsFramesInALoopAsYv12) {
  TempFile file(".y4m");
  {
    std::ofstream out(file.path, std::ios::binary);
    out << "YUV4MPEG2 W4 H2 F10:1 C420\n";
    for (char frame = 0; frame < 2; ++frame) {
      out << "FRAME\n";
      out << std::string(8, static_cast<char>('0' + frame)) << "uU" << "vV";  // Y, U, V planes
    }
    out << "FRAME\n" << "cut";  // a cut-off last frame is not played
  }
  std::string error;
  std::unique_ptr<Y4mCamera> camera = Y4mCamera::Open(file.path, &error);
  ASSERT_TRUE(camera) << error;
  ASSERT_EQ(camera->Formats().size(), 1u);
  EXPECT_EQ(camera->Formats()[0].pixels, PixelFormat::kYV12);
  EXPECT_EQ(camera->Formats()[0].frameInterval, 1000000);
  ASSERT_TRUE(camera->Start(0));
  const std::string expected[] = {"00000000vVuU", "11111111vVuU", "00000000vVuU",
                                  "11111111vVuU"};
  for (const std::string& want : expected) {
    const std::vector<BYTE> frame = Frame(*camera, 0);
    EXPECT_EQ(std::string(frame.begin(), frame.end()), want);
  }
}

TEST(Y4mCameraTest, PlaysHdFilesWholeAndInOrder) {
  for (const FrameSize size : {FrameSize{1280, 720}, FrameSize{1920, 1080}}) {
    const std::size_t luma = std::size_t(size.width) * size.height;
    TempFile file(".y4m");
    {
      std::ofstream out(file.path, std::ios::binary);
      out << "YUV4MPEG2 W" << size.width << " H" << size.height << " F30:1 C420jpeg\n";
      for (char n = 0; n < 3; ++n) {
        out << "FRAME\n" << std::string(luma, char(0x10 + n)) << std::string(luma / 4, char(0x40 + n))
            << std::string(luma / 4, char(0x80 + n));
      }
    }
    std::string error;
    std::unique_ptr<Y4mCamera> camera = Y4mCamera::Open(file.path, &error);
    ASSERT_TRUE(camera) << error;
    ASSERT_EQ(camera->Formats()[0].width, size.width);
    ASSERT_EQ(camera->Formats()[0].height, size.height);
    ASSERT_TRUE(camera->Start(0));
    for (int n : {0, 1, 2, 0}) {
      const std::vector<BYTE> frame = Frame(*camera, 0);
      // Y, then V, then U, each plane of one value.
      const auto planeIs = [&](std::size_t from, std::size_t bytes, int value) {
        return std::count(frame.begin() + from, frame.begin() + from + bytes, BYTE(value)) ==
               std::ptrdiff_t(bytes);
      };
      EXPECT_TRUE(planeIs(0, luma, 0x10 + n)) << size.width << " frame " << n;
      EXPECT_TRUE(planeIs(luma, luma / 4, 0x80 + n)) << size.width << " frame " << n;
      EXPECT_TRUE(planeIs(luma * 5 / 4, luma / 4, 0x40 + n)) << size.width << " frame " << n;
    }
  }
}

TEST(Y4mCameraTest, FilesWithoutAWholeFrameAreNoCamera) {
  TempFile file(".y4m");
  std::ofstream(file.path, std::ios::binary) << "YUV4MPEG2 W4 H2\nFRAME\nshort";
  std::string error;
  EXPECT_FALSE(Y4mCamera::Open(file.path, &error));
  EXPECT_NE(error.find("no whole frame"), std::string::npos);
  EXPECT_FALSE(Y4mCamera::Open(file.path + ".missing", &error));
}

TEST(V4l2FormatsTest, OnlyFormatsThePipelineCarriesAreMapped) {
  EXPECT_EQ(MapV4l2PixelFormat(V4L2_PIX_FMT_YUYV)->pixels, PixelFormat::kYUY2);
  EXPECT_EQ(MapV4l2PixelFormat(V4L2_PIX_FMT_YUV420)->pixels, PixelFormat::kYV12);
  EXPECT_TRUE(MapV4l2PixelFormat(V4L2_PIX_FMT_YUV420)->swapChroma);
  EXPECT_FALSE(MapV4l2PixelFormat(V4L2_PIX_FMT_YVU420)->swapChroma);
  for (std::uint32_t jpeg : {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_JPEG}) {
    EXPECT_EQ(MapV4l2PixelFormat(jpeg)->pixels, PixelFormat::kYV12);
    EXPECT_TRUE(MapV4l2PixelFormat(jpeg)->jpeg);
  }
  EXPECT_FALSE(MapV4l2PixelFormat(V4L2_PIX_FMT_YUYV)->jpeg);
  EXPECT_FALSE(MapV4l2PixelFormat(V4L2_PIX_FMT_NV12));
  EXPECT_FALSE(MapV4l2PixelFormat(V4L2_PIX_FMT_UYVY));
}

TEST(V4l2FormatsTest, RangesOfferThePhoneAndHdSizesOnTheirSteps) {
  const std::vector<FrameSize> all = SizesInRange(16, 1920, 8, 16, 1080, 8);
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[2].width, 640);
  EXPECT_EQ(all[4].width, 1920);
  EXPECT_EQ(all[4].height, 1080);
  const std::vector<FrameSize> stepped = SizesInRange(160, 1920, 160, 120, 1080, 120);
  ASSERT_EQ(stepped.size(), 4u);  // 176 is not on a 160 step
  EXPECT_EQ(stepped[0].width, 320);
  const std::vector<FrameSize> hd = SizesInRange(800, 1920, 1, 600, 1080, 1);
  ASSERT_EQ(hd.size(), 2u);
  EXPECT_EQ(hd[0].width, 1280);
  EXPECT_EQ(SizesInRange(16, 1279, 1, 16, 1080, 1).size(), 3u);
}

TEST(V4l2FormatsTest, ASizeOfferedRawAndAsMotionJpegIsListedOnceAsRaw) {
  std::vector<CameraFormat> formats;
  std::vector<std::uint32_t> codes;
  const CameraFormat yv12_720{PixelFormat::kYV12, 1280, 720, 0};
  const CameraFormat yv12_1080{PixelFormat::kYV12, 1920, 1080, 0};
  OfferDeviceFormat(yv12_720, V4L2_PIX_FMT_MJPEG, &formats, &codes);
  OfferDeviceFormat(yv12_1080, V4L2_PIX_FMT_MJPEG, &formats, &codes);
  OfferDeviceFormat({PixelFormat::kYUY2, 1280, 720, 0}, V4L2_PIX_FMT_YUYV, &formats, &codes);
  OfferDeviceFormat(yv12_720, V4L2_PIX_FMT_YUV420, &formats, &codes);
  OfferDeviceFormat(yv12_720, V4L2_PIX_FMT_JPEG, &formats, &codes);
  ASSERT_EQ(formats.size(), 3u);
  ASSERT_EQ(codes.size(), 3u);
  EXPECT_EQ(codes[0], V4L2_PIX_FMT_YUV420);  // in the MJPG entry's place
  EXPECT_EQ(formats[1].width, 1920);
  EXPECT_EQ(codes[1], V4L2_PIX_FMT_MJPEG);
  EXPECT_EQ(codes[2], V4L2_PIX_FMT_YUYV);
}

TEST(V4l2FormatsTest, DevicePaddingIsDroppedAndYu12ChromaExchanged) {
  const CameraFormat format{PixelFormat::kYV12, 4, 2, 0};
  // Luma rows 8 bytes apart (4 used), chroma rows 4 apart (2 used), U first.
  const std::uint8_t device[] = {1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 0, 0, 0, 0,
                                 'u', 'U', 0, 0, 'v', 'V', 0, 0};
  std::uint8_t frame[12] = {};
  ASSERT_TRUE(CopyDeviceFrame(format, {PixelFormat::kYV12, true}, 8, device, sizeof device, frame));
  EXPECT_EQ(std::string(frame, frame + 12), std::string("\1\2\3\4\5\6\7\10vVuU"));
  EXPECT_FALSE(CopyDeviceFrame(format, {PixelFormat::kYV12, true}, 8, device, sizeof device - 1,
                               frame));

  const CameraFormat yuy2{PixelFormat::kYUY2, 2, 2, 0};
  const std::uint8_t packed[] = {1, 2, 3, 4, 9, 9, 5, 6, 7, 8};
  std::uint8_t out[8] = {};
  ASSERT_TRUE(CopyDeviceFrame(yuy2, {PixelFormat::kYUY2, false}, 6, packed, sizeof packed, out));
  EXPECT_EQ(std::string(out, out + 8), std::string("\1\2\3\4\5\6\7\10"));
}

TEST(CameraCatalogueTest, TheTestCameraIsFirstUnlessAnotherIsNamed) {
  ChooseCamera("");
  const std::vector<std::string> cameras = ListCameras();
  ASSERT_FALSE(cameras.empty());
  EXPECT_EQ(cameras[0], "test");
  ChooseCamera("/nonexistent/camera.y4m");
  EXPECT_TRUE(ListCameras().empty());

  phone::DEVMGR_DEVICE_INFORMATION info{};
  info.dwSize = sizeof info;
  EXPECT_EQ(phone::FindFirstDevice(phone::DeviceSearchByGuid, &phone::DEVCLASS_CAMERA_GUID, &info),
            nullptr);
  EXPECT_EQ(phone::DeviceSearchError(), 259u);
  ChooseCamera("test");
  phone::DeviceSearch search =
      phone::FindFirstDevice(phone::DeviceSearchByGuid, &phone::DEVCLASS_CAMERA_GUID, &info);
  ASSERT_NE(search, nullptr);
  EXPECT_NE(info.hDevice, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.szLegacyName)), u"test");
  EXPECT_TRUE(phone::FindClose(search));
  info.dwSize = 8;  // a record of another size is refused
  EXPECT_EQ(phone::FindFirstDevice(phone::DeviceSearchByGuid, &phone::DEVCLASS_CAMERA_GUID, &info),
            nullptr);
  ChooseCamera("");
}

// The capture filter driven as the phone drives it, into a real sender.
class CaptureFilterTest : public ::testing::Test {
 protected:
  CaptureFilterTest() {
    RegisterCaptureFilterClass();
    EXPECT_EQ(CoCreateInstance(phone::CLSID_VideoCapture, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               filter_.ReceiveVoid()),
              S_OK);
  }

  HRESULT Load(LPCWSTR name) {
    ComRef<IPersistPropertyBag> persist;
    EXPECT_EQ(filter_->QueryInterface(IID_IPersistPropertyBag, persist.ReceiveVoid()), S_OK);
    auto bag = ComRef<IPropertyBag>::Adopting(phone::PropertyBag::Create());
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(name);
    bag->Write(ORLIN_TEXT("VCapName"), &value);
    VariantClear(&value);
    return persist->Load(bag.Get(), nullptr);
  }

  ComRef<IPin> Pin() {
    ComRef<IEnumPins> pins;
    EXPECT_EQ(filter_->EnumPins(pins.Receive()), S_OK);
    ComRef<IPin> pin;
    EXPECT_EQ(pins->Next(1, pin.Receive(), nullptr), S_OK);
    IPin* more = nullptr;
    EXPECT_EQ(pins->Next(1, &more, nullptr), S_FALSE);
    return pin;
  }

  long Delivered() { return static_cast<CaptureFilter*>(filter_.Get())->FramesDelivered(); }

  // The sender's pin is not counted: it must outlive the filter connected to it.
  phone::FrameSender sender_;
  ComRef<IBaseFilter> filter_;
};

TEST_F(CaptureFilterTest, UnknownCameraNameFailsTheLoad) {
  EXPECT_EQ(Load(ORLIN_TEXT("/nonexistent/camera.y4m")), HRESULT_FROM_WIN32(2));
  EXPECT_EQ(Pin()->Connect(sender_.InputPin(), nullptr), VFW_E_NO_TYPES);
}

TEST_F(CaptureFilterTest, ConnectProposesEveryTypeInOrderUntilOneIsTaken) {
  ASSERT_EQ(Load(ORLIN_TEXT("test")), S_OK);
  phone::VideoFormat list[phone::kMaxVideoFormats];
  sender_.AttachFormatList(list);
  sender_.SetDetecting(true);
  EXPECT_EQ(Pin()->Connect(sender_.InputPin(), nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  ASSERT_EQ(sender_.DetectedFormatCount(), 11);
  EXPECT_EQ(list[6].FourCC, kSubtypeRGB565.Data1);
  EXPECT_EQ(list[2].Width, 640);
  EXPECT_EQ(list[8].Width, 1920);
  EXPECT_EQ(list[8].Height, 1080);

  sender_.SetDetecting(false);
  sender_.SetFormat(list[4]);
  ASSERT_EQ(Pin()->Connect(sender_.InputPin(), nullptr), S_OK);
  EXPECT_EQ(sender_.SampleSize(), 320 * 240 * 2);
  EXPECT_EQ(Pin()->Connect(sender_.InputPin(), nullptr), VFW_E_ALREADY_CONNECTED);
  AM_MEDIA_TYPE type;
  ASSERT_EQ(Pin()->ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype.Data1, wire::kFourCC_YUY2);
  CoTaskMemFree(type.pbFormat);
}

TEST_F(CaptureFilterTest, RunDeliversAboutThirtyFramesASecondUntilStopped) {
  ASSERT_EQ(Load(ORLIN_TEXT("test")), S_OK);
  EXPECT_EQ(filter_->Run(0), VFW_E_NOT_CONNECTED);
  ASSERT_EQ(Pin()->Connect(sender_.InputPin(), nullptr), S_OK);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(filter_->Run(0), S_OK);
  EXPECT_EQ(Pin()->Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_EQ(Load(ORLIN_TEXT("test")), VFW_E_NOT_STOPPED);
  EXPECT_TRUE(WaitUntil([&] { return Delivered() >= 15; }));
  ASSERT_EQ(filter_->Stop(), S_OK);
  const long frames = Delivered();
  // Never faster than the camera's rate: one frame at the start and one every
  // 1/30 s after, with at most one more caught up after a stall. A slow
  // machine only delivers fewer.
  const auto ran = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  EXPECT_LE(frames, 2 + ran.count() * 30 / 1000) << "in " << ran.count() << " ms";
  // Stop has ended the streaming thread: no frame follows it.
  FILTER_STATE state = State_Running;
  EXPECT_EQ(filter_->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_EQ(Delivered(), frames);
  EXPECT_EQ(Pin()->Disconnect(), S_OK);
  EXPECT_EQ(Pin()->Disconnect(), S_FALSE);
}

}  // namespace
}  // namespace orlin::test
