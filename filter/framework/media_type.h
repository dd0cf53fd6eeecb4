// Operations on AM_MEDIA_TYPE records. A record owns its format block (task
// memory, cbFormat bytes at pbFormat) and holds a counted reference in pUnk.
#pragma once

#include "orlin/dshow.h"

namespace orlin::framework {

// All zero, then lSampleSize 1 and bFixedSizeSamples TRUE.
void InitMediaType(AM_MEDIA_TYPE* type);
// Deep copy into a target that owns nothing; E_OUTOFMEMORY leaves it without a block.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// Frees the format block and releases pUnk; the rest of the record is kept.
void FreeMediaType(AM_MEDIA_TYPE* type);
// Frees the target and copies the source into it; nothing when they are the same.
HRESULT AssignMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
// A deep copy in task memory, or null when memory ran out.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// Frees a record made by CreateMediaType (or handed out by an enumerator).
void DeleteMediaType(AM_MEDIA_TYPE* type);

// Same major type, subtype, format type and format bytes.
bool MediaTypesEqual(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
// The major type or the format type is left open (the subtype does not count).
bool IsPartiallySpecified(const AM_MEDIA_TYPE& type);
// The candidate agrees with every part that the partial type does specify.
bool MatchesPartialType(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& partial);
// Gives the record a format block of length bytes; the old block is kept when it
// has that length, or when a new one cannot be had and the old one is long
// enough. Returns the block, or null when there is none of that length.
BYTE* AllocFormatBuffer(AM_MEDIA_TYPE* type, ULONG length);

// A record owned by a scope: initialised on construction, freed on destruction.
class CMediaType : public AM_MEDIA_TYPE {
 public:
  CMediaType() { InitMediaType(this); }
  ~CMediaType() { FreeMediaType(this); }
  CMediaType(const CMediaType&) = delete;
  CMediaType& operator=(const CMediaType&) = delete;

  // Moves the block and the reference into target; this record is left initialised.
  void MoveTo(AM_MEDIA_TYPE* target) {
    *target = *this;
    InitMediaType(this);
  }
};

}  // namespace orlin::framework
