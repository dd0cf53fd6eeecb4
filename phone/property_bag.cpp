#include "phone/property_bag.h"

#include <new>

namespace orlin::phone {
namespace {

bool SameName(const OLECHAR* a, const OLECHAR* b) {
  for (;; ++a, ++b) {
    if (*a != *b) return false;
    if (*a == 0) return true;
  }
}

}  // namespace

PropertyBag* PropertyBag::Create() { return new (std::nothrow) PropertyBag(); }

PropertyBag::~PropertyBag() {
  while (properties_ != nullptr) {
    Node* node = properties_;
    properties_ = node->next;
    VariantClear(&node->value);
    SysFreeString(node->name);
    delete node;
  }
}

// --- IPropertyBag ---

HRESULT STDMETHODCALLTYPE PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  for (Node* node = properties_; node != nullptr; node = node->next) {
    if (SameName(node->name, name)) return VariantCopy(value, &node->value);
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
  if (name == nullptr || value == nullptr) return E_POINTER;
  Node* node = new (std::nothrow) Node;
  if (node == nullptr) return E_OUTOFMEMORY;
  VariantInit(&node->value);
  node->name = SysAllocString(name);
  if (node->name == nullptr) {
    delete node;
    return E_OUTOFMEMORY;
  }
  node->next = properties_;
  properties_ = node;
  return VariantCopy(&node->value, value);
}

}  // namespace orlin::phone
