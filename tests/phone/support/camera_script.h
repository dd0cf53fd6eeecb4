// A scripted camera for the sender's pin: media types offered one at a time
// through ReceiveConnection, as a capture pin does, and samples that hand the
// pin a frame buffer of a known size.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "orlin/dshow.h"

namespace orlin::test {

// A media type that owns its format block.
struct OfferedType {
  AM_MEDIA_TYPE type{};
  VIDEOINFOHEADER info{};
};

// A video type with a VIDEOINFOHEADER: subtype from the FourCC, biHeight as given
// (negative for top-down), lSampleSize as given.
std::unique_ptr<OfferedType> VideoType(std::uint32_t fourCC, std::int32_t width,
                                       std::int32_t height, std::int32_t sampleSize);

class CameraScript {
 public:
  // Appends a type and returns it, for further changes before it is offered.
  OfferedType& Offer(std::unique_ptr<OfferedType> type);
  OfferedType& OfferVideo(std::uint32_t fourCC, std::int32_t width, std::int32_t height,
                          std::int32_t sampleSize);
  // Offers the types in order until one is accepted. S_OK, or
  // VFW_E_NO_ACCEPTABLE_TYPES when every type was refused.
  HRESULT ConnectTo(IPin* pin);
  // Index of the type the last ConnectTo was accepted with, -1 if none.
  int AcceptedIndex() const { return accepted_; }
  // How many types the last ConnectTo offered.
  int OfferedCount() const { return offered_; }

 private:
  std::vector<std::unique_ptr<OfferedType>> types_;
  int accepted_ = -1;
  int offered_ = 0;
};

// A camera sample over a caller-owned buffer; GetSize reports `size`, which may
// be less than the frame the connection announced.
class TestSample final : public IMediaSample {
 public:
  TestSample(BYTE* buffer, LONG size) : buffer_(buffer), size_(size) {}
  explicit TestSample(std::vector<std::uint8_t>& frame)
      : buffer_(frame.data()), size_(static_cast<LONG>(frame.size())) {}

  // --- IUnknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  // --- IMediaSample ---
  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
  LONG STDMETHODCALLTYPE GetSize() override { return size_; }
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME*, REFERENCE_TIME*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsPreroll() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL) override { return E_NOTIMPL; }
  LONG STDMETHODCALLTYPE GetActualDataLength() override { return size_; }
  HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override;
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }

 private:
  BYTE* buffer_;
  LONG size_;
};

}  // namespace orlin::test
