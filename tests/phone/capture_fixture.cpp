#include "tests/phone/capture_fixture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "phone/cameras/camera_catalogue.h"
#include "phone/cameras/capture_filter.h"
#include "phone/cameras/capture_filter_class.h"
#include "tests/support/wait.h"

namespace orlin::test {
namespace {

std::u16string Text(LPCWSTR text) {
  std::u16string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char16_t>(*text);
  return out;
}

// Set before the capture selects the hive; every test gets a fresh file.
std::string FreshHive() {
  static int serial = 0;
  const std::string path = ::testing::TempDir() + "phone-" + std::to_string(::getpid()) + "-" +
                           std::to_string(++serial) + ".reg";
  std::remove(path.c_str());
  ::setenv("ORLIN_PHONE_REGISTRY", path.c_str(), 1);
  phone::cameras::RegisterCaptureFilterClass();
  phone::cameras::ChooseCamera("test");
  return path;
}

}  // namespace

CaptureFixture::CaptureFixture()
    : hive_path_(FreshHive()),
      hook_([this](HWND, LPCWSTR text, LPCWSTR, UINT) {
        std::lock_guard<std::mutex> guard(message_lock_);
        messages_.push_back(Text(text));
        return IDOK;
      }) {
  EXPECT_TRUE(pc_.Bound());
  capture_.SetDestinationPort(pc_.Port());
  capture_.SetAnnouncementPort(0);
}

CaptureFixture::~CaptureFixture() {
  capture_.StopCapture();
  phone::cameras::ChooseCamera("");
  std::remove(hive_path_.c_str());
}

void CaptureFixture::StoreBytes(LPCWSTR key, LPCWSTR name, DWORD type, const void* data,
                                DWORD bytes) {
  platform::RegistryKey opened;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_WRITE, nullptr, opened.Receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(opened.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
}

void CaptureFixture::StoreDword(LPCWSTR key, LPCWSTR name, DWORD value) {
  StoreBytes(key, name, REG_DWORD, &value, sizeof value);
}

void CaptureFixture::StoreFormat(std::uint32_t fourCC, DWORD width, DWORD height) {
  StoreBytes(phone::kVideoFormatKey, ORLIN_TEXT("FourCC"), REG_BINARY, &fourCC, sizeof fourCC);
  StoreDword(phone::kVideoFormatKey, ORLIN_TEXT("Width"), width);
  StoreDword(phone::kVideoFormatKey, ORLIN_TEXT("Height"), height);
}

std::vector<std::u16string> CaptureFixture::Messages() {
  std::lock_guard<std::mutex> guard(message_lock_);
  return messages_;
}

long CaptureFixture::FramesDelivered() const {
  IBaseFilter* camera = capture_.Camera();
  if (camera == nullptr) return 0;
  return static_cast<phone::cameras::CaptureFilter*>(camera)->FramesDelivered();
}

bool CaptureFixture::WaitForFrames(long frames) {
  const long target = FramesDelivered() + frames;
  return WaitUntil([&] { return FramesDelivered() >= target; });
}

bool CaptureFixture::CameraStreaming() const {
  IBaseFilter* camera = capture_.Camera();
  FILTER_STATE state = State_Stopped;
  return camera != nullptr && camera->GetState(0, &state) == S_OK && state == State_Running;
}

}  // namespace orlin::test
