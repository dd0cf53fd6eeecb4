// The face FrameSender shows the camera as the owner of its pin. The camera runs
// without a filter graph, so only identity and the (absent) clock answer.
#include "phone/frame_sender.h"

namespace orlin::phone {

// --- IUnknown ---

HRESULT STDMETHODCALLTYPE FrameSender::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  // Only the interfaces this table really is: handing it out for any other
  // identifier would let a caller invoke methods the table does not have.
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist) ||
      IsEqualIID(riid, IID_IMediaFilter) || IsEqualIID(riid, IID_IBaseFilter)) {
    *object = static_cast<IBaseFilter*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

// The sender is owned by the capture, not by references.
ULONG STDMETHODCALLTYPE FrameSender::AddRef() { return 1; }
ULONG STDMETHODCALLTYPE FrameSender::Release() { return 1; }

// --- IPersist ---

HRESULT STDMETHODCALLTYPE FrameSender::GetClassID(CLSID*) { return E_NOTIMPL; }

// --- IMediaFilter ---

HRESULT STDMETHODCALLTYPE FrameSender::Stop() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::Pause() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::Run(REFERENCE_TIME) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::GetState(DWORD, FILTER_STATE*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::SetSyncSource(IReferenceClock*) { return E_NOTIMPL; }

// No clock: the camera stamps and paces nothing against one.
HRESULT STDMETHODCALLTYPE FrameSender::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) return E_POINTER;
  *clock = nullptr;
  return S_OK;
}

// --- IBaseFilter ---

HRESULT STDMETHODCALLTYPE FrameSender::EnumPins(IEnumPins**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::FindPin(LPCWSTR, IPin**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::QueryFilterInfo(FILTER_INFO*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE FrameSender::JoinFilterGraph(IFilterGraph*, LPCWSTR) {
  return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE FrameSender::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

}  // namespace orlin::phone
