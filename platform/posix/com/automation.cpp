// BSTR and VARIANT on Linux. A BSTR is laid out as on Windows: a 32-bit byte
// count, the text, and a terminator, the pointer addressing the text.
#include "orlin/automation.h"

#include <cstdlib>
#include <cstring>

namespace {

using ByteCount = std::uint32_t;

ByteCount* Header(BSTR text) { return reinterpret_cast<ByteCount*>(text) - 1; }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
  if (bytes > 0xFFFFFFF0u) return nullptr;
  auto* block = static_cast<ByteCount*>(std::malloc(sizeof(ByteCount) + bytes + sizeof(OLECHAR)));
  if (block == nullptr) return nullptr;
  *block = static_cast<ByteCount>(bytes);
  BSTR result = reinterpret_cast<BSTR>(block + 1);
  if (text != nullptr) {
    std::memcpy(result, text, bytes);
  } else {
    std::memset(result, 0, bytes);
  }
  result[length] = 0;
  return result;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  UINT length = 0;
  while (text[length] != 0) ++length;
  return SysAllocStringLen(text, length);
}

void SysFreeString(BSTR text) {
  if (text != nullptr) std::free(Header(text));
}

UINT SysStringLen(BSTR text) {
  return text == nullptr ? 0 : static_cast<UINT>(*Header(text) / sizeof(OLECHAR));
}

void VariantInit(VARIANTARG* value) {
  if (value == nullptr) return;
  std::memset(value, 0, sizeof *value);
  value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* value) {
  if (value == nullptr) return E_INVALIDARG;
  switch (value->vt) {
    case VT_BSTR:
      SysFreeString(value->bstrVal);
      break;
    case VT_UNKNOWN:
      if (value->punkVal != nullptr) value->punkVal->Release();
      break;
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_UI4:
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  VariantInit(value);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* target, const VARIANTARG* source) {
  if (target == nullptr || source == nullptr) return E_INVALIDARG;
  if (target == source) return S_OK;
  VARIANT copy = *source;
  switch (source->vt) {
    case VT_BSTR:
      if (source->bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
      }
      break;
    case VT_UNKNOWN:
      if (copy.punkVal != nullptr) copy.punkVal->AddRef();
      break;
    case VT_EMPTY:
    case VT_NULL:
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_UI4:
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  const HRESULT cleared = VariantClear(target);
  if (FAILED(cleared)) {
    VariantClear(&copy);
    return cleared;
  }
  *target = copy;
  return S_OK;
}
