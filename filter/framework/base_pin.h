// The pin half of the framework: the connection protocol and media type
// negotiation. A pin shares its filter's lock and reference count.
#pragma once

#include "orlin/com_ref.h"
#include "filter/framework/critical_section.h"
#include "filter/framework/unknown.h"
#include "filter/framework/wide_string.h"
#include "orlin/dshow.h"

namespace orlin::framework {

class CBaseFilter;

class CBasePin : public CUnknown, public IPin, public IQualityControl {
 public:
  CBasePin(const WCHAR* object_name, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
           const WCHAR* pin_name, PIN_DIRECTION direction);
  ~CBasePin() override;

  ORLIN_DECLARE_IUNKNOWN

  // ---- INonDelegatingUnknown ----
  HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID riid, void** ppv) override;
  // A pin lives exactly as long as its filter: references on it count there.
  ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
  ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

  // ---- Framework operations (slot order follows the destructor) ----
  virtual LONG GetMediaTypeVersion();
  // Leaving and entering the stopped state.
  virtual HRESULT Active();
  virtual HRESULT Inactive();
  virtual HRESULT Run(REFERENCE_TIME start);
  // S_OK accepts the type; anything else refuses it.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE* type);
  virtual HRESULT CheckConnect(IPin* pin);
  virtual HRESULT BreakConnect();
  virtual HRESULT CompleteConnect(IPin* receive_pin);
  // The pin's own types, by 0-based position, into an initialised record.
  virtual HRESULT GetMediaType(int position, AM_MEDIA_TYPE* type);

  // ---- IPin ----
  HRESULT STDMETHODCALLTYPE Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pPin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* pInfo) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* pPinDir) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* Id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* pmt) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                       double dRate) override;

  // ---- IQualityControl ----
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* pSelf, Quality q) override;
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* piqc) override;

  bool IsConnected() const { return static_cast<bool>(connected_); }
  IPin* GetConnected() const { return connected_.Get(); }
  const AM_MEDIA_TYPE& ConnectionType() const { return mt_; }
  CBaseFilter* Filter() const { return filter_; }

 protected:
  // Negotiation, under the lock from Connect.
  HRESULT AgreeMediaType(IPin* receive_pin, const AM_MEDIA_TYPE* proposed);
  HRESULT TryMediaTypes(IPin* receive_pin, const AM_MEDIA_TYPE* proposed, IEnumMediaTypes* types);
  HRESULT AttemptConnection(IPin* receive_pin, const AM_MEDIA_TYPE* type);
  // Connection changes are refused while the filter runs unless reconnection is allowed.
  bool MayChangeConnection();

  WideChars name_;
  ComRef<IPin> connected_;
  const PIN_DIRECTION direction_;
  CCritSec* const lock_;
  bool run_time_error_ = false;
  bool can_reconnect_when_active_ = false;
  bool try_my_types_first_ = false;
  CBaseFilter* const filter_;
  IQualityControl* quality_sink_ = nullptr;  // not counted
  LONG type_version_ = 1;
  AM_MEDIA_TYPE mt_;
  REFERENCE_TIME segment_start_ = 0;
  REFERENCE_TIME segment_stop_ = 0x7FFFFFFFFFFFFFFF;
  double segment_rate_ = 1.0;
};

// A type refusal by CheckMediaType as the caller of a connection sees it.
HRESULT AsTypeRefusal(HRESULT hr);

}  // namespace orlin::framework
