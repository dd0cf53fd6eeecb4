// The phone's headers first: they bring Winsock in before windows.h does.
#include "phone/frame_sender.h"
#include "tests/phone/support/camera_script.h"
#include "tests/support/wait.h"

#include "tests/wine/capture_app.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <unordered_map>

namespace orlin::wine_test {

// ---- Settings ----

void StorePcFormat(const PcFormat& format) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tessaly\\Orlin\\VideoFormat", 0, nullptr, 0,
                            KEY_WRITE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const auto dword = [key](const wchar_t* name, DWORD value) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
  };
  EXPECT_EQ(RegSetValueExW(key, L"FourCC", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&format.fourCC),
                           sizeof format.fourCC),
            ERROR_SUCCESS);
  dword(L"Width", format.width);
  dword(L"Height", format.height);
  dword(L"BitsPerPixel", format.bitsPerPixel);
  dword(L"Compression", format.compression);
  dword(L"PixelCorrection", 0);
  dword(L"SwapUV", format.swapUV);
  RegCloseKey(key);
}

// ---- The library ----

OrlinLibrary::OrlinLibrary() : module_(LoadLibraryW(L"Orlin.dll")) {
  if (module_ == nullptr) return;
  const auto find = [this](const char* name) {
    return reinterpret_cast<Export>(reinterpret_cast<void (*)()>(GetProcAddress(module_, name)));
  };
  register_ = find("DllRegisterServer");
  unregister_ = find("DllUnregisterServer");
  can_unload_now_ = find("DllCanUnloadNow");
}

OrlinLibrary::~OrlinLibrary() {
  if (module_ != nullptr) FreeLibrary(module_);
}

HRESULT OrlinLibrary::Register() const { return register_ != nullptr ? register_() : E_FAIL; }
HRESULT OrlinLibrary::Unregister() const { return unregister_ != nullptr ? unregister_() : E_FAIL; }
HRESULT OrlinLibrary::CanUnloadNow() const { return can_unload_now_ != nullptr ? can_unload_now_() : E_FAIL; }

// ---- Finding the camera ----

int FindVideoInputDevice(const wchar_t* name, IMoniker** found) {
  ComRef<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                              devices.ReceiveVoid()))) {
    ADD_FAILURE() << "no system device enumerator";
    return 0;
  }
  ComRef<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, monikers.Receive(), 0) != S_OK) return 0;
  int count = 0;
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    bool match = false;
    ComRef<IPropertyBag> bag;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()))) {
      VARIANT value;
      VariantInit(&value);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
        match = std::wcscmp(value.bstrVal, name) == 0;
      }
      VariantClear(&value);
    }
    if (match && count++ == 0 && found != nullptr) {
      *found = moniker;
    } else {
      moniker->Release();
    }
  }
  return count;
}

HRESULT CreateCamera(IBaseFilter** camera) {
  *camera = nullptr;
  ComRef<IMoniker> moniker;
  if (FindVideoInputDevice(L"Orlin Camera", moniker.Receive()) != 1) return E_FAIL;
  return moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(camera));
}

IPin* FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
  ComRef<IEnumPins> pins;
  if (FAILED(filter->EnumPins(pins.Receive()))) return nullptr;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION d;
    if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) return pin;
    pin->Release();
  }
  return nullptr;
}

// ---- The grabber's callback ----

void GrabberLog::UseClock(IReferenceClock* clock) {
  std::lock_guard lock(lock_);
  clock_ = clock;
}

std::size_t GrabberLog::Count() const {
  std::lock_guard lock(lock_);
  return samples_.size();
}

std::vector<Seen> GrabberLog::Samples() const {
  std::lock_guard lock(lock_);
  return samples_;
}

void GrabberLog::Clear() {
  std::lock_guard lock(lock_);
  samples_.clear();
}

bool GrabberLog::WaitFor(std::size_t count, std::chrono::milliseconds timeout) const {
  return orlin::test::WaitUntil([&] { return Count() >= count; }, timeout);
}

