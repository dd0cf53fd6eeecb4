// An output pin that delivers samples through a downstream IMemInputPin and
// agrees the sample allocator with it.
#pragma once

#include "filter/framework/base_pin.h"

namespace orlin::framework {

class CBaseOutputPin : public CBasePin {
 public:
  CBaseOutputPin(const WCHAR* object_name, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                 const WCHAR* pin_name);
  ~CBaseOutputPin() override;

  // ---- Framework operations of CBasePin ----
  // Commits the allocator; VFW_E_NO_ALLOCATOR without one.
  HRESULT Active() override;
  // Decommits the allocator; VFW_E_NO_ALLOCATOR without one.
  HRESULT Inactive() override;
  HRESULT CheckConnect(IPin* pin) override;
  HRESULT BreakConnect() override;
  HRESULT CompleteConnect(IPin* receive_pin) override;

  // ---- Allocator and delivery (slot order follows GetMediaType) ----
  virtual HRESULT DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator);
  // The derived pin sets the buffer count and size on the allocator.
  virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
  virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                    REFERENCE_TIME* stop, DWORD flags);
  virtual HRESULT Deliver(IMediaSample* sample);
  // The platform's memory allocator, created in process.
  virtual HRESULT InitAllocator(IMemAllocator** allocator);
  virtual HRESULT DeliverEndOfStream();
  virtual HRESULT DeliverBeginFlush();
  virtual HRESULT DeliverEndFlush();
  virtual HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

  // ---- IPin: an output pin receives none of these ----
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;

  IMemAllocator* Allocator() const { return allocator_.Get(); }

 protected:
  // One allocator tried: `got` is what fetching it into *allocator returned.
  // Sized and handed to `pin`, S_OK; otherwise released, *allocator null, and
  // the first failure returned.
  HRESULT OfferAllocator(IMemInputPin* pin, HRESULT got, IMemAllocator** allocator,
                         ALLOCATOR_PROPERTIES* props);

  ComRef<IMemAllocator> allocator_;
  ComRef<IMemInputPin> input_pin_;
};

}  // namespace orlin::framework
