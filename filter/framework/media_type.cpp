#include "filter/framework/media_type.h"

#include <cstring>

namespace orlin::framework {

namespace {
bool FormatBlocksEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.cbFormat != b.cbFormat) return false;
  if (a.cbFormat == 0) return true;
  return a.pbFormat != nullptr && b.pbFormat != nullptr &&
         std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}
}  // namespace

void InitMediaType(AM_MEDIA_TYPE* type) {
  std::memset(static_cast<void*>(type), 0, sizeof(*type));
  type->lSampleSize = 1;
  type->bFixedSizeSamples = TRUE;
}

HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  *target = *source;
  HRESULT hr = S_OK;
  if (source->cbFormat != 0) {
    target->pbFormat = nullptr;
    if (source->pbFormat != nullptr) {
      target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
    }
    if (target->pbFormat == nullptr) {
      target->cbFormat = 0;
      hr = E_OUTOFMEMORY;
    } else {
      std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
    }
  }
  // The reference is taken even when the block could not be copied, so that
  // freeing the target never releases a reference it does not hold.
  if (target->pUnk != nullptr) target->pUnk->AddRef();
  return hr;
}

void FreeMediaType(AM_MEDIA_TYPE* type) {
  if (type->cbFormat != 0) {
    CoTaskMemFree(type->pbFormat);
    type->cbFormat = 0;
    type->pbFormat = nullptr;
  }
  if (type->pUnk != nullptr) {
    type->pUnk->Release();
    type->pUnk = nullptr;
  }
}

HRESULT AssignMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
  if (target == source) return S_OK;
  FreeMediaType(target);
  return FAILED(CopyMediaType(target, source)) ? E_OUTOFMEMORY : S_OK;
}

AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (type == nullptr) return nullptr;
  if (FAILED(CopyMediaType(type, source))) {
    FreeMediaType(type);
    CoTaskMemFree(type);
    return nullptr;
  }
  return type;
}

void DeleteMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) return;
  FreeMediaType(type);
  CoTaskMemFree(type);
}

bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
         IsEqualGUID(a.formattype, b.formattype) && FormatBlocksEqual(a, b);
}

bool IsPartiallySpecified(const AM_MEDIA_TYPE& type) {
  return IsEqualGUID(type.majortype, GUID_NULL) || IsEqualGUID(type.formattype, GUID_NULL);
}

bool MatchesPartialType(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial) {
  if (!IsEqualGUID(partial.majortype, GUID_NULL) &&
      !IsEqualGUID(partial.majortype, candidate.majortype)) {
    return false;
  }
  if (!IsEqualGUID(partial.subtype, GUID_NULL) &&
      !IsEqualGUID(partial.subtype, candidate.subtype)) {
    return false;
  }
  if (!IsEqualGUID(partial.formattype, GUID_NULL)) {
    if (!IsEqualGUID(partial.formattype, candidate.formattype)) return false;
    if (!FormatBlocksEqual(partial, candidate)) return false;
  }
  return true;
}

BYTE* AllocFormatBuffer(AM_MEDIA_TYPE* type, ULONG length) {
  if (type->cbFormat == length && (length == 0 || type->pbFormat != nullptr)) {
    return type->pbFormat;
  }
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
  if (block == nullptr) {
    // A longer block still serves; its length is recorded as asked.
    if (type->cbFormat >= length && type->pbFormat != nullptr) {
      type->cbFormat = length;
      return type->pbFormat;
    }
    return nullptr;
  }
  if (type->cbFormat != 0) CoTaskMemFree(type->pbFormat);
  type->cbFormat = length;
  type->pbFormat = block;
  return block;
}

}  // namespace orlin::framework
