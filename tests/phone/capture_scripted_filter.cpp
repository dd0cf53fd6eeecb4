#include "tests/phone/capture_scripted_filter.h"

#include <gtest/gtest.h>

#include "orlin/com_object.h"
#include "orlin/host_services.h"
#include "phone/camera_capture_classes.h"
#include "phone/cameras/capture_filter_class.h"
#include "phone/cameras/pin_enumerator.h"

namespace orlin::test {
namespace {

// The script of the test that runs; null after it, when the capture that
// outlives the script still stops and disconnects its camera.
FilterScript* g_script = nullptr;

class ScriptedFilter;

class ScriptedPin final : public IPin {
 public:
  explicit ScriptedPin(IBaseFilter& filter) : filter_(filter) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPin)) return E_NOINTERFACE;
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return filter_.AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return filter_.Release(); }
  HRESULT STDMETHODCALLTYPE Connect(IPin* pin, const AM_MEDIA_TYPE*) override {
    if (g_script == nullptr) return E_UNEXPECTED;
    if (g_script->connected) return VFW_E_ALREADY_CONNECTED;
    const HRESULT hr = g_script->camera.ConnectTo(pin);
    g_script->connected = SUCCEEDED(hr);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override {
    return E_UNEXPECTED;
  }
  HRESULT STDMETHODCALLTYPE Disconnect() override {
    if (g_script == nullptr) return S_FALSE;
    const bool was = g_script->connected;
    g_script->connected = false;
    return was ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndOfStream() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BeginFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EndFlush() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override {
    return E_NOTIMPL;
  }

 private:
  IBaseFilter& filter_;
};

class ScriptedFilter final : public ComObject<IBaseFilter, IID_IBaseFilter>,
                             public IPersistPropertyBag {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return ComObject::QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ComObject::AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return ComObject::Release(); }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stop() override {
    if (g_script == nullptr) return S_OK;
    ++g_script->stops;
    if (g_script->stopResults.empty()) return S_OK;
    const HRESULT hr = g_script->stopResults.front();
    g_script->stopResults.erase(g_script->stopResults.begin());
    return hr;
  }
  HRESULT STDMETHODCALLTYPE Pause() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME) override {
    if (g_script == nullptr) return E_UNEXPECTED;
    ++g_script->runs;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetState(DWORD, FILTER_STATE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override {
    return phone::cameras::PinEnumerator::Create(&pin_, 0, pins);
  }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph*, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag*, IErrorLog*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag*, BOOL, BOOL) override { return E_NOTIMPL; }

 private:
  HRESULT QueryOtherInterface(REFIID riid, void** object) override {
    if (!IsEqualIID(riid, IID_IPersistPropertyBag)) return E_NOINTERFACE;
    *object = static_cast<IPersistPropertyBag*>(this);
    AddRef();
    return S_OK;
  }

  ScriptedPin pin_{static_cast<IBaseFilter&>(*this)};
};

HRESULT CreateScriptedFilter(IUnknown* outer, REFIID riid, void** object) {
  return CreateComObject<ScriptedFilter>(outer, riid, object);
}

}  // namespace

ScriptedFilterClass::ScriptedFilterClass(FilterScript& script) {
  g_script = &script;
  RegisterInProcessClass(phone::CLSID_VideoCapture, &CreateScriptedFilter);
}

ScriptedFilterClass::~ScriptedFilterClass() {
  phone::cameras::RegisterCaptureFilterClass();
  g_script = nullptr;
}

}  // namespace orlin::test
