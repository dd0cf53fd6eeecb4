// The camera pin's format negotiation with arbitrary media types and format
// blocks: QueryAccept (CheckMediaType), ReceiveConnection, Connect to a
// downstream pin, and IAMStreamConfig::SetFormat. A filter is made at start
// from each of the stored settings in camera_settings.h; the input picks one.
//
// Input: filter choice, the source of each GUID (the pin's own, GUID_NULL, 16
// bytes of input, or a well-known GUID of another kind), the sample fields, whether the
// format block is missing, then the format block itself (the rest).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "filter/framework/base_object.h"
#include "orlin/com_ref.h"
#include "filter/framework/media_type.h"
#include "filter/orlin_filter.h"
#include "filter/orlin_stream.h"
#include "filter/orlin_stream_format.h"
#include "fuzz/camera_settings.h"
#include "fuzz/fuzz_input.h"
#include "tests/filter/orlin_test_sink.h"

namespace {

using namespace orlin::filter;
using orlin::settings::VideoFormatSettings;
using orlin::settings::WriteVideoFormatSettings;
using orlin::ComRef;
using orlin::framework::CMediaType;
using orlin::framework::CUnknown;
using orlin::framework::CopyMediaType;
using orlin::framework::DeleteMediaType;
using orlin::framework::MediaTypesEqual;

struct Camera {
  ComRef<IBaseFilter> filter;
  ComRef<IPin> pin;
  ComRef<IAMStreamConfig> config;
  CMediaType own;  // the pin's one media type
};

constexpr int kCameras = orlin::fuzz::kCameraCount;
Camera* g_cameras = nullptr;

bool MakeCamera(const VideoFormatSettings& settings, Camera& camera) {
  if (WriteVideoFormatSettings(settings) != ERROR_SUCCESS) return false;
  HRESULT hr = S_OK;
  CUnknown* object = OrlinFilter::CreateInstance(nullptr, &hr);
  if (object == nullptr || FAILED(hr)) return false;
  object->NonDelegatingAddRef();
  hr = object->NonDelegatingQueryInterface(IID_IBaseFilter, camera.filter.ReceiveVoid());
  object->NonDelegatingRelease();
  if (FAILED(hr)) return false;
  if (FAILED(camera.filter->FindPin(ORLIN_TEXT("1"), camera.pin.Receive()))) return false;
  if (FAILED(camera.pin->QueryInterface(IID_IAMStreamConfig, camera.config.ReceiveVoid()))) {
    return false;
  }
  AM_MEDIA_TYPE* type = nullptr;
  if (FAILED(camera.config->GetFormat(&type))) return false;
  CopyMediaType(&camera.own, type);
  DeleteMediaType(type);
  return true;
}

GUID TakeGuid(orlin::fuzz::Input& in, int source, const GUID& own, const GUID& other) {
  switch (source & 3) {
    case 0: return own;
    case 1: return GUID_NULL;
    case 2: {
      GUID guid{};
      std::size_t taken = 0;
      const std::uint8_t* bytes = in.Take(sizeof guid, &taken);
      std::memcpy(&guid, bytes, taken);
      return guid;
    }
    default: return other;
  }
}

REFERENCE_TIME CurrentInterval(Camera& camera) {
  AM_MEDIA_TYPE* type = nullptr;
  if (FAILED(camera.config->GetFormat(&type))) std::abort();
  const auto interval = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat)->AvgTimePerFrame;
  DeleteMediaType(type);
  return interval;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string hive = "/tmp/orlin-media-type-fuzz-" + std::to_string(::getpid()) + ".reg";
  ::setenv("ORLIN_PC_REGISTRY", hive.c_str(), 1);
  // COM on this thread for the life of the process, as a host has it.
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) std::abort();
  g_cameras = new Camera[kCameras];
  for (int i = 0; i < kCameras; ++i) {
    if (!MakeCamera(orlin::fuzz::kCameraSettings[i], g_cameras[i])) std::abort();
  }
  std::remove(hive.c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orlin::fuzz::Input in(data, size);
  Camera& camera = g_cameras[in.Take8() % kCameras];
  const std::uint8_t sources = in.Take8();

  AM_MEDIA_TYPE type{};
  type.majortype = TakeGuid(in, sources, camera.own.majortype, MEDIASUBTYPE_RGB24);
  type.subtype = TakeGuid(in, sources >> 2, camera.own.subtype, MEDIASUBTYPE_RGB24);
  type.formattype = TakeGuid(in, sources >> 4, camera.own.formattype, MEDIATYPE_Video);
  const bool noBlock = (sources & 0x40) != 0;
  type.bFixedSizeSamples = in.Take8() & 1;
  type.bTemporalCompression = in.Take8() & 1;
  type.lSampleSize = in.Take32();

  // The block holds exactly the bytes cbFormat claims, so reading past them is
  // an address error; or there is no block though cbFormat says otherwise.
  std::unique_ptr<BYTE[]> block;
  if (noBlock) {
    type.cbFormat = in.Take32();
    type.pbFormat = nullptr;
  } else {
    type.cbFormat = ULONG(in.Remaining());
    block = std::make_unique<BYTE[]>(type.cbFormat == 0 ? 1 : type.cbFormat);
    std::memcpy(block.get(), in.Rest(), type.cbFormat);
    type.pbFormat = type.cbFormat == 0 ? nullptr : block.get();
  }

  const HRESULT accepted = camera.pin->QueryAccept(&type);
  if (accepted == S_OK && !MediaTypesEqual(type, camera.own)) std::abort();

  orlin::filter::test::RecordingSink sink;
  if (camera.pin->ReceiveConnection(&sink, &type) == S_OK) camera.pin->Disconnect();
  if (SUCCEEDED(camera.pin->Connect(&sink, &type))) {
    camera.pin->Disconnect();
    sink.Disconnect();
  }

  if (camera.config->SetFormat(&type) == S_OK) {
    const REFERENCE_TIME interval = CurrentInterval(camera);
    if (interval < kMinFrameInterval || interval > kMaxFrameInterval) std::abort();
  }
  // Each input starts from the stored format.
  if (camera.config->SetFormat(&camera.own) != S_OK) std::abort();
  if (CurrentInterval(camera) != kMinFrameInterval) std::abort();
  return 0;
}
