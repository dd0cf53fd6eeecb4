// Automation: VARIANT and BSTR values and the property bag interfaces a capture
// filter is handed its device name through. On Windows they come from the SDK
// (link oleaut32 and uuid); on Linux this is the least subset our code uses,
// with the SDK's names, method order and identifier values.
#pragma once

#include "orlin/com.h"

#ifdef _WIN32
#include <oaidl.h>
#include <objidl.h>
#include <ocidl.h>
#include <oleauto.h>
#else
#include <cstdint>

using VARTYPE = unsigned short;
using VARIANT_BOOL = short;
using BSTR = OLECHAR*;  // length-prefixed, terminated text from SysAllocString

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_BOOL = 11,
  VT_UNKNOWN = 13,
  VT_UI4 = 19
};

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONG lVal;
    short iVal;
    ULONG ulVal;
    VARIANT_BOOL boolVal;
    BSTR bstrVal;
    IUnknown* punkVal;
  };
};
using VARIANTARG = VARIANT;

#define DISP_E_TYPEMISMATCH (static_cast<HRESULT>(0x80020005))
#define DISP_E_BADVARTYPE (static_cast<HRESULT>(0x80020008))

// A copy of `text` as a BSTR; null for null text or when memory is exhausted.
BSTR SysAllocString(const OLECHAR* text);
// `length` units of `text` (or zeros for null text) and a terminator.
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Units in the string, not counting the terminator; 0 for null.
UINT SysStringLen(BSTR text);

void VariantInit(VARIANTARG* value);
// Frees what the value owns (a BSTR, an interface reference) and empties it.
HRESULT VariantClear(VARIANTARG* value);
// Clears `target`, then makes it a deep copy of `source`.
HRESULT VariantCopy(VARIANTARG* target, const VARIANTARG* source);

struct IErrorLog;  // only ever passed as null here

struct IPropertyBag : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(LPCOLESTR pszPropName, VARIANT* pVar,
                                         IErrorLog* pErrorLog) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(LPCOLESTR pszPropName, VARIANT* pVar) = 0;
};

struct IPersistPropertyBag : public IPersist {
  virtual HRESULT STDMETHODCALLTYPE InitNew() = 0;
  virtual HRESULT STDMETHODCALLTYPE Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) = 0;
  virtual HRESULT STDMETHODCALLTYPE Save(IPropertyBag* pPropBag, BOOL fClearDirty,
                                         BOOL fSaveAllProperties) = 0;
};

inline constexpr IID IID_IPropertyBag = {0x55272a00, 0x42cb, 0x11ce,
                                         {0x81, 0x35, 0x00, 0xaa, 0x00, 0x4b, 0xb8, 0x51}};
inline constexpr IID IID_IPersistPropertyBag = {
    0x37d84f60, 0x42cb, 0x11ce, {0x81, 0x35, 0x00, 0xaa, 0x00, 0x4b, 0xb8, 0x51}};
#endif
