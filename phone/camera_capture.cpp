// CameraCapture: finding the camera, starting, detecting its formats,
// restarting and stopping.
#include "phone/camera_capture.h"

#include <new>

#include "orlin/automation.h"
#include "orlin/registry.h"
#include "phone/camera_capture_classes.h"
#include "phone/cameras/device_manager.h"
#include "phone/property_bag.h"

namespace orlin::phone {
namespace {

constexpr WCHAR kApplicationTitle[] = ORLIN_TEXT("Orlin");
constexpr OLECHAR kDeviceNameProperty[] = ORLIN_TEXT("VCapName");

// Owns a VARIANT and clears it on every way out.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};

}  // namespace

CameraCapture::CameraCapture() : message_caption_(kApplicationTitle) {
  // This object is the phone: its settings are never the PC's.
  platform::SelectRegistryHive(platform::RegistryHive::kPhone);
}

CameraCapture::~CameraCapture() { StopCapture(); }

void CameraCapture::SetMessageOwner(HWND owner, LPCWSTR caption) {
  message_owner_ = owner;
  message_caption_ = caption != nullptr ? caption : kApplicationTitle;
  if (sender_) sender_->SetMessageOwner(message_owner_, message_caption_);
}

void CameraCapture::ShowError(LPCWSTR text) const {
  ShowMessage(message_owner_, text, message_caption_, MB_OK | MB_ICONERROR);
}

HRESULT CameraCapture::FirstPin(ComRef<IPin>* pin) const {
  ComRef<IEnumPins> pins;
  HRESULT hr = camera_->EnumPins(pins.Receive());
  if (FAILED(hr)) return hr;
  if (!pins) return E_POINTER;
  hr = pins->Next(1, pin->Receive(), nullptr);
  if (FAILED(hr)) return hr;
  // A filter without pins answers S_FALSE and hands out nothing.
  return *pin ? S_OK : VFW_E_NOT_FOUND;
}

HRESULT CameraCapture::FindCamera(WCHAR* name) {
  if (name == nullptr) return E_POINTER;
  name[0] = 0;
  DEVMGR_DEVICE_INFORMATION device{};
  device.dwSize = sizeof device;
  const DeviceSearch search = FindFirstDevice(DeviceSearchByGuid, &DEVCLASS_CAMERA_GUID, &device);
  HRESULT hr = S_OK;
  if (search != nullptr && device.hDevice != nullptr) {
    // Only the first camera device is ever used.
    int i = 0;
    for (; i < kCameraNameChars - 1 && device.szLegacyName[i] != 0; ++i) {
      name[i] = device.szLegacyName[i];
    }
    name[i] = 0;
  } else {
    ShowError(ORLIN_TEXT("Camera not found"));
    hr = HRESULT_FROM_WIN32(DeviceSearchError());
    // A search that failed without an error must still fail the start.
    if (SUCCEEDED(hr)) hr = E_FAIL;
  }
  if (search != nullptr) FindClose(search);
  return hr;
}

HRESULT CameraCapture::StartCapture(VideoFormat* unofferedFormat) {
  if (unofferedFormat != nullptr) *unofferedFormat = VideoFormat{};
  // A second start begins afresh rather than leave a camera wired to a sender
  // that is about to be replaced.
  if (sender_) StopCapture();
  const HRESULT hr = StartSteps(unofferedFormat);
  if (FAILED(hr)) ShowError(ORLIN_TEXT("Starting the capture failed"));
  return hr;
}

// Each step only when all before it succeeded. What was made before a failure
// (the camera filter, the sender) stays; the rest is released on the way out.
HRESULT CameraCapture::StartSteps(VideoFormat* unofferedFormat) {
  HRESULT hr = CoCreateInstance(CLSID_VideoCapture, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                camera_.ReceiveVoid());
  if (FAILED(hr)) return hr;
  if (!camera_) return E_POINTER;

  ComRef<IPersistPropertyBag> persist;
  hr = camera_->QueryInterface(IID_IPersistPropertyBag, persist.ReceiveVoid());
  if (FAILED(hr)) return hr;

  WCHAR device[kCameraNameChars];
  hr = FindCamera(device);
  if (FAILED(hr)) return hr;

  ScopedVariant name;
  name.Get()->vt = VT_BSTR;
  name.Get()->bstrVal = SysAllocString(device);
  if (name.Get()->bstrVal == nullptr) return E_OUTOFMEMORY;

  auto bag = ComRef<IPropertyBag>::Adopting(PropertyBag::Create());
  if (!bag) return E_OUTOFMEMORY;
  hr = bag->Write(kDeviceNameProperty, name.Get());
  if (FAILED(hr)) return hr;
  hr = persist->Load(bag.Get(), nullptr);
  if (FAILED(hr)) return hr;

  try {
    sender_ = std::make_unique<FrameSender>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  sender_->SetMessageOwner(message_owner_, message_caption_);
  sender_->SetFormat(VideoFormat{});
  sender_->SetDestinationAddress(kDefaultDestination);
  sender_->SetDestinationPort(destination_port_);
  sender_->SetAnnouncementPort(announcement_port_);
  sender_->SetChunkSpread(chunk_spread_);
  sender_->SetCodecRequest(1, 0, 2);
  LoadVideoFormat();
  LoadDestination();
  LoadCodecSettings();

  ComRef<IPin> pin;
  hr = FirstPin(&pin);
  if (FAILED(hr)) return hr;
  hr = ConnectCamera(pin.Get(), unofferedFormat);
  if (FAILED(hr)) return hr;
  hr = sender_->OpenNetwork();
  if (FAILED(hr)) return hr;
  return camera_->Run(0);
}

HRESULT CameraCapture::ConnectCamera(IPin* pin, VideoFormat* unofferedFormat) {
  // The camera pin proposes its types; the sender's pin takes the chosen one.
  HRESULT hr = pin->Connect(sender_->InputPin(), nullptr);
  const VideoFormat stored = sender_->Format();
  if (hr != VFW_E_NO_ACCEPTABLE_TYPES || unofferedFormat == nullptr || stored.FourCC == 0) {
    return hr;
  }
  // With no format set the sender's pin takes the first type offered.
  sender_->SetFormat(VideoFormat{});
  hr = pin->Connect(sender_->InputPin(), nullptr);
  if (SUCCEEDED(hr)) {
    *unofferedFormat = stored;
  } else {
    sender_->SetFormat(stored);
  }
  return hr;
}

HRESULT CameraCapture::StopCapture() {
  if (camera_) camera_->Stop();
  if (sender_) {
    // The camera keeps no hold on a pin that is about to go.
    ComRef<IPin> pin;
    if (camera_ && SUCCEEDED(FirstPin(&pin))) pin->Disconnect();
    sender_->CloseNetwork();
    sender_.reset();
  }
  format_list_.reset();
  return S_OK;
}

HRESULT CameraCapture::DetectFormats() {
  if (!camera_ || !sender_) return E_UNEXPECTED;
  HRESULT hr = camera_->Stop();
  ComRef<IPin> pin;
  if (SUCCEEDED(hr)) hr = FirstPin(&pin);
  if (SUCCEEDED(hr)) hr = pin->Disconnect();
  if (FAILED(hr)) {
    ShowError(ORLIN_TEXT("Detecting video formats failed"));
    return hr;
  }
  sender_->SetDetecting(true);
  // Every type is recorded and refused, so this connection fails by design.
  pin->Connect(sender_->InputPin(), nullptr);
  return S_OK;
}

bool CameraCapture::ListVideoFormats(const VideoFormat** list, int* count, int* current) {
  if (list == nullptr || count == nullptr || current == nullptr) return false;
  *list = nullptr;
  *count = 0;
  *current = -1;
  std::unique_ptr<VideoFormat[]> buffer(new (std::nothrow) VideoFormat[kMaxVideoFormats]);
  if (!buffer) return false;
  // The sender refers to the newest list only; the one before it goes now.
  if (sender_) sender_->AttachFormatList(buffer.get());
  format_list_ = std::move(buffer);
  *list = format_list_.get();
  if (!sender_ || FAILED(DetectFormats())) return true;

  *count = sender_->DetectedFormatCount();
  const VideoFormat inForce = sender_->Format();
  for (int i = 0; i < *count; ++i) {
    if (SameFormat(format_list_[i], inForce)) {
      *current = i;
      break;
    }
  }
  return true;
}

HRESULT CameraCapture::RestartCapture() {
  if (!camera_ || !sender_) return S_FALSE;  // nothing was started to restart
  sender_->SetDetecting(false);
  LoadVideoFormat();

  // The camera is stopped and unconnected after a detection; after one whose
  // stop failed it may be neither, and it is reconnected only once stopped.
  HRESULT hr = camera_->Stop();
  ComRef<IPin> pin;
  if (SUCCEEDED(hr)) hr = FirstPin(&pin);
  if (SUCCEEDED(hr)) {
    pin->Disconnect();
    hr = pin->Connect(sender_->InputPin(), nullptr);
  }
  if (SUCCEEDED(hr)) {
    // A start that failed at its connection never opened the network: the
    // camera would run and nothing would go out.
    if (sender_->NetworkOpen()) {
      sender_->SizeSendBuffers();
    } else {
      hr = sender_->OpenNetwork();
    }
  }
  if (SUCCEEDED(hr)) hr = camera_->Run(0);
  if (FAILED(hr)) ShowError(ORLIN_TEXT("Restarting the capture failed"));
  return hr;
}

}  // namespace orlin::phone
