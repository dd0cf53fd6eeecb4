// The program's own IPropertyBag: hands the camera's device name ("VCapName")
// to the capture filter when the filter loads its properties.
#pragma once

#include <atomic>

#include "orlin/automation.h"

namespace orlin::phone {

class PropertyBag final : public IPropertyBag {
 public:
  // A new bag holding one reference for the caller; null when memory is out.
  static PropertyBag* Create();

  // --- IUnknown ---
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // --- IPropertyBag ---
  // A name that is not in the bag gives S_OK and leaves `value` untouched.
  HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog* errorLog) override;
  HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

 private:
  struct Node {
    VARIANT value;
    Node* next;
    BSTR name;
  };

  PropertyBag() = default;
  ~PropertyBag();
  PropertyBag(const PropertyBag&) = delete;
  PropertyBag& operator=(const PropertyBag&) = delete;

  std::atomic<ULONG> references_{1};
  Node* properties_ = nullptr;  // newest first
};

}  // namespace orlin::phone
