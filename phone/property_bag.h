// The program's own IPropertyBag: hands the camera's device name ("VCapName")
// to the capture filter when the filter loads its properties.
#pragma once

#include "orlin/automation.h"
#include "orlin/com_object.h"

namespace orlin::phone {

class PropertyBag final : public ComObject<IPropertyBag, IID_IPropertyBag> {
 public:
  // A new bag holding one reference for the caller; null when memory is out.
  static PropertyBag* Create();

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

  Node* properties_ = nullptr;  // newest first
};

}  // namespace orlin::phone
