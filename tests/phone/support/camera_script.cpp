#include "tests/phone/support/camera_script.h"

namespace orlin::test {

std::unique_ptr<OfferedType> VideoType(std::uint32_t fourCC, std::int32_t width,
                                       std::int32_t height, std::int32_t sampleSize) {
  auto offered = std::make_unique<OfferedType>();
  AM_MEDIA_TYPE& type = offered->type;
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_YV12;  // the FourCC family's tail
  type.subtype.Data1 = fourCC;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = static_cast<ULONG>(sampleSize);
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  type.pbFormat = reinterpret_cast<BYTE*>(&offered->info);
  BITMAPINFOHEADER& header = offered->info.bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biCompression = fourCC;
  header.biSizeImage = static_cast<DWORD>(sampleSize);
  return offered;
}

OfferedType& CameraScript::Offer(std::unique_ptr<OfferedType> type) {
  types_.push_back(std::move(type));
  return *types_.back();
}

OfferedType& CameraScript::OfferVideo(std::uint32_t fourCC, std::int32_t width,
                                      std::int32_t height, std::int32_t sampleSize) {
  return Offer(VideoType(fourCC, width, height, sampleSize));
}

HRESULT CameraScript::ConnectTo(IPin* pin) {
  accepted_ = -1;
  offered_ = 0;
  for (const auto& offered : types_) {
    ++offered_;
    if (pin->ReceiveConnection(nullptr, &offered->type) == S_OK) {
      accepted_ = offered_ - 1;
      return S_OK;
    }
  }
  return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT STDMETHODCALLTYPE TestSample::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IMediaSample)) return E_NOINTERFACE;
  *object = static_cast<IMediaSample*>(this);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TestSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) return E_POINTER;
  *type = nullptr;
  return S_FALSE;  // the type has not changed
}

}  // namespace orlin::test