HRESULT GrabberLog::QueryInterface(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_ISampleGrabberCB)) return E_NOINTERFACE;
  *ppv = static_cast<ISampleGrabberCB*>(this);
  AddRef();
  return S_OK;
}

HRESULT GrabberLog::SampleCB(double, IMediaSample* sample) {
  Seen seen;
  seen.thread = GetCurrentThreadId();
  seen.timeResult = sample->GetTime(&seen.start, &seen.end);
  std::lock_guard lock(lock_);
  if (clock_ != nullptr) clock_->GetTime(&seen.clockNow);
  BYTE* data = nullptr;
  if (keep_bytes_ && SUCCEEDED(sample->GetPointer(&data)) && data != nullptr) {
    seen.bytes.assign(data, data + sample->GetActualDataLength());
  }
  samples_.push_back(std::move(seen));
  return S_OK;
}

HRESULT GrabberLog::BufferCB(double, BYTE*, LONG) { return E_NOTIMPL; }

// ---- The phone ----

struct Phone::Sender {
  phone::FrameSender sender;
  IMemInputPin* input = nullptr;
};

Phone::Phone(std::uint32_t cameraFourCC, int width, int height, std::size_t frameBytes, bool compress,
             MakeFrame make)
    : sender_(new Sender), make_(std::move(make)), frame_bytes_(frameBytes) {
  sender_->sender.SetDestinationAddress(L"127.0.0.1");
  sender_->sender.SetCodecRequest(compress ? 1 : 0, 0, 0);
  test::CameraScript camera;
  camera.OfferVideo(cameraFourCC, width, height, std::int32_t(frameBytes));
  EXPECT_EQ(camera.ConnectTo(sender_->sender.InputPin()), S_OK);
  EXPECT_EQ(sender_->sender.OpenNetwork(), S_OK);
  EXPECT_EQ(sender_->sender.InputPin()->QueryInterface(IID_IMemInputPin,
                                                        reinterpret_cast<void**>(&sender_->input)),
            S_OK);
}

Phone::~Phone() {
  Stop();
  if (sender_->input != nullptr) sender_->input->Release();
  sender_->sender.CloseNetwork();
  delete sender_;
}

void Phone::Start() {
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void Phone::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

std::uint64_t Phone::FramesInPieces() const { return sender_->sender.FramesInPieces(); }

std::vector<Bytes> Phone::SentFrames() const {
  std::lock_guard lock(lock_);
  return frames_;
}

void Phone::Run() {
  constexpr auto kInterval = std::chrono::microseconds(33333);
  auto next = Clock::now();
  for (int i = 0; !stop_; ++i) {
    Bytes frame = make_(i);
    frame.resize(frame_bytes_);
    test::TestSample sample(frame);
    if (sender_->input != nullptr) sender_->input->Receive(&sample);
    {
      std::lock_guard lock(lock_);
      frames_.push_back(std::move(frame));  // as sent: raw chunks carry their counters
    }
    ++sent_;
    next += kInterval;
    std::this_thread::sleep_until(next);
  }
}

// ---- Checks ----

Bytes Gradient(std::size_t size, int phase) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = std::uint8_t((i / 7 + std::size_t(phase) * 13) % 200 + 20);
  }
  return bytes;
}

Matches MatchFrames(const std::vector<Seen>& seen, const std::vector<Bytes>& frames) {
  std::unordered_map<std::string_view, std::size_t> index;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    index.emplace(std::string_view(reinterpret_cast<const char*>(frames[i].data()), frames[i].size()), i);
  }
  Matches matches;
  std::vector<bool> found(frames.size(), false);
  for (const Seen& s : seen) {
    const auto hit = index.find(std::string_view(reinterpret_cast<const char*>(s.bytes.data()), s.bytes.size()));
    if (hit == index.end()) continue;
    ++matches.samples;
    if (!found[hit->second]) ++matches.distinct;
    found[hit->second] = true;
  }
  return matches;
}

bool ThreadEnded(DWORD id) {
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
  if (thread == nullptr) return true;
  const bool ended = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace orlin::wine_test
