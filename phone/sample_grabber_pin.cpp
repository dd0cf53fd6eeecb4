#include "phone/sample_grabber_pin.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "phone/frame_sender.h"

namespace orlin::phone {
namespace {

constexpr WCHAR kPinName[] = ORLIN_TEXT("SampleGrabberPin");

// What a video media type with a VIDEOINFOHEADER says about the frames.
struct OfferedFormat {
  VideoFormat format;
  std::int32_t sampleSize = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint64_t frameInterval = 0;  // 100 ns units; 0 when not said
};

// False unless the type is video described by a whole VIDEOINFOHEADER.
bool ReadOfferedFormat(const AM_MEDIA_TYPE& mediaType, OfferedFormat* offered) {
  if (!IsEqualGUID(mediaType.majortype, MEDIATYPE_Video)) return false;
  if (!IsEqualGUID(mediaType.formattype, FORMAT_VideoInfo)) return false;
  if (mediaType.pbFormat == nullptr || mediaType.cbFormat < sizeof(VIDEOINFOHEADER)) return false;
  VIDEOINFOHEADER info;
  std::memcpy(&info, mediaType.pbFormat, sizeof info);  // the block need not be aligned
  offered->format.FourCC = mediaType.subtype.Data1;
  offered->format.Width = static_cast<std::uint16_t>(info.bmiHeader.biWidth);
  // Top-down frames have a negative height; widened first so that the most
  // negative value does not overflow.
  offered->format.Height =
      static_cast<std::uint16_t>(std::llabs(static_cast<long long>(info.bmiHeader.biHeight)));
  offered->sampleSize = static_cast<std::int32_t>(mediaType.lSampleSize);
  offered->bitsPerPixel = info.bmiHeader.biBitCount;
  // A camera that leaves the bit count out still says how large a frame is:
  // the PC's settings need the bits per pixel that give that size.
  const long long pixels = static_cast<long long>(offered->format.Width) * offered->format.Height;
  if (offered->bitsPerPixel == 0 && pixels > 0 && offered->sampleSize > 0) {
    offered->bitsPerPixel = static_cast<std::uint32_t>(offered->sampleSize * 8LL / pixels);
  }
  offered->frameInterval =
      info.AvgTimePerFrame > 0 ? static_cast<std::uint64_t>(info.AvgTimePerFrame) : 0;
  return true;
}

}  // namespace

// --- IUnknown ---

// The pin lives as long as its sender; references are not counted.
ULONG STDMETHODCALLTYPE SampleGrabberPin::AddRef() { return 1; }
ULONG STDMETHODCALLTYPE SampleGrabberPin::Release() { return 1; }

// --- IPin ---

HRESULT STDMETHODCALLTYPE SampleGrabberPin::Connect(IPin*, const AM_MEDIA_TYPE*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::ReceiveConnection(IPin*,
                                                              const AM_MEDIA_TYPE* mediaType) {
  if (mediaType == nullptr) return E_POINTER;
  OfferedFormat offered;
  if (!ReadOfferedFormat(*mediaType, &offered)) return E_FAIL;

  if (sender_.Detecting()) {
    // Recorded and refused, so that the camera offers its next type. A full or
    // missing list drops the entry.
    sender_.AddDetectedFormat(offered.format.FourCC, offered.format.Width, offered.format.Height);
    return E_FAIL;
  }
  // Without a positive sample size there is no chunk geometry to send with.
  if (offered.sampleSize <= 0) return E_FAIL;

  const VideoFormat chosen = sender_.Format();
  if (chosen.FourCC == 0) {
    sender_.SetFormat(offered.format);
  } else if (!SameFormat(chosen, offered.format)) {
    return E_FAIL;
  }
  sender_.SetSampleSize(offered.sampleSize);
  sender_.SetTypeDetails(offered.bitsPerPixel, offered.frameInterval);
  sender_.ApplyConnectedFormat();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::Disconnect() { return S_OK; }

HRESULT STDMETHODCALLTYPE SampleGrabberPin::ConnectedTo(IPin**) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE SampleGrabberPin::ConnectionMediaType(AM_MEDIA_TYPE*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) return E_POINTER;
  // The owning filter is the sender; it is not reference counted either.
  info->pFilter = &sender_;
  info->dir = PINDIR_INPUT;
  static_assert(sizeof kPinName <= sizeof info->achName);
  std::memset(info->achName, 0, sizeof info->achName);
  std::memcpy(info->achName, kPinName, sizeof kPinName);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::QueryAccept(const AM_MEDIA_TYPE*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE SampleGrabberPin::EndOfStream() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE SampleGrabberPin::BeginFlush() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE SampleGrabberPin::EndFlush() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE SampleGrabberPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
  return E_NOTIMPL;
}

// --- IMemInputPin ---

HRESULT STDMETHODCALLTYPE SampleGrabberPin::GetAllocator(IMemAllocator**) { return E_NOTIMPL; }

// Frames are sent straight from the camera's buffers; the allocator is not kept.
HRESULT STDMETHODCALLTYPE SampleGrabberPin::NotifyAllocator(IMemAllocator*, BOOL) { return S_OK; }

HRESULT STDMETHODCALLTYPE SampleGrabberPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::Receive(IMediaSample* sample) {
  return sender_.SendSample(sample);
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::ReceiveMultiple(IMediaSample**, LONG, LONG*) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE SampleGrabberPin::ReceiveCanBlock() { return E_NOTIMPL; }

}  // namespace orlin::phone
